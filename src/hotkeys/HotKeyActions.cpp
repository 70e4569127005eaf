#include "hotkeys/HotKeyActions.h"
#include "outlook/FolderPath.h"
#include "mapi/RedemptionIds.h"
#include "outlook/LateBinding.h"

namespace zel {

namespace {

// A new safe inspector by ordinary COM activation from its ProgID, asked for its automation
// interface, then for ISafeInspector.
ComPtr<IDispatch> NewSafeInspector()
{
    CLSID classId{};
    OleCheck(CLSIDFromProgID(L"zelre.SafeInspector", &classId));
    ComPtr<IDispatch> created;
    OleCheck(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(created.GetAddressOf())));
    return QueryIntf<IDispatch>(created.Get(), redemption::IID_ISafeInspector);
}

TOleVariant Application(IDispatch* nameSpace)
{
    return OleGet(nameSpace, L"Application");
}

} // namespace

void InsertText(IDispatch* nameSpace, std::u16string_view text)
{
    ComPtr<IDispatch> safeInspector = NewSafeInspector();
    OlePut(safeInspector.Get(), L"Item", OleCall(Application(nameSpace), L"ActiveInspector"));
    OlePut(safeInspector.Get(), L"SelText", TOleVariant(text));
}

void SwitchToFolder(IDispatch* nameSpace, std::u16string_view path)
{
    ComPtr<IDispatch> folder = FindFolderByPath(nameSpace, path);
    // A path that names no folder leaves every explorer as it is.
    if (!folder)
        return;
    OlePut(OleCall(Application(nameSpace), L"ActiveExplorer"), L"CurrentFolder", TOleVariant(folder.Get()));
    // The explorer now shows the folder; bring it to the front. (A folder's Display would open
    // one more explorer window on every press.)
    OleCall(OleCall(Application(nameSpace), L"ActiveExplorer"), L"Activate");
}

} // namespace zel
