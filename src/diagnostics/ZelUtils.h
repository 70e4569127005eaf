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

} // namespace zel

#ifdef _WIN32
#include <oaidl.h>
#include <wrl/client.h>

namespace zel {

// The Outlook folder a backslash path names, walked by name from the namespace's stores
// (Folders.Item) down through each folder's Folders.Item: exactly two leading backslashes are
// dropped, empty parts count, and every part is passed as text, never as a position. Null when
// the path names no folder; never raises.
Microsoft::WRL::ComPtr<IDispatch> FindFolderByPath(IDispatch* nameSpace, std::u16string_view path) noexcept;

} // namespace zel
#endif
