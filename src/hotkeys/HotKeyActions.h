// The actions "Insert Text" and "Switch To Folder" against Outlook, each fetching what it needs at
// the moment of the press. Failures raise (EOleSysError, EIntfCastError, ...); the dispatch
// catches them.
#pragma once

#include <string_view>

#include <oaidl.h>

namespace zel {

// Inserts the text, unchanged, at the caret of the message open in the application's active
// inspector, through a new safe inspector of the extended-MAPI library created from its ProgID
// "zelre.SafeInspector" (released again at the end).
void InsertText(IDispatch* nameSpace, std::u16string_view text);

// Makes the active explorer show the folder the path names (FindFolderByPath), then brings the
// active explorer to the front; no window is opened. A path that names no folder touches no
// explorer; without an active explorer nothing changes (the call raises).
void SwitchToFolder(IDispatch* nameSpace, std::u16string_view path);

} // namespace zel
