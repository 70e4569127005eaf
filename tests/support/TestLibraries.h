// Where the mapi tests find the DLLs they load, and small helpers around them.
#pragma once

#include "platform/WideText.h"

#include <string>
#include <windows.h>

namespace zel::testing {

// A path given at build time, as this process sees it: under Wine a Linux path "/a/b" is
// "Z:\a\b"; a Windows path is used as it stands.
inline std::wstring BuildPath(const char* path)
{
    std::wstring result;
    if (path[0] == '/')
        result = L"Z:";
    for (const char* p = path; *p; ++p)
        result += (*p == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return result;
}

// The folder of the test program's own file.
inline std::wstring ProgramFolder()
{
    const std::wstring name = zel::GrowBuffer(
        [](wchar_t* buffer, DWORD capacity) { return GetModuleFileNameW(nullptr, buffer, capacity); });
    return name.substr(0, name.rfind(L'\\'));
}

inline bool IsLoaded(const std::wstring& path)
{
    return GetModuleHandleW(path.c_str()) != nullptr;
}

// Sets an environment variable of this process for the lifetime of the object.
class TEnvironmentSetting {
public:
    TEnvironmentSetting(const wchar_t* name, const wchar_t* value) : FName(name)
    {
        SetEnvironmentVariableW(name, value);
    }
    ~TEnvironmentSetting() { SetEnvironmentVariableW(FName, nullptr); }
    TEnvironmentSetting(const TEnvironmentSetting&) = delete;
    TEnvironmentSetting& operator=(const TEnvironmentSetting&) = delete;

private:
    const wchar_t* FName;
};

} // namespace zel::testing
