// The registry as Wine's own reg.exe shows it: "reg.exe query <key> /s" run as a separate
// process, its output parsed into keys and values. Reading through another program checks what
// really reached the registry, not what this process's handles show.
#pragma once

#include "platform/Handles.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>

#include <windows.h>

namespace zel::testing {

struct TRegValue {
    std::wstring Type;  // "REG_SZ", "REG_DWORD", ...
    std::wstring Data;  // as reg.exe prints it ("0x3" for a DWORD of 3)
    bool operator==(const TRegValue&) const = default;
};

// Value name ("(Default)" for the unnamed value) to value.
using TRegValues = std::map<std::wstring, TRegValue>;

struct TRegQueryResult {
    DWORD ExitCode = 0;  // 0: the key exists; 1: it does not
    // Full key path, upper-cased (reg.exe echoes the spelling it was given), to its values.
    std::map<std::wstring, TRegValues> Keys;
    std::string Output;

    bool Found() const { return ExitCode == 0; }
};

inline std::wstring UpperCased(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

// Runs a command line and returns its exit code and everything it wrote to stdout and stderr.
inline DWORD RunCapturing(std::wstring commandLine, std::string& output)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 0))
        return static_cast<DWORD>(-1);
    const TKernelHandle readEnd(readRaw);
    TKernelHandle writeEnd(writeRaw);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return static_cast<DWORD>(-1);
    const TKernelHandle processHandle(process.hProcess);
    const TKernelHandle threadHandle(process.hThread);
    writeEnd.reset();  // the pipe ends when the child's copy closes
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        output.append(buffer, read);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    return exitCode;
}

// "reg.exe query <key> /s": the key and all keys below it with their values.
inline TRegQueryResult RegQuery(const std::wstring& key)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    TRegQueryResult result;
    result.ExitCode = RunCapturing(L"\"" + std::wstring(system) + L"\\reg.exe\" query \"" + key + L"\" /s", result.Output);
    if (!result.Found())
        return result;
    // Lines: a key's full path at the line start, then its values indented as
    // "    name    type    data"; blank lines between keys.
    std::wstring current;
    size_t start = 0;
    while (start < result.Output.size()) {
        size_t end = result.Output.find('\n', start);
        if (end == std::string::npos)
            end = result.Output.size();
        std::string line = result.Output.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::wstring wide(line.begin(), line.end());
        if (wide[0] != L' ') {
            current = UpperCased(wide);
            result.Keys[current];
            continue;
        }
        const std::wstring gap = L"    ";
        const size_t nameStart = wide.find_first_not_of(L' ');
        const size_t nameEnd = wide.find(gap, nameStart);
        if (nameEnd == std::wstring::npos)
            continue;
        const size_t typeStart = nameEnd + gap.size();
        const size_t typeEnd = wide.find(gap, typeStart);
        TRegValue value;
        value.Type = wide.substr(typeStart, typeEnd == std::wstring::npos ? std::wstring::npos : typeEnd - typeStart);
        if (typeEnd != std::wstring::npos)
            value.Data = wide.substr(typeEnd + gap.size());
        result.Keys[current][wide.substr(nameStart, nameEnd - nameStart)] = value;
    }
    return result;
}

} // namespace zel::testing
