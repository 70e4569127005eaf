// Code address → location, from the address table shipped beside the module that contains the
// address ("<module path without extension>.dbginfo"). Each module's table is read once, at its
// first lookup, and kept.
#include "diagnostics/AddressTable.h"
#include "platform/FileAccess.h"
#include "platform/Exceptions.h"
#include "diagnostics/ZelDebug.h"
#include "platform/WideText.h"

#include <windows.h>

#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

namespace zel {
namespace {

struct TModuleTable {
    HMODULE Module;
    std::wstring FileName;
    std::unique_ptr<TAddressTable> Table; // nullptr: no table beside the module
};

std::mutex GTablesLock;
std::vector<TModuleTable>* GTables = nullptr;

std::wstring ModuleFileName(HMODULE module)
{
    return GrowBuffer([module](wchar_t* buffer, DWORD capacity) { return GetModuleFileNameW(module, buffer, capacity); });
}

std::unique_ptr<TAddressTable> LoadTable(const std::wstring& moduleFile)
{
    // The module's path with ".dbginfo" for its extension.
    std::wstring path = moduleFile;
    const size_t dot = path.find_last_of(L'.');
    const size_t separator = path.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator))
        path.erase(dot);
    path += L".dbginfo";
    std::string text;
    if (!ReadWholeFile(path, text))
        return nullptr;
    auto table = std::make_unique<TAddressTable>();
    if (!table->Parse(text))
        return nullptr;
    return table;
}

const TModuleTable& TableOf(HMODULE module)
{
    if (!GTables)
        GTables = new std::vector<TModuleTable>();
    for (const auto& entry : *GTables)
        if (entry.Module == module)
            return entry;
    TModuleTable entry{module, ModuleFileName(module), nullptr};
    entry.Table = LoadTable(entry.FileName);
    GTables->push_back(std::move(entry));
    return GTables->back();
}

} // namespace

TJclLocationInfo GetLocationInfo(const void* address) noexcept
{
    TJclLocationInfo info;
    info.Address = address;
    try {
        HMODULE module = nullptr;
        if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                            static_cast<LPCWSTR>(address), &module))
            return info;
        std::lock_guard<std::mutex> lock(GTablesLock);
        const TModuleTable& entry = TableOf(module);
        auto rva = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module));
        if (entry.Table && entry.Table->Lookup(rva, info)) {
            info.DebugInfo = entry.Table.get();
            info.BinaryFileName = ToUtf8(AsU16(entry.FileName));
        }
    } catch (...) {
        TJclLocationInfo empty;
        empty.Address = address;
        return empty;
    }
    return info;
}

} // namespace zel
