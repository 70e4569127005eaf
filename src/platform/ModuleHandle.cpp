#include "platform/ModuleHandle.h"

#include "platform/WideText.h"

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
    const HMODULE module = ThisModule();
    return GrowBuffer([module](wchar_t* buffer, DWORD capacity) { return GetModuleFileNameW(module, buffer, capacity); });
}

} // namespace zel
