// GetModuleVersion: the add-in DLL's own version resource, read from its file.
#include "diagnostics/ZelUtils.h"

#include "platform/ModuleHandle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace zel {

std::u16string GetModuleVersion()
{
    wchar_t fileName[261] = {};
    if (GetModuleFileNameW(ThisModule(), fileName, 261) == 0)
        return {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName, &handle);
    if (size == 0)
        return {};
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(fileName, 0, size, block.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return {};
    const std::wstring text = std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
                              std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
                              std::to_wstring(HIWORD(info->dwFileVersionLS));
    return std::u16string(text.begin(), text.end());
}

} // namespace zel
