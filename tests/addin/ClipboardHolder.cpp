// zel_clipboard_holder: a second program that keeps the clipboard open, as a program in the
// middle of a copy does.
//
//   zel_clipboard_holder <ready event> <release event>
//
// Opens the clipboard (retrying for up to 5 s), signals the named event <ready event>, and keeps
// the clipboard open until the named event <release event> is signalled (at most 30 s). Exit code
// 0 when it held the clipboard, 1 when it could not open it, 2 for wrong arguments.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    const HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    if (!ready || !release)
        return 2;
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (!OpenClipboard(nullptr)) {
        if (GetTickCount64() >= deadline)
            return 1;
        Sleep(10);
    }
    SetEvent(ready);
    WaitForSingleObject(release, 30000);
    CloseClipboard();
    CloseHandle(ready);
    CloseHandle(release);
    return 0;
}
