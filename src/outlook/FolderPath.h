// Outlook folders named by a backslash path (such as "\\Personal Folders\Inbox"): the split of the
// path into folder names (portable), and the walk from the namespace's stores down to the folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

// The folder names of a backslash path: exactly two leading backslashes are dropped, then the
// path is split at every backslash, empty parts included; an empty path gives no parts.
std::vector<std::u16string> SplitFolderPath(std::u16string_view path);

} // namespace zel

#ifdef _WIN32
#include <oaidl.h>
#include <wrl/client.h>

namespace zel {

// The Outlook folder a backslash path names, walked by name from the namespace's stores
// (Folders.Item) down through each folder's Folders.Item: every part is passed as text, never
// as a position. Null when the path names no folder; never raises.
Microsoft::WRL::ComPtr<IDispatch> FindFolderByPath(IDispatch* nameSpace, std::u16string_view path) noexcept;

} // namespace zel
#endif
