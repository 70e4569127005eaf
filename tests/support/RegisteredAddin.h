// The add-in DLL registered for the current user as a user registers it (regsvr32 /n /i:user),
// for the lifetime of the object; unregistered again at its end.
#pragma once

#include "platform/Handles.h"

#include <string>

#include <windows.h>

namespace zel::testing {

// Runs regsvr32 with the arguments and waits for it; its exit code (1000 + the system's error
// when it cannot be started).
inline DWORD RunRegsvr32(const std::wstring& arguments)
{
    std::wstring commandLine = L"regsvr32.exe " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1000 + GetLastError();
    const TKernelHandle thread(process.hThread), child(process.hProcess);
    WaitForSingleObject(child.get(), 30000);
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    return code;
}

class TRegisteredAddin {
public:
    explicit TRegisteredAddin(std::wstring dll) : FDll(std::move(dll))
    {
        FRegistered = RunRegsvr32(L"/s /n /i:user \"" + FDll + L"\"") == 0;
    }
    ~TRegisteredAddin() { RunRegsvr32(L"/s /u /n /i:user \"" + FDll + L"\""); }
    TRegisteredAddin(const TRegisteredAddin&) = delete;
    TRegisteredAddin& operator=(const TRegisteredAddin&) = delete;

    bool Registered() const noexcept { return FRegistered; }

private:
    std::wstring FDll;
    bool FRegistered = false;
};

} // namespace zel::testing
