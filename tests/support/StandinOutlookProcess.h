// Runs the stand-in Outlook program (StandinOutlook.exe) in scripted mode for a test: starts it
// with pipes, sends script commands one at a time and reads each reply with the lines printed
// before it, waits for the end, kills it on destruction.
//
//   TStandinOutlookProcess outlook(BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE), L"--no-addins");
//   std::vector<std::wstring> startup = outlook.WaitReady();  // the add-in lines, up to "ready"
//   TStandinOutlookReply state = outlook.Send(L"state");       // state.Ok, state.Lines
//   auto explorer = ParseStateLine(state.Lines[0]);            // explorer["folder"]
//   TStandinOutlookReply end = outlook.Send(L"quit");          // the shutdown lines, then "ok"
//   EXPECT_EQ(outlook.WaitForExit(), 0u);
//
// The program's windows are kept from the X window manager under Wine (the per-program setting
// "Managed"="N"): without one, Wine waits about 2 s for each destroyed window otherwise.
#pragma once

#include "platform/Handles.h"

#include <map>
#include <string>
#include <vector>

#include <windows.h>

namespace zel::testing {

struct TStandinOutlookReply {
    bool Ok = false;
    std::wstring Text;                // the reply after "ok " or "error " (empty for a bare "ok")
    std::vector<std::wstring> Lines;  // the lines printed before the reply (state, shutdown)
    bool TimedOut = false;            // no reply came: the program ended or took too long
};

// A state line "kind key=value key="quoted text" ..." as its kind (key "") and its values, the
// quoted ones unescaped (\\ \" \r \n \t).
inline std::map<std::wstring, std::wstring> ParseStateLine(const std::wstring& line)
{
    std::map<std::wstring, std::wstring> fields;
    size_t i = line.find(L' ');
    fields[L""] = line.substr(0, i);
    while (i != std::wstring::npos && i < line.size()) {
        while (i < line.size() && line[i] == L' ')
            ++i;
        const size_t equals = line.find(L'=', i);
        if (equals == std::wstring::npos)
            break;
        const std::wstring key = line.substr(i, equals - i);
        std::wstring value;
        i = equals + 1;
        if (i < line.size() && line[i] == L'"') {
            for (++i; i < line.size() && line[i] != L'"'; ++i) {
                if (line[i] == L'\\' && i + 1 < line.size()) {
                    const wchar_t c = line[++i];
                    value += c == L'n' ? L'\n' : c == L'r' ? L'\r' : c == L't' ? L'\t' : c;
                } else {
                    value += line[i];
                }
            }
            ++i;
        } else {
            const size_t end = line.find(L' ', i);
            value = line.substr(i, end == std::wstring::npos ? std::wstring::npos : end - i);
            i = end;
        }
        fields[key] = value;
    }
    return fields;
}

class TStandinOutlookProcess {
public:
    // Starts "exe --script - <arguments>".
    TStandinOutlookProcess(const std::wstring& exe, const std::wstring& arguments)
    {
        KeepWindowsUnmanaged(exe);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr, ourIn = nullptr, ourOut = nullptr;
        if (!CreatePipe(&childIn, &ourIn, &inherit, 0) || !CreatePipe(&ourOut, &childOut, &inherit, 0))
            return;
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
        startup.hStdError = childOut;
        std::wstring commandLine = L"\"" + exe + L"\" --script - " + arguments;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
            return;
        CloseHandle(process.hThread);
        FProcess.reset(process.hProcess);
    }
    ~TStandinOutlookProcess()
    {
        FInput.reset();
        if (FProcess && WaitForSingleObject(FProcess.get(), 0) == WAIT_TIMEOUT) {
            if (WaitForSingleObject(FProcess.get(), 3000) == WAIT_TIMEOUT)
                TerminateProcess(FProcess.get(), 9);
        }
    }
    TStandinOutlookProcess(const TStandinOutlookProcess&) = delete;
    TStandinOutlookProcess& operator=(const TStandinOutlookProcess&) = delete;

    bool Started() const noexcept { return FProcess != nullptr; }
    DWORD ProcessId() const noexcept { return FProcess ? GetProcessId(FProcess.get()) : 0; }
    HANDLE ProcessHandle() const noexcept { return FProcess.get(); }

