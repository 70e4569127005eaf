#include "diagnostics/About.h"

#include "diagnostics/AboutTexts.h"
#include "diagnostics/ZelUtils.h"
#include "platform/AnsiCodePage.h"
#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/FileAccess.h"
#include "platform/ModuleHandle.h"
#include "platform/VisualStyles.h"
#include "platform/WideText.h"

#include <algorithm>

#include <shellapi.h>

namespace zel {
namespace {

constexpr wchar_t AboutFormClass[] = L"TAboutForm";
constexpr wchar_t AboutPanelClass[] = L"TZelAboutPanel";
constexpr wchar_t LogoResourceName[] = L"ZELKORLOGO";
constexpr int ClientWidth = 320;
constexpr int ClientHeight = 272;
constexpr int LogoSize = 64;
constexpr DWORD FormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD FormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The controls' places in the panel (which fills the client area): left, top, width, height.
struct TPlace {
    int Left, Top, Width, Height;
    RECT Rect() const noexcept { return RECT{Left, Top, Left + Width, Top + Height}; }
};
constexpr TPlace ZelkorLogoPlace{8, 8, 64, 64};
constexpr TPlace AboutTextPlace{86, 7, 234, 13};
constexpr TPlace WebPageLinkPlace{8, 147, 304, 13};
constexpr TPlace LicMemoPlace{8, 186, 304, 48};
constexpr TPlace SendErrorReportButtonPlace{106, 240, 125, 25};
constexpr TPlace OKButtonPlace{237, 240, 75, 25};

// The panel passes what its controls tell their parent on to the window: commands, drawing,
// colours, the default button's question, and the close that a multi-line edit asks for on Esc
// (which would otherwise destroy the panel).
LRESULT CALLBACK AboutPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    switch (message) {
    case WM_CLOSE:
    case DM_GETDEFID:
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
ZEL_CATCH_SILENT_RETURN(0)

void RegisterWindowClasses(WNDPROC formProc)
{
    static const bool registered = [formProc] {
        WNDCLASSEXW form{};
        form.cbSize = sizeof(form);
        form.lpfnWndProc = formProc;
        form.hInstance = ThisModule();
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        form.lpszClassName = AboutFormClass;
        WNDCLASSEXW panel = form;
        panel.lpfnWndProc = AboutPanelProc;
        panel.lpszClassName = AboutPanelClass;
        return RegisterClassExW(&form) != 0 && RegisterClassExW(&panel) != 0;
    }();
    if (!registered)
        throw EOSError(u"The About window's classes could not be registered", GetLastError());
}

void OpenWithShell(HWND owner, const std::u16string& address)
{
    // The result is not examined: a page that cannot be opened is nothing the user must answer.
    ShellExecuteW(owner, L"open", AsWide(address).data(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowErrorBox(HWND owner, const std::u16string& message)
{
    MessageBoxW(owner, AsWide(message).data(), L"Send Error Report", MB_OK | MB_ICONERROR);
}

// The owner's state while the window is modal over it, given back however the showing ends.
class TModalScope {
public:
    TModalScope(HWND window, HWND owner, bool& modal) noexcept
        : FWindow(window), FOwner(owner), FModal(modal),
          FOwnerWasEnabled(owner && IsWindowEnabled(owner))
    {
        FModal = true;
        if (FOwnerWasEnabled)
            EnableWindow(FOwner, FALSE);
    }
    ~TModalScope()
    {
        FModal = false;
        // The owner is enabled before the window hides, so that it is the one activated next.
        if (FOwnerWasEnabled && IsWindow(FOwner))
            EnableWindow(FOwner, TRUE);
        if (IsWindow(FWindow)) {
            ShowWindow(FWindow, SW_HIDE);
            // Hidden, the window belongs to no owner: it outlives any one of them.
            SetWindowLongPtrW(FWindow, GWLP_HWNDPARENT, 0);
        }
        if (IsWindow(FOwner))
            SetActiveWindow(FOwner);
    }
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

private:
    HWND FWindow;
    HWND FOwner;
    bool& FModal;
    bool FOwnerWasEnabled;
};

} // namespace

TAboutForm::TAboutForm(TAboutFormSettings settings) : FSettings(std::move(settings))
{
    if (!FSettings.OpenPage)
        FSettings.OpenPage = OpenWithShell;
    if (!FSettings.ShowError)
        FSettings.ShowError = ShowErrorBox;
    CreateFormWindow();
}

TAboutForm::~TAboutForm()
{
    // The labels' windows end with the window; their objects follow as members.
    if (FHandle)
        DestroyWindow(FHandle);
    FHandle = nullptr;
}

void TAboutForm::CreateFormWindow()
{
    RegisterWindowClasses(WindowProc);
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, FormStyle, FALSE, FormExStyle);
    const HWND window = CreateWindowExW(FormExStyle, AboutFormClass, L"About", FormStyle, 0, 0,
                                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                        ThisModule(), this);
    if (!window)
        throw EOSError(u"The About window could not be created", GetLastError());
    try {
        CreateControls();
    } catch (...) {
        DestroyWindow(window);
        throw;
    }
}

void TAboutForm::CreateControls()
{
    FFont.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
    FLogo.reset(static_cast<HICON>(LoadImageW(ThisModule(), LogoResourceName, IMAGE_ICON, LogoSize, LogoSize, 0)));

    // The add-in's windows use the common controls of its own manifest, whatever the host's.
    const TVisualStylesScope visualStyles;
    const HINSTANCE instance = ThisModule();
    FPanel = CreateWindowExW(WS_EX_CONTROLPARENT, AboutPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                             ClientWidth, ClientHeight, FHandle,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(idPanel)), instance, nullptr);
    if (!FPanel)
        throw EOSError(u"The About window's panel could not be created", GetLastError());
    auto make = [&](DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                    const TPlace& place) {
        HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, place.Left, place.Top,
                                       place.Width, place.Height, FPanel,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (!control)
            throw EOSError(u"A control of the About window could not be created", GetLastError());
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
        return control;
    };
    // Made in the tab order: OK, Send Error Report, the acknowledgements.
    make(0, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, idOKButton, OKButtonPlace);
    make(0, L"BUTTON", L"Send Error Report", BS_PUSHBUTTON | WS_TABSTOP, idSendErrorReportButton,
         SendErrorReportButtonPlace);
    make(WS_EX_CLIENTEDGE, L"EDIT", AsWide(DefaultLicMemoText()).data(),
         ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, idLicMemo, LicMemoPlace);
    make(0, L"STATIC", L"", SS_OWNERDRAW, idZelkorLogo, ZelkorLogoPlace);
    FAboutText = std::make_unique<TLinkLabel>(FPanel, idAboutText, AboutTextPlace.Rect());
    SendMessageW(FAboutText->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
    FWebPageLink = std::make_unique<TLinkLabel>(FPanel, idWebPageLink, WebPageLinkPlace.Rect());
    SendMessageW(FWebPageLink->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
}

HWND TAboutForm::Control(int id) const noexcept
{
    return FPanel ? GetDlgItem(FPanel, id) : nullptr;
}

std::u16string TAboutForm::AboutTextCaption() const
{
    return FAboutText ? FAboutText->Caption() : std::u16string();
}

std::u16string TAboutForm::WebPageLinkCaption() const
{
    return FWebPageLink ? FWebPageLink->Caption() : std::u16string();
}

std::u16string TAboutForm::LicMemoText() const
{
    return WindowText(Control(idLicMemo));
}

LRESULT CALLBACK TAboutForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    if (message == WM_NCCREATE) {
        auto self = static_cast<TAboutForm*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->FHandle = window;
    }
    auto self = reinterpret_cast<TAboutForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone, whoever destroyed it: a modal loop over it ends.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        self->FPanel = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}
// The end of every failure in a handler: nothing more is shown (the error report has told the
// user already), and the failure is on record since it was raised.
ZEL_CATCH_SILENT_RETURN(DefWindowProcW(window, message, wParam, lParam))

LRESULT TAboutForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(DefaultButtonId(), DC_HASDEFID);
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != static_cast<UINT>(idZelkorLogo))
            return FALSE;
        DrawLogo(item);
        return TRUE;
    }
    case WM_CLOSE:
        OKButtonClick();
        return 0;
    default:
        return DefWindowProcW(FHandle, message, wParam, lParam);
    }
}

