#include "hotkeys/actions/SwitchToFolder.h"

#include "outlook/FolderPath.h"
#include "outlook/LateBinding.h"

namespace zel {

void SwitchToFolder(IDispatch* nameSpace, std::u16string_view path)
{
    ComPtr<IDispatch> folder = FindFolderByPath(nameSpace, path);
    // A path that names no folder leaves every explorer as it is.
    if (!folder)
        return;
    OlePut(OleCall(OleGet(nameSpace, L"Application"), L"ActiveExplorer"), L"CurrentFolder", TOleVariant(folder.Get()));
    // The explorer now shows the folder; bring it to the front. (A folder's Display would open
    // one more explorer window on every press.)
    OleCall(OleCall(OleGet(nameSpace, L"Application"), L"ActiveExplorer"), L"Activate");
}

} // namespace zel
