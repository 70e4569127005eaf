// The failures of the extended-MAPI library loader: their texts and exception classes.
// Portable, so that the exact messages are tested natively; the loader raises through these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

// The HRESULT with which a class factory says the library and the process differ in bitness.
inline constexpr std::int32_t CO_E_WRONGOSFORAPP_HR = static_cast<std::int32_t>(0x800401FAu);

// The folder part of a module's full file name: the text up to, not including, its last
// backslash; empty when there is no backslash.
std::u16string FolderOfFileName(std::u16string_view fileName);

// The library could not be loaded: "Could not load "<path>": <system message>" (Exception).
// The system message is passed unchanged, with the line break it ends with.
[[noreturn]] void RaiseLoadLibraryError(std::u16string_view path, std::u16string_view systemMessage);
// The library has no "DllGetClassObject" export (Exception).
[[noreturn]] void RaiseExportMissing();
// The library's DllGetClassObject answered a failure code (EOleSysError without error code).
[[noreturn]] void RaiseDllGetClassObjectFailed(std::int32_t hr);
// The class factory's CreateInstance answered a failure code (EOleSysError carrying it).
[[noreturn]] void RaiseCreateInstanceFailed(std::int32_t hr);
// The new object does not answer the interface asked for (EIntfCastError).
[[noreturn]] void RaiseInterfaceNotSupported();

} // namespace zel
