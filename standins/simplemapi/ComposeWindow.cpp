// The compose window: a top-level window of its own class with read-only "To", "Subject" and
// "Attached" lines, the body in a multi-line edit and the buttons "Send" and "Cancel", run by
// a modal message loop of its own (the caller's window is disabled meanwhile, as a modal
// dialog does it).
#include "standins/simplemapi/ComposeWindow.h"

#include "platform/Handles.h"

#include <string>

namespace zel::standin {
namespace {

// The layout, in pixels of the client area.
constexpr int ClientWidth = 560;
constexpr int ClientHeight = 400;
constexpr int Margin = 10;
constexpr int LabelWidth = 70;
constexpr int LineHeight = 21;
constexpr int LineGap = 6;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

struct TComposeState {
    ULONG Result = MAPI_USER_ABORT;
    bool Done = false;
};

// A text of the message (in the system's ANSI code page) as the window shows it; a lone line
// feed becomes CR LF so that the edit control breaks the line there.
std::wstring ShownText(const char* text)
{
    if (!text || !*text)
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size - 1));
    std::wstring shown;
    shown.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r'))
            shown += L'\r';
        shown += wide[i];
    }
    return shown;
}

// "name <address>", or the one of them that says it all; the address without its "SMTP:".
std::wstring RecipientText(const MapiRecipDesc& recipient)
{
    const std::wstring name = ShownText(recipient.lpszName);
    std::wstring address = ShownText(recipient.lpszAddress);
    if (address.size() > 5 && CompareStringOrdinal(address.c_str(), 5, L"SMTP:", 5, TRUE) == CSTR_EQUAL)
        address.erase(0, 5);
    if (name.empty())
        return address;
    if (address.empty() || address == name)
        return name;
    return name + L" <" + address + L">";
}

void AppendListItem(std::wstring& list, const std::wstring& item)
{
    if (item.empty())
        return;
    if (!list.empty())
        list += L"; ";
    list += item;
}

std::wstring RecipientsText(const MapiMessage& message)
{
    std::wstring list;
    if (!message.lpRecips)
        return list;
    for (ULONG i = 0; i < message.nRecipCount; ++i) {
        const MapiRecipDesc& recipient = message.lpRecips[i];
        const wchar_t* prefix = recipient.ulRecipClass == MAPI_CC ? L"Cc: "
                                : recipient.ulRecipClass == MAPI_BCC ? L"Bcc: "
                                                                     : L"";
        AppendListItem(list, prefix + RecipientText(recipient));
    }
    return list;
}

// The attachments' file names (the path's last part when a file has no name of its own).
std::wstring AttachmentsText(const MapiMessage& message)
{
    std::wstring list;
    if (!message.lpFiles)
        return list;
    for (ULONG i = 0; i < message.nFileCount; ++i) {
        const MapiFileDesc& file = message.lpFiles[i];
        std::wstring name = ShownText(file.lpszFileName);
        if (name.empty()) {
            name = ShownText(file.lpszPathName);
            name.erase(0, name.find_last_of(L"\\/") + 1);
        }
        AppendListItem(list, name);
    }
    return list;
}

// Ends the modal loop. A click sent from another thread runs inside GetMessage, which keeps
// waiting for a posted message: the posted WM_NULL lets the loop see that it is done.
void Finish(HWND window, TComposeState& state)
{
    state.Done = true;
    PostMessageW(window, WM_NULL, 0, 0);
}

LRESULT CALLBACK ComposeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<TComposeState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (state && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && HIWORD(wParam) == BN_CLICKED) {
            state->Result = LOWORD(wParam) == IDOK ? SUCCESS_SUCCESS : MAPI_USER_ABORT;
            Finish(window, *state);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (state) {
            state->Result = MAPI_USER_ABORT;
            Finish(window, *state);
        }
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window class for the time of one call: unregistered afterwards, so that a later load of
// the library at another address registers its own window procedure.
class TComposeClass {
public:
    explicit TComposeClass(HINSTANCE module) : FModule(module)
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ComposeWindowProc;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = ComposeWindowClass;
        FRegistered = RegisterClassExW(&windowClass) != 0;
    }
    ~TComposeClass()
    {
        if (FRegistered)
            UnregisterClassW(ComposeWindowClass, FModule);
    }
    TComposeClass(const TComposeClass&) = delete;
    TComposeClass& operator=(const TComposeClass&) = delete;
    bool Registered() const noexcept { return FRegistered; }

private:
    HINSTANCE FModule;
    bool FRegistered = false;
};

