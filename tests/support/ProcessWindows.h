// Finds and reads the windows of another process, as a user's eye does: a shown top-level
// window of a class, its texts, and the message box it shows (read, then closed with OK).
#pragma once

#include <optional>
#include <string>

#include <windows.h>

namespace zel::testing {

namespace detail {

struct TShownWindowSearch {
    DWORD ProcessId;
    const wchar_t* ClassName;
    HWND Found = nullptr;
};

inline BOOL CALLBACK FindShownOfClass(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<TShownWindowSearch*>(search);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (processId != s.ProcessId || !IsWindowVisible(window) || wcscmp(className, s.ClassName) != 0)
        return TRUE;
    s.Found = window;
    return FALSE;
}

} // namespace detail

// A shown top-level window of the class in the process, waiting up to the timeout for it.
inline HWND WaitForShownWindow(DWORD processId, const wchar_t* className, DWORD milliseconds = 10000)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    do {
        detail::TShownWindowSearch search{processId, className};
        EnumWindows(detail::FindShownOfClass, reinterpret_cast<LPARAM>(&search));
        if (search.Found)
            return search.Found;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

// The text of a window of any process (empty when it does not answer in time).
inline std::wstring WindowTextOf(HWND window)
{
    wchar_t text[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

// The text of the message box the process shows, which is then closed with OK; nothing when
// none appears in time.
inline std::optional<std::wstring> TakeMessageBox(DWORD processId, DWORD milliseconds = 10000)
{
    const HWND box = WaitForShownWindow(processId, L"#32770", milliseconds);
    if (!box)
        return std::nullopt;
    const std::wstring text = WindowTextOf(GetDlgItem(box, 0xFFFF)); // the box's message text
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i)
        Sleep(50);
    return text;
}

} // namespace zel::testing