void TAboutForm::Command(int id, int code)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        // The OK button, Enter on it and Esc anywhere in the window.
        if (code == BN_CLICKED)
            OKButtonClick();
        break;
    case idSendErrorReportButton:
        if (code == BN_CLICKED)
            SendErrorReportButtonClick(Control(idSendErrorReportButton));
        break;
    case idWebPageLink:
        if (code == STN_CLICKED)
            WebPageLinkClick();
        break;
    default:
        break;
    }
}

int TAboutForm::DefaultButtonId() const noexcept
{
    // The focused push button is the default one, as in a dialog; otherwise OK.
    return GetFocus() == Control(idSendErrorReportButton) ? idSendErrorReportButton : idOKButton;
}

void TAboutForm::ShowDefaultButton() noexcept
{
    const bool sendIsDefault = DefaultButtonId() == idSendErrorReportButton;
    const auto style = [](bool isDefault) { return static_cast<WPARAM>(isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON); };
    const HWND ok = Control(idOKButton);
    const HWND send = Control(idSendErrorReportButton);
    if (((GetWindowLongW(ok, GWL_STYLE) & BS_DEFPUSHBUTTON) != 0) == sendIsDefault)
        SendMessageW(ok, BM_SETSTYLE, style(!sendIsDefault), TRUE);
    if (((GetWindowLongW(send, GWL_STYLE) & BS_DEFPUSHBUTTON) != 0) != sendIsDefault)
        SendMessageW(send, BM_SETSTYLE, style(sendIsDefault), TRUE);
}

