// Where the add-in finds its private copy of the extended-MAPI library: the Common Files folder
// of the process's own registry view followed by "\Zelkor\zelre.dll" (a 64-bit process reads the
// 64-bit folder, so both builds use the same relative name), or, when no file is there, the copy
// beside the add-in DLL.
#pragma once

#include <string>

namespace zel {

// The value "CommonFilesDir" under HKEY_LOCAL_MACHINE
// "SOFTWARE\Microsoft\Windows\CurrentVersion", without a trailing separator; empty when absent.
std::wstring CommonFilesFolder();
// The path the loader is given for this process's bitness.
std::wstring PrivateLibraryPath();

} // namespace zel
