// The action "Insert Text" against Outlook, fetching what it needs at the moment of the press.
// Failures raise (EOleSysError, EIntfCastError, ...); the dispatch catches them.
#pragma once

#include <string_view>

#include <oaidl.h>

namespace zel {

// Inserts the text, unchanged, at the caret of the message open in the application's active
// inspector, through a new safe inspector of the extended-MAPI library created from its ProgID
// "zelre.SafeInspector" (released again at the end).
void InsertText(IDispatch* nameSpace, std::u16string_view text);

} // namespace zel
