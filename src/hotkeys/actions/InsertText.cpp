#include "hotkeys/actions/InsertText.h"

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

} // namespace

void InsertText(IDispatch* nameSpace, std::u16string_view text)
{
    ComPtr<IDispatch> safeInspector = NewSafeInspector();
    OlePut(safeInspector.Get(), L"Item", OleCall(OleGet(nameSpace, L"Application"), L"ActiveInspector"));
    OlePut(safeInspector.Get(), L"SelText", TOleVariant(text));
}

} // namespace zel
