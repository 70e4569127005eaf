// The About window and the error report, as the settings window reaches them: showing the window
// modally, and the error-report command that the window's own button runs. This is the first,
// small form of the window: a modal message with the product's name; the report says that it
// cannot be sent yet, so that nobody takes it for sent.
#pragma once

#include <windows.h>

namespace zel {

class TAboutForm {
public:
    virtual ~TAboutForm() = default;
    // Shows the window modally over the owner.
    virtual void ShowModal(HWND owner);
    // Builds and sends the error report; Sender is the control that asked for it.
    virtual void SendErrorReportButtonClick(void* Sender);
};

} // namespace zel
