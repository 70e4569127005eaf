#include "diagnostics/About.h"

namespace zel {

void TAboutForm::ShowModal(HWND owner)
{
    MessageBoxW(owner, L"Zelkor Hotkeys for Outlook", L"About", MB_OK | MB_ICONINFORMATION);
}

void TAboutForm::SendErrorReportButtonClick(void*)
{
    MessageBoxW(nullptr, L"The error report cannot be sent from this build.", L"Send Error Report",
                MB_OK | MB_ICONWARNING);
}

} // namespace zel
