#include "outlook/uOutlookEvents.h"

#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "outlook/LateBinding.h"
#include "outlook/OutlookIds.h"

#include <cstring>

#include <olectl.h>

namespace zel {

namespace {

// Stores value through the reference that ref carries (ref.vt has VT_BYREF), converted to the
// referenced type. A value that already is the same reference needs nothing.
void WriteThroughReference(const VARIANT& ref, const VARIANT& value)
{
    const VARTYPE target = ref.vt & ~VT_BYREF;
    if (!ref.byref || (value.vt == ref.vt && value.byref == ref.byref))
        return;
    if (target == VT_VARIANT) {
        OleCheck(VariantCopyInd(ref.pvarVal, const_cast<VARIANT*>(&value)));
        return;
    }
    TOleVariant converted;
    TOleVariant plain = CopyDereferenced(value);
    OleCheck(VariantChangeType(converted.Ptr(), plain.Ptr(), 0, target));
    VARIANT raw = converted.Detach();
    switch (target) {
    case VT_BSTR:
        SysFreeString(*ref.pbstrVal);
        *ref.pbstrVal = raw.bstrVal;
        return;
    case VT_DISPATCH:
        if (*ref.ppdispVal)
            (*ref.ppdispVal)->Release();
        *ref.ppdispVal = raw.pdispVal;
        return;
    case VT_UNKNOWN:
        if (*ref.ppunkVal)
            (*ref.ppunkVal)->Release();
        *ref.ppunkVal = raw.punkVal;
        return;
    case VT_BOOL: *ref.pboolVal = raw.boolVal; return;
    case VT_I1: case VT_UI1: std::memcpy(ref.byref, &raw.bVal, 1); return;
    case VT_I2: case VT_UI2: std::memcpy(ref.byref, &raw.iVal, 2); return;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR: case VT_R4:
        std::memcpy(ref.byref, &raw.lVal, 4); return;
    case VT_I8: case VT_UI8: case VT_R8: case VT_DATE: case VT_CY:
        std::memcpy(ref.byref, &raw.llVal, 8); return;
    default:
        VariantClear(&raw); // a kind of reference the events never carry: left as it was
        return;
    }
}

// Params[index], checked: an event with fewer arguments than declared is a failure.
TOleVariant& Param(std::vector<TOleVariant>& params, size_t index)
{
    if (index >= params.size())
        RaiseOleError(DISP_E_BADPARAMCOUNT);
    return params[index];
}

// The Cancel/CancelDefault protocol: the callback gets a local 16-bit boolean with the value of
// Params[index]; afterwards the local value goes back into Params[index] as a boolean variant.
template <class F>
void WithCancel(std::vector<TOleVariant>& params, size_t index, F&& call)
{
    VARIANT_BOOL cancel = Param(params, index).AsBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
    call(cancel);
    params[index] = TOleVariant(cancel != 0);
}

ComPtr<IDispatch> QueriedParam(std::vector<TOleVariant>& params, size_t index, const IID& iid)
{
    ComPtr<IDispatch> object = Param(params, index).AsDispatch();
    return QueryIntf<IDispatch>(object.Get(), iid);
}

} // namespace

// ---- TServerEventDispatch

STDMETHODIMP TServerEventDispatch::QueryInterface(REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (FServer && riid == FServer->ServerData().EventIID)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TServerEventDispatch::AddRef() noexcept
{
    if (FServer)
        ++FServer->FSinkRefs;
    return ++FRefCount;
}

STDMETHODIMP_(ULONG) TServerEventDispatch::Release() noexcept
{
    if (FServer)
        --FServer->FSinkRefs;
    const ULONG count = --FRefCount;
    if (count == 0)
        delete this;
    return count;
}

STDMETHODIMP TServerEventDispatch::GetTypeInfoCount(UINT* pctinfo) noexcept
{
    if (pctinfo)
        *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP TServerEventDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) noexcept
{
    if (ppTInfo)
        *ppTInfo = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TServerEventDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept
{
    return E_NOTIMPL;
}

STDMETHODIMP TServerEventDispatch::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams,
                                          VARIANT*, EXCEPINFO*, UINT*) noexcept
{
    // The wrapper may let go of the sink (Unadvise from its own OnClose): stay alive until the end.
    ComPtr<IDispatch> keepAlive(this);
    if (!pDispParams || (pDispParams->cArgs && !pDispParams->rgvarg))
        return S_OK;
    try {
        const UINT count = pDispParams->cArgs;
        std::vector<TOleVariant> params;
        params.reserve(count);
        // Declared order: the first declared parameter is the last entry of rgvarg. Copies of
        // by-reference arguments stay references.
        for (UINT i = 0; i < count; ++i) {
            TOleVariant copy;
            OleCheck(VariantCopy(copy.Ptr(), &pDispParams->rgvarg[count - 1 - i]));
            params.push_back(std::move(copy));
        }
        if (!FServer)
            return S_OK;
        FServer->DispatchEvent(dispIdMember, params);
        // From here on the wrapper may be gone; only the local array is used.
        for (UINT j = 0; j < count; ++j) {
            const VARIANT& arg = pDispParams->rgvarg[j];
            if (arg.vt & VT_BYREF)
                WriteThroughReference(arg, params[count - 1 - j].Get());
        }
    }
    // Nothing crosses into Outlook. The exception notifier saw the raise when it happened; the
    // event simply has no effect beyond what the callback did before failing.
    ZEL_CATCH_SILENT_RETURN(S_OK)
    return S_OK;
}

// ---- TOutlookServer

namespace {

// A failed step of attaching or detaching changes nothing (the object is held without events, a
// connection whose Unadvise failed is let go all the same), but it is raised and caught here, so
// that the exception notifier writes it to error.log: a window whose Close never arrives, or a
// sink that Outlook keeps calling, must not go unnoticed.
void NoteConnectionFailure(HRESULT hr, std::wstring_view step) noexcept
try {
    RaiseOleError(FAILED(hr) ? hr : E_POINTER, std::wstring(step) + L" failed: the object's events do not arrive");
} catch (...) {
}

} // namespace

TOutlookServer::TOutlookServer(const TServerData& serverData, IUnknown* svrIntf)
    : FServerData(&serverData), FEventDispatch(new TServerEventDispatch(this))
{
    try {
        ConnectTo(svrIntf);
    } catch (...) {
        FEventDispatch->DetachServer();
        FEventDispatch->Release();
        throw;
    }
}

TOutlookServer::~TOutlookServer()
{
    Disconnect();
    FEventDispatch->DetachServer();
    FEventDispatch->Release();
}

void TOutlookServer::ConnectTo(IUnknown* svrIntf)
{
    // Held before anything is let go: svrIntf may be the object attached now, whose only
    // reference may be the one that Disconnect releases.
    ComPtr<IUnknown> next(svrIntf);
    Disconnect();
    FIntf = std::move(next);
    if (!FIntf)
        return;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(FIntf.As(&container)) || !container)
        return; // an object without events to send
    ComPtr<IConnectionPoint> point;
    if (const HRESULT hr = container->FindConnectionPoint(FServerData->EventIID, &point); FAILED(hr) || !point) {
        if (hr != CONNECT_E_NOCONNECTION) // not an object that sends these events: a failure
            NoteConnectionFailure(hr, L"FindConnectionPoint");
        return;
    }
    DWORD cookie = 0;
    if (const HRESULT hr = point->Advise(static_cast<IDispatch*>(FEventDispatch), &cookie); SUCCEEDED(hr))
        FCookie = cookie;
    else
        NoteConnectionFailure(hr, L"Advise");
}

void TOutlookServer::Disconnect() noexcept
{
    if (!FIntf)
        return;
    if (FCookie != 0) {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        HRESULT hr = FIntf.As(&container);
        if (SUCCEEDED(hr) && container)
            hr = container->FindConnectionPoint(FServerData->EventIID, &point);
        if (SUCCEEDED(hr) && point)
            hr = point->Unadvise(FCookie);
        if (SUCCEEDED(hr) && point)
            FCookie = 0;
        else
            NoteConnectionFailure(hr, L"Unadvise");
    }
    FIntf.Reset();
}

void TOutlookServer::Connect()
{
    if (FIntf)
        return;
    ComPtr<IUnknown> running;
    OleCheck(GetActiveObject(FServerData->ClassID, nullptr, &running));
    ConnectTo(running.Get());
}

bool TOutlookServer::Connected() const noexcept
{
    ComPtr<IConnectionPointContainer> container;
    return FIntf && SUCCEEDED(FIntf.As(&container)) && container;
}

void TOutlookServer::DispatchEvent(DISPID, std::vector<TOleVariant>&) {}

// ---- the wrappers

const TServerData TOutlookExplorer::ServerDataOf{CLSID_Explorer, IID__Explorer, DIID_ExplorerEvents};
const TServerData TOutlookExplorers::ServerDataOf{CLSID_Explorers, IID__Explorers, DIID_ExplorersEvents};
const TServerData TOutlookInspector::ServerDataOf{CLSID_Inspector, IID__Inspector, DIID_InspectorEvents};
const TServerData TOutlookInspectors::ServerDataOf{CLSID_Inspectors, IID__Inspectors, DIID_InspectorsEvents};
const TServerData TOutlookCommandBarButton::ServerDataOf{CLSID_CommandBarButton, IID__CommandBarButton,
                                                         DIID__CommandBarButtonEvents};

TOutlookExplorer::TOutlookExplorer(IUnknown* svrIntf) : TOutlookServer(ServerDataOf, svrIntf) {}
TOutlookExplorers::TOutlookExplorers(IUnknown* svrIntf) : TOutlookServer(ServerDataOf, svrIntf) {}
TOutlookInspector::TOutlookInspector(IUnknown* svrIntf) : TOutlookServer(ServerDataOf, svrIntf) {}
TOutlookInspectors::TOutlookInspectors(IUnknown* svrIntf) : TOutlookServer(ServerDataOf, svrIntf) {}
TOutlookCommandBarButton::TOutlookCommandBarButton(IUnknown* svrIntf) : TOutlookServer(ServerDataOf, svrIntf) {}

void TOutlookExplorer::DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params)
{
    // Each callback is copied before the call: the handler may destroy this wrapper.
    auto notify = [this](const TNotifyEvent& event) {
        if (event) {
            TNotifyEvent call = event;
            call(this);
        }
    };
    switch (DispID) {
    case dispid::ExplorerActivate: notify(OnActivate); break;
    case dispid::ExplorerFolderSwitch: notify(OnFolderSwitch); break;
    case dispid::ExplorerBeforeFolderSwitch:
        if (OnBeforeFolderSwitch) {
            TBeforeFolderSwitchEvent call = OnBeforeFolderSwitch;
            ComPtr<IDispatch> folder = Param(Params, 0).AsDispatch();
            WithCancel(Params, 1, [&](VARIANT_BOOL& cancel) { call(this, folder.Get(), cancel); });
        }
        break;
    case dispid::ExplorerViewSwitch: notify(OnViewSwitch); break;
    case dispid::ExplorerBeforeViewSwitch:
        if (OnBeforeViewSwitch) {
            // A view passed as something else than an object (Outlook passes a view name in some
            // versions) fails the conversion like any other non-object argument.
            TBeforeViewSwitchEvent call = OnBeforeViewSwitch;
            ComPtr<IDispatch> view = Param(Params, 0).AsDispatch();
            WithCancel(Params, 1, [&](VARIANT_BOOL& cancel) { call(this, view.Get(), cancel); });
        }
        break;
    case dispid::ExplorerDeactivate: notify(OnDeactivate); break;
    case dispid::ExplorerSelectionChange: notify(OnSelectionChange); break;
    case dispid::ExplorerClose: notify(OnClose); break;
    default: break;
    }
}

