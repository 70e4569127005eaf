// The action "Switch To Folder" against Outlook, fetching what it needs at the moment of the press.
// Failures raise (EOleSysError, EIntfCastError, ...); the dispatch catches them.
#pragma once

#include <string_view>

#include <oaidl.h>

namespace zel {

// Makes the active explorer show the folder the path names (FindFolderByPath), then brings the
// active explorer to the front; no window is opened. A path that names no folder touches no
// explorer; without an active explorer nothing changes (the call raises).
void SwitchToFolder(IDispatch* nameSpace, std::u16string_view path);

} // namespace zel
