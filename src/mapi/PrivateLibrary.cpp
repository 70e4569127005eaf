#include "mapi/PrivateLibrary.h"

#include "platform/Handles.h"
#include "platform/ModuleHandle.h"

#include <windows.h>

namespace zel {

std::wstring CommonFilesFolder()
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE,
                      &opened) != ERROR_SUCCESS)
        return {};
    const TRegKey key(opened);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), L"CommonFilesDir", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), L"CommonFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &bytes) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    while (!value.empty() && (value.back() == L'\\' || value.back() == L'/'))
        value.pop_back();
    return value;
}

std::wstring PrivateLibraryPath()
{
    const std::wstring installed = CommonFilesFolder() + L"\\Zelkor\\zelre.dll";
    if (GetFileAttributesW(installed.c_str()) != INVALID_FILE_ATTRIBUTES)
        return installed;
    const std::wstring module = ThisModuleFileName();
    const std::wstring beside = module.substr(0, module.find_last_of(L"\\/") + 1) + L"zelre.dll";
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
        return beside;
    // Neither exists: the installed path, so that the loader's failure names where it looked.
    return installed;
}

} // namespace zel