void TOutlookExplorers::DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params)
{
    if (DispID == dispid::NewExplorer && OnNewExplorer) {
        TNewExplorerEvent call = OnNewExplorer;
        ComPtr<IDispatch> explorer = QueriedParam(Params, 0, IID__Explorer);
        call(this, explorer.Get());
    }
}

void TOutlookInspector::DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params)
{
    (void)Params;
    const TInspectorEvent* event = nullptr;
    switch (DispID) {
    case dispid::InspectorActivate: event = &OnActivate; break;
    case dispid::InspectorDeactivate: event = &OnDeactivate; break;
    case dispid::InspectorClose: event = &OnClose; break;
    default: return;
    }
    if (*event) {
        TInspectorEvent call = *event;
        call(this);
    }
}

void TOutlookInspectors::DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params)
{
    if (DispID == dispid::NewInspector && OnNewInspector) {
        TNewInspectorEvent call = OnNewInspector;
        ComPtr<IDispatch> inspector = QueriedParam(Params, 0, IID__Inspector);
        call(this, inspector.Get());
    }
}

void TOutlookCommandBarButton::DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params)
{
    if (DispID == dispid::CommandBarButtonClick && OnClick) {
        TCommandBarButtonClickEvent call = OnClick;
        ComPtr<IDispatch> ctrl = QueriedParam(Params, 0, IID__CommandBarButton);
        WithCancel(Params, 1, [&](VARIANT_BOOL& cancel) { call(this, ctrl.Get(), cancel); });
    }
}

} // namespace zel