// The system's font for dialogs and messages.
TFontHandle MessageFont()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return TFontHandle(static_cast<HFONT>(nullptr));
    return TFontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
}

HWND AddControl(HWND parent, HINSTANCE module, HFONT font, const wchar_t* className, const std::wstring& text,
                DWORD style, DWORD exStyle, RECT bounds, int id)
{
    HWND control = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left,
                                   bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    if (control && font)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// One labelled read-only line at the given row.
void AddLine(HWND parent, HINSTANCE module, HFONT font, int row, const wchar_t* label, const std::wstring& text, int id)
{
    const int top = Margin + row * (LineHeight + LineGap);
    AddControl(parent, module, font, L"STATIC", label, SS_LEFT, 0, {Margin, top + 3, Margin + LabelWidth, top + LineHeight},
               -1);
    AddControl(parent, module, font, L"EDIT", text, ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, WS_EX_CLIENTEDGE,
               {Margin + LabelWidth, top, ClientWidth - Margin, top + LineHeight}, id);
}

void AddControls(HWND window, HINSTANCE module, HFONT font, const MapiMessage& message)
{
    AddLine(window, module, font, 0, L"To...", RecipientsText(message), ComposeToId);
    AddLine(window, module, font, 1, L"Subject:", ShownText(message.lpszSubject), ComposeSubjectId);
    AddLine(window, module, font, 2, L"Attached:", AttachmentsText(message), ComposeAttachedId);
    const int bodyTop = Margin + 3 * (LineHeight + LineGap) + 4;
    const int buttonTop = ClientHeight - Margin - ButtonHeight;
    AddControl(window, module, font, L"EDIT", ShownText(message.lpszNoteText),
               ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
               {Margin, bodyTop, ClientWidth - Margin, buttonTop - Margin}, ComposeBodyId);
    const int cancelLeft = ClientWidth - Margin - ButtonWidth;
    const int sendLeft = cancelLeft - 6 - ButtonWidth;
    AddControl(window, module, font, L"BUTTON", L"Send", BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
               {sendLeft, buttonTop, sendLeft + ButtonWidth, buttonTop + ButtonHeight}, IDOK);
    AddControl(window, module, font, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0,
               {cancelLeft, buttonTop, cancelLeft + ButtonWidth, buttonTop + ButtonHeight}, IDCANCEL);
}

// The window's outer rectangle: centred over the owner, or over the screen's work area.
RECT WindowBounds(HWND owner, DWORD style, DWORD exStyle)
{
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT over{};
    if (!owner || !GetWindowRect(owner, &over))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    int left = over.left + (over.right - over.left - width) / 2;
    int top = over.top + (over.bottom - over.top - height) / 2;
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    return {left, top, left + width, top + height};
}

std::wstring Caption(const MapiMessage& message)
{
    std::wstring subject = ShownText(message.lpszSubject);
    if (subject.empty())
        subject = L"Untitled";
    return subject + L" - Message (Zel Stand-in Mail)";
}

} // namespace

ULONG RunComposeWindow(HINSTANCE module, HWND owner, const MapiMessage* message)
{
    const MapiMessage empty{};
    const MapiMessage& shown = message ? *message : empty;
    const TComposeClass windowClass(module);
    if (!windowClass.Registered())
        return MAPI_E_FAILURE;
    if (owner && !IsWindow(owner))
        owner = nullptr;
    if (owner)
        owner = GetAncestor(owner, GA_ROOT);
    const TFontHandle font = MessageFont();
    TComposeState state;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (owner ? 0 : WS_EX_APPWINDOW);
    const RECT bounds = WindowBounds(owner, style, exStyle);
    const TWindowHandle window(CreateWindowExW(exStyle, ComposeWindowClass, Caption(shown).c_str(), style, bounds.left,
                                               bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                               owner, nullptr, module, &state));
    if (!window)
        return MAPI_E_FAILURE;
    AddControls(window.get(), module, font.get(), shown);

    const bool ownerWasEnabled = owner && !EnableWindow(owner, FALSE);
    ShowWindow(window.get(), SW_SHOWNORMAL);
    SetForegroundWindow(window.get());
    SetFocus(GetDlgItem(window.get(), IDOK));

    MSG msg;
    bool quit = false;
    while (!state.Done) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            break;
        }
        if (got < 0)
            break;
        if (!IsDialogMessageW(window.get(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // The owner is enabled again before the window goes, so that it gets the activation back.
    if (ownerWasEnabled)
        EnableWindow(owner, TRUE);
    if (quit)
        PostQuitMessage(static_cast<int>(msg.wParam));
    return state.Result;
}

} // namespace zel::standin
