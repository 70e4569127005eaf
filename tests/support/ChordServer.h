// A second process that presses key chords on request (zel_sendkeys --serve beside this program),
// for tests that press many chords into another process without starting a helper each time:
//
//   TChordServer chords;
//   chords.Press("Shift+Ctrl+Alt+F6");   // true once the chord went in
#pragma once

#include "platform/Handles.h"
#include "support/HotKeyPress.h"

#include <string>

#include <windows.h>

namespace zel::testing {

class TChordServer {
public:
    TChordServer()
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr, ourIn = nullptr, ourOut = nullptr;
        CreatePipe(&childIn, &ourIn, &inherit, 0);
        CreatePipe(&ourOut, &childOut, &inherit, 0);
        FInput.reset(ourIn);
        FOutput.reset(ourOut);
        const TKernelHandle childInput(childIn), childOutput(childOut);
        SetHandleInformation(ourIn, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(ourOut, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childIn;
        startup.hStdOutput = childOut;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        const std::wstring helper = SendKeysBesideProgram();
        std::wstring commandLine = L"\"" + helper + L"\" --serve";
        PROCESS_INFORMATION process{};
        if (CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            FProcess.reset(process.hProcess);
        }
    }
    ~TChordServer()
    {
        FInput.reset();
        if (FProcess && WaitForSingleObject(FProcess.get(), 5000) == WAIT_TIMEOUT)
            TerminateProcess(FProcess.get(), 1);
    }
    // Presses the chord; false when the helper could not.
    bool Press(const std::string& chord)
    {
        const std::string line = chord + "\n";
        DWORD written = 0;
        if (!WriteFile(FInput.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
            return false;
        std::string reply;
        char c = 0;
        DWORD read = 0;
        while (ReadFile(FOutput.get(), &c, 1, &read, nullptr) && read == 1 && c != '\n')
            reply += c;
        return !reply.empty() && reply.rfind("error", 0) != 0;
    }

private:
    TKernelHandle FProcess, FInput, FOutput;
};

} // namespace zel::testing
