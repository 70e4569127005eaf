#include "addin/ModuleHandle.h"

namespace zel {
namespace {
HMODULE GModule = nullptr;
}

HMODULE ThisModule() noexcept
{
    if (!GModule) {
        HMODULE found = nullptr;
        // The module that holds this function's code, whether DLL or program.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ThisModule), &found);
        return found;
    }
    return GModule;
}

void SetThisModule(HMODULE module) noexcept
{
    GModule = module;
}

std::wstring ThisModuleFileName()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace zel