    // The lines printed at start-up, up to and without "ready" (or up to an "error" line, which
    // is included, or the end of the output).
    std::vector<std::wstring> WaitReady(DWORD milliseconds = 30000)
    {
        std::vector<std::wstring> lines;
        std::wstring line;
        while (ReadLine(line, milliseconds) && line != L"ready") {
            lines.push_back(line);
            if (line.rfind(L"error", 0) == 0)
                break;
        }
        return lines;
    }

    // Sends the command and reads up to its "ok"/"error" reply.
    TStandinOutlookReply Send(const std::wstring& command, DWORD milliseconds = 30000)
    {
        TStandinOutlookReply reply;
        std::string bytes = Utf8(command + L"\n");
        DWORD written = 0;
        if (!FInput || !WriteFile(FInput.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            reply.TimedOut = true;
            return reply;
        }
        std::wstring line;
        while (ReadLine(line, milliseconds)) {
            if (line == L"ok" || line.rfind(L"ok ", 0) == 0 || line.rfind(L"error", 0) == 0) {
                reply.Ok = line[0] == L'o';
                const size_t space = line.find(L' ');
                reply.Text = space == std::wstring::npos ? std::wstring() : line.substr(space + 1);
                return reply;
            }
            reply.Lines.push_back(line);
        }
        reply.TimedOut = true;
        return reply;
    }

    // Ends the script (the program then ends as with "quit").
    void CloseInput() { FInput.reset(); }

    // Ends the program at once, as a crash or the task manager does: no clean-up of any kind.
    void Kill()
    {
        if (FProcess) {
            TerminateProcess(FProcess.get(), 9);
            WaitForSingleObject(FProcess.get(), 10000);
        }
    }

    // The exit code, or STILL_ACTIVE when the program did not end in time.
    DWORD WaitForExit(DWORD milliseconds = 30000)
    {
        DWORD code = STILL_ACTIVE;
        if (FProcess && WaitForSingleObject(FProcess.get(), milliseconds) == WAIT_OBJECT_0)
            GetExitCodeProcess(FProcess.get(), &code);
        return code;
    }

    // Every further line until the output ends (the program ended) or the time is up.
    std::vector<std::wstring> ReadAll(DWORD milliseconds = 30000)
    {
        std::vector<std::wstring> lines;
        std::wstring line;
        while (ReadLine(line, milliseconds))
            lines.push_back(line);
        return lines;
    }

    // Every line read so far, in order.
    const std::vector<std::wstring>& Output() const noexcept { return FAll; }

private:
    static std::string Utf8(const std::wstring& text)
    {
        std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
        return bytes;
    }

    static void KeepWindowsUnmanaged(const std::wstring& exe)
    {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
            return;
        const std::wstring name = exe.substr(exe.find_last_of(L"\\/") + 1);
        const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name + L"\\X11 Driver";
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, L"N", 2 * sizeof(wchar_t));
    }

    // One line of output (without its line end); false at the end of the output or when no
    // line came in time.
    bool ReadLine(std::wstring& line, DWORD milliseconds)
    {
        const ULONGLONG deadline = GetTickCount64() + milliseconds;
        for (;;) {
            const size_t end = FBuffer.find('\n');
            if (end != std::string::npos) {
                std::string bytes = FBuffer.substr(0, end);
                FBuffer.erase(0, end + 1);
                if (!bytes.empty() && bytes.back() == '\r')
                    bytes.pop_back();
                line.assign(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0)), L'\0');
                MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), line.data(), static_cast<int>(line.size()));
                FAll.push_back(line);
                return true;
            }
            if (!FOutput)
                return false;
            DWORD available = 0;
            if (!PeekNamedPipe(FOutput.get(), nullptr, 0, nullptr, &available, nullptr)) {
                FOutput.reset(); // the program closed its end
                if (!FBuffer.empty())
                    FBuffer += '\n';
                continue;
            }
            if (available == 0) {
                if (GetTickCount64() >= deadline)
                    return false;
                Sleep(5);
                continue;
            }
            char chunk[4096];
            DWORD read = 0;
            if (!ReadFile(FOutput.get(), chunk, std::min<DWORD>(available, sizeof chunk), &read, nullptr) || read == 0) {
                FOutput.reset();
                continue;
            }
            FBuffer.append(chunk, read);
        }
    }

    TKernelHandle FProcess, FInput, FOutput;
    std::string FBuffer;
    std::vector<std::wstring> FAll;
};

} // namespace zel::testing