void TAboutForm::DrawLogo(const DRAWITEMSTRUCT& item) const
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (FLogo)
        DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, FLogo.get(), LogoSize, LogoSize, 0, nullptr, DI_NORMAL);
}

void TAboutForm::ShowModal(HWND owner)
{
    if (FModal) {
        SetForegroundWindow(FHandle);
        return;
    }
    if (!FHandle)
        CreateFormWindow();
    if (owner && !IsWindow(owner))
        owner = nullptr;
    SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    CenterOver(owner);
    FormShow();

    const TModalScope modal(FHandle, owner, FModal);
    FCloseRequested = false;
    ShowWindow(FHandle, SW_SHOW);
    SetForegroundWindow(FHandle);
    SetFocus(Control(idOKButton));
    ShowDefaultButton();
    RunModalLoop();
}

void TAboutForm::RunModalLoop()
{
    MSG message;
    while (!FCloseRequested && FHandle) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The thread is ending: the loop ends, and the outer loop sees the quit message too.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (got == -1)
            return;
        if (!IsDialogMessageW(FHandle, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // The default button's thick border follows the focus, as a dialog's does.
        if (FHandle)
            ShowDefaultButton();
    }
}

void TAboutForm::CenterOver(HWND owner)
{
    RECT window;
    GetWindowRect(FHandle, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    RECT area{};
    if (owner && !IsIconic(owner))
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    // Kept on the screen the owner is on, caption first.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        left = std::max(static_cast<int>(work.left), std::min(left, static_cast<int>(work.right) - width));
        top = std::max(static_cast<int>(work.top), std::min(top, static_cast<int>(work.bottom) - height));
    }
    SetWindowPos(FHandle, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAboutForm::FormShow()
{
    const TFilePath readme = ToFileSystemPath(ReadmePath(AsU16(ThisModuleFileName())));
    std::string bytes;
    if (FileKind(readme) == TFileKind::File && ReadWholeFile(readme, bytes))
        SetWindowTextW(Control(idLicMemo), AsWide(ReadmeText(bytes, AnsiCodePage())).data());
    FAboutText->SetCaption(MakeAboutTextCaption(GetModuleVersion()));
    FWebPageLink->SetCaption(MakeWebPageLinkCaption());
}

void TAboutForm::OKButtonClick()
{
    if (FModal)
        FCloseRequested = true;
    else if (FHandle)
        ShowWindow(FHandle, SW_HIDE);
}

void TAboutForm::WebPageLinkClick()
{
    FSettings.OpenPage(FHandle, ProductPageAddress());
}

HWND TAboutForm::ErrorOwner() const noexcept
{
    if (FHandle && IsWindowVisible(FHandle))
        return FHandle;
    return GetActiveWindow();
}

void TAboutForm::SendErrorReportButtonClick(void*)
{
    const TErrorReportSources sources = FSettings.ErrorReportSources ? FSettings.ErrorReportSources()
                                                                     : TErrorReportSources{};
    try {
        SendErrorReport(sources);
    } catch (const Exception& failure) {
        // Shown here, since no one further up shows it; raised on for the caller's own ending.
        FSettings.ShowError(ErrorOwner(), failure.Message());
        throw;
    }
}

} // namespace zel
