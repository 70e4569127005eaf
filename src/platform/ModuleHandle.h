// The add-in module's own handle and file path (the DLL, or the test program that links the code).
#pragma once

#include <string>
#include <windows.h>

namespace zel {

// The module that contains this code: set by DllMain in the DLL, the program itself otherwise.
HMODULE ThisModule() noexcept;
void SetThisModule(HMODULE module) noexcept;
// The full path of ThisModule()'s file.
std::wstring ThisModuleFileName();

} // namespace zel
