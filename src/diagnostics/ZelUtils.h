// Helpers of the add-in shared by its windows.
#pragma once

#include <string>
#include <string_view>

namespace zel {

class TJvLogFile;
class TXMLFileStorage;

// Prepares the per-user data folder: creates Folder with all missing parent folders, binds the
// log to Folder + "\error.log" with automatic saving, and binds the store to
// Folder + "\config.xml", which reads that file at once. Folder is a Windows path ("\"
// separators; natively "/" works too). Raises EOSError when the folder cannot be created, and
// the store's Exception when config.xml cannot be read.
void SetupDataFiles(const std::u16string& Folder, TJvLogFile* Log, TXMLFileStorage* Store);

// The add-in module's file version as "major.minor.release" (the build number left out), from
// the fixed part of its version resource; empty when the module has none.
std::u16string GetModuleVersion();

} // namespace zel
