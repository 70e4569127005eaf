// Pressing key chords from a second process (zel_sendkeys.exe, through SendInput) while this
// thread keeps handling its messages, as the hotkey tests and benchmarks need.
#pragma once

#include "platform/Handles.h"
#include "platform/WideText.h"

#include <string>

#include <windows.h>

namespace zel::testing {

// Handles this thread's waiting messages.
inline void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Runs the thread's messages until done() holds or the time is up.
template <typename Done>
bool PumpUntil(Done done, ULONGLONG milliseconds = 10000)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        PumpMessages();
        if (done())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// zel_sendkeys.exe beside this program.
inline std::wstring SendKeysBesideProgram()
{
    const std::wstring program =
        GrowBuffer([](wchar_t* buffer, DWORD capacity) { return GetModuleFileNameW(nullptr, buffer, capacity); });
    return program.substr(0, program.find_last_of(L"\\/") + 1) + L"zel_sendkeys.exe";
}

// Runs zel_sendkeys.exe with the arguments, handling this thread's messages while it runs.
// Returns the helper's exit code, or 1000 + the error when the helper could not start.
inline DWORD RunSendKeys(const std::wstring& arguments, const std::wstring& helper = SendKeysBesideProgram())
{
    std::wstring commandLine = L"\"" + helper + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1000 + GetLastError();
    const TKernelHandle thread(process.hThread);
    const TKernelHandle child(process.hProcess);
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
        PumpMessages();
        if (GetTickCount64() >= deadline)
            break;
    }
    DWORD exitCode = 999;
    GetExitCodeProcess(child.get(), &exitCode);
    return exitCode;
}

// Presses the chord (shortcut text such as "Ctrl+Alt+A") from a second process. Returns the
// helper's exit code (0 when every key event was queued).
inline DWORD PressChord(const std::wstring& chord, bool windowsKey = false,
                        const std::wstring& helper = SendKeysBesideProgram())
{
    return RunSendKeys(chord + (windowsKey ? L" win" : L""), helper);
}

// Whether another program could register the chord now: a second process tries it.
inline bool ChordFreeForOthers(const std::wstring& chord)
{
    return RunSendKeys(L"--probe " + chord) == 0;
}

} // namespace zel::testing
