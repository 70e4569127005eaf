#include "standins/common/StandinObject.h"

#include "platform/Boundary.h"
#include "standins/common/OutsideCalls.h"
#include "platform/Exceptions.h"

#include <algorithm>
#include <cwctype>
#include <new>
#include <stdexcept>

namespace zel::standin {

namespace {

long GLiveObjects = 0;

std::map<std::wstring, HRESULT>& GlobalFailures()
{
    static std::map<std::wstring, HRESULT> failures;
    return failures;
}

std::wstring Folded(std::wstring_view name)
{
    std::wstring s(name);
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(towupper(c));
    return s;
}

// Runs a member handler, turning every failure into an HRESULT for the caller: a stand-in's
// own error with its description in the EXCEPINFO, anything else through the one boundary
// (which must be the outer try, its marker the first handler of the frame).
template <class F>
HRESULT Guarded(F&& body, EXCEPINFO* excep) noexcept
try {
    try {
        body();
        return S_OK;
    } catch (const TStandinError& e) {
        return ReportInvokeFailure(e.Code(), e.Description(), excep);
    }
}
ZEL_CATCH_RETURN_HRESULT

// The call recorded, and the fault planned for a call that is no IDispatch member (connection
// points): its failure code, S_FALSE for a null object where the call answers one, S_OK for none.
HRESULT PlannedFailure(const std::wstring& call, bool objectAnswer, const void* returnAddress) noexcept
try {
    if (!IsOutsideCaller(returnAddress))
        return S_OK;
    RecordOutsideCall(call, objectAnswer);
    const TFaultKind fault = PlannedFault(call);
    if (fault == TFaultKind::None || (fault == TFaultKind::Null && !objectAnswer))
        return S_OK;
    RecordFault(call, fault);
    return fault == TFaultKind::Error ? InjectedFaultCode : fault == TFaultKind::Null ? S_FALSE : E_UNEXPECTED;
} catch (...) {
    return E_UNEXPECTED;
}

} // namespace

// {EE25E128-D512-412E-930D-DB47440878AF}
const IID IID_IStandinSelf = {0xee25e128, 0xd512, 0x412e, {0x93, 0x0d, 0xdb, 0x47, 0x44, 0x08, 0x78, 0xaf}};

long LiveStandinObjects() noexcept { return GLiveObjects; }

void InjectFailure(std::wstring_view member, HRESULT hr)
{
    if (hr == S_OK)
        GlobalFailures().erase(Folded(member));
    else
        GlobalFailures()[Folded(member)] = hr;
}

void ClearInjectedFailures() { GlobalFailures().clear(); }

bool SameName(std::wstring_view a, std::wstring_view b) noexcept
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return towupper(x) == towupper(y); });
}

HRESULT ReportInvokeFailure(HRESULT code, std::wstring_view description, EXCEPINFO* excep) noexcept
{
    if (!excep)
        return code;
    *excep = EXCEPINFO{};
    excep->scode = code;
    excep->bstrSource = SysAllocString(L"Stand-in");
    if (!description.empty())
        excep->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    return DISP_E_EXCEPTION;
}

// ---- TCallArgs

bool TCallArgs::Given(size_t i) const noexcept
{
    if (i >= FSlots.size() || !FSlots[i])
        return false;
    const VARIANT& v = *FSlots[i];
    return !(v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

const VARIANT& TCallArgs::Arg(size_t i) const
{
    if (!Given(i))
        throw TStandinError(DISP_E_PARAMNOTFOUND);
    return *FSlots[i];
}

std::wstring TCallArgs::String(size_t i) const { return CopyDereferenced(Arg(i)).AsString(); }
std::int32_t TCallArgs::Int(size_t i) const { return CopyDereferenced(Arg(i)).AsInteger(); }
bool TCallArgs::Bool(size_t i) const { return CopyDereferenced(Arg(i)).AsBoolean(); }
ComPtr<IDispatch> TCallArgs::Dispatch(size_t i) const { return CopyDereferenced(Arg(i)).AsDispatch(); }

const TOleVariant& TCallArgs::Value() const
{
    if (!FHasValue)
        throw TStandinError(DISP_E_PARAMNOTFOUND);
    return FValue;
}

// ---- TConnectionPoint

STDMETHODIMP TConnectionPoint::QueryInterface(REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TConnectionPoint::AddRef() noexcept { return FOwner.AddRef(); }
STDMETHODIMP_(ULONG) TConnectionPoint::Release() noexcept { return FOwner.Release(); }

STDMETHODIMP TConnectionPoint::GetConnectionInterface(IID* pIID) noexcept
{
    if (!pIID)
        return E_POINTER;
    *pIID = FEventIid;
    return S_OK;
}

STDMETHODIMP TConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) noexcept
{
    if (!ppCPC)
        return E_POINTER;
    *ppCPC = static_cast<IConnectionPointContainer*>(&FOwner);
    FOwner.AddRef();
    return S_OK;
}

STDMETHODIMP TConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) noexcept
try {
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_POINTER;
    if (HRESULT hr = FOwner.InjectedFailure(L"Advise"); FAILED(hr))
        return hr;
    if (HRESULT hr = PlannedFailure(FOwner.TypeName() + L".Advise", false, __builtin_return_address(0)); FAILED(hr))
        return hr;
    ComPtr<IDispatch> sink;
    if (FAILED(pUnkSink->QueryInterface(FEventIid, reinterpret_cast<void**>(sink.GetAddressOf()))) || !sink)
        return CONNECT_E_CANNOTCONNECT;
    DWORD cookie = FNextCookie++;
    FSinks.emplace(cookie, std::move(sink));
    *pdwCookie = cookie;
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

STDMETHODIMP TConnectionPoint::Unadvise(DWORD dwCookie) noexcept
{
    if (HRESULT hr = FOwner.InjectedFailure(L"Unadvise"); FAILED(hr))
        return hr;
    if (HRESULT hr = PlannedFailure(FOwner.TypeName() + L".Unadvise", false, __builtin_return_address(0)); FAILED(hr))
        return hr;
    auto it = FSinks.find(dwCookie);
    if (it == FSinks.end())
        return CONNECT_E_NOCONNECTION;
    ComPtr<IDispatch> sink = std::move(it->second);
    FSinks.erase(it);
    return S_OK; // the sink is released here, after the table no longer holds it
}

STDMETHODIMP TConnectionPoint::EnumConnections(IEnumConnections** ppEnum) noexcept
{
    if (ppEnum)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}

HRESULT TConnectionPoint::Fire(DISPID dispid, std::vector<VARIANT> args)
{
    // A sink may unadvise (or release the owner's last outside reference) while it runs: work
    // on a copy of the table and keep the owner alive until the end.
    ComPtr<IUnknown> keepOwner(static_cast<IDispatch*>(&FOwner));
    std::vector<ComPtr<IDispatch>> sinks;
    for (auto& entry : FSinks)
        sinks.push_back(entry.second);
    std::reverse(args.begin(), args.end()); // rgvarg holds the last declared argument first
    HRESULT last = S_OK;
    for (auto& sink : sinks) {
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT argErr = 0;
        HRESULT hr = sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &excep, &argErr);
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        if (FAILED(hr)) {
            RecordSinkFailure(FOwner.TypeName(), dispid, hr);
            last = hr;
        }
    }
    return last;
}

// ---- TStandinObject

TStandinObject::TStandinObject(std::wstring typeName, std::initializer_list<IID> dispatchIids)
    : FTypeName(std::move(typeName)), FDispatchIids(dispatchIids)
{
    ++GLiveObjects;
}

TStandinObject::~TStandinObject() { --GLiveObjects; }

STDMETHODIMP TStandinObject::QueryInterface(REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (std::find(FRefused.begin(), FRefused.end(), riid) != FRefused.end())
        return E_NOINTERFACE;
    if (riid == IID_IUnknown || riid == IID_IDispatch ||
        std::find(FDispatchIids.begin(), FDispatchIids.end(), riid) != FDispatchIids.end()) {
        *ppv = static_cast<IDispatch*>(this);
    } else if (riid == IID_IStandinSelf) {
        *ppv = this;
    } else if (riid == IID_IConnectionPointContainer && !FConnectionPoints.empty()) {
        *ppv = static_cast<IConnectionPointContainer*>(this);
    } else {
        *ppv = QueryExtra(riid);
    }
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TStandinObject::AddRef() noexcept { return ++FRefCount; }

STDMETHODIMP_(ULONG) TStandinObject::Release() noexcept
{
    ULONG count = --FRefCount;
    if (count == 0) {
        // Hold a guard reference while the object lets go of others, which may call back.
        FRefCount = 1;
        BeforeDestroy();
        for (auto& cp : FConnectionPoints)
            cp->DropSinks();
        delete this;
    }
    return count;
}

STDMETHODIMP TStandinObject::GetTypeInfoCount(UINT* pctinfo) noexcept
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP TStandinObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) noexcept
{
    if (ppTInfo)
        *ppTInfo = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TStandinObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) noexcept
{
    if (!rgszNames || !rgDispId || cNames == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    const TMember* member = nullptr;
    for (const TMember& m : FMembers)
        if (rgszNames[0] && SameName(m.Name, rgszNames[0]))
            member = &m;
    if (!member)
        return DISP_E_UNKNOWNNAME;
    rgDispId[0] = member->Id;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        auto it = std::find_if(member->Params.begin(), member->Params.end(),
                               [&](const std::wstring& p) { return rgszNames[i] && SameName(p, rgszNames[i]); });
        if (it == member->Params.end())
            hr = DISP_E_UNKNOWNNAME;
        else
            rgDispId[i] = static_cast<DISPID>(it - member->Params.begin());
    }
    return hr;
}

TStandinObject::TMember* TStandinObject::MemberById(DISPID id) noexcept
{
    for (TMember& m : FMembers)
        if (m.Id == id)
            return &m;
    return nullptr;
}

STDMETHODIMP TStandinObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                    VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
{
    if (!pDispParams)
        return E_POINTER;
    TMember* member = MemberById(dispIdMember);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    ++member->Calls;
    // Keep the object alive through the call: a handler may drop the last outside reference.
    ComPtr<IUnknown> keepAlive(static_cast<IDispatch*>(this));
    return InvokeMember(*member, wFlags, *pDispParams, pVarResult, pExcepInfo, puArgErr,
                        IsOutsideCaller(__builtin_return_address(0)));
}

HRESULT TStandinObject::InvokeMember(const TMember& member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr, bool outside)
{
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const bool isGet = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
    // A put of a kind the property does not declare is refused as an automation server's type
    // information refuses it: the member is not found.
    const bool putByValue = (flags & DISPATCH_PROPERTYPUT) != 0 && member.PutKind != TPutKind::Reference;
    const bool putByReference = (flags & DISPATCH_PROPERTYPUTREF) != 0 && member.PutKind != TPutKind::Value;
    if ((isPut && (!member.Put || !(putByValue || putByReference))) || (!isPut && (!isGet || !member.Get)))
        return DISP_E_MEMBERNOTFOUND;
    if (params.cArgs < params.cNamedArgs || (params.cArgs && !params.rgvarg) ||
        (params.cNamedArgs && !params.rgdispidNamedArgs))
        return E_INVALIDARG;

    TCallArgs args;
    args.FByReference = isPut && !putByValue;
    HRESULT hr = Guarded([&] {
        const UINT positional = params.cArgs - params.cNamedArgs;
        args.FSlots.assign(std::max<size_t>(member.Params.size(), positional), nullptr);
        for (UINT i = 0; i < positional; ++i)
            args.FSlots[i] = &params.rgvarg[params.cArgs - 1 - i];
        for (UINT n = 0; n < params.cNamedArgs; ++n) {
            const DISPID id = params.rgdispidNamedArgs[n];
            if (id == DISPID_PROPERTYPUT && isPut) {
                args.FValue = CopyDereferenced(params.rgvarg[n]);
                args.FHasValue = true;
            } else if (id >= 0 && static_cast<size_t>(id) < member.Params.size() && !args.FSlots[id]) {
                args.FSlots[id] = &params.rgvarg[n];
            } else {
                if (argErr)
                    *argErr = n;
                throw TStandinError(DISP_E_PARAMNOTFOUND);
            }
        }
    }, nullptr);
    if (FAILED(hr))
        return hr;
    if (isPut && !args.FHasValue)
        return DISP_E_PARAMNOTFOUND;

    if (HRESULT injected = InjectedFailure(member.Name); FAILED(injected))
        return ReportInvokeFailure(injected, L"Injected failure of " + FTypeName + L"." + member.Name, excep);

    const std::wstring call = FTypeName + L"." + member.Name;
    const TFaultKind fault = outside ? PlannedFault(call) : TFaultKind::None;
    if (fault == TFaultKind::Error || fault == TFaultKind::Exception) {
        RecordOutsideCall(call, false);
        RecordFault(call, fault);
        if (fault == TFaultKind::Error)
            return ReportInvokeFailure(InjectedFaultCode, InjectedFaultDescription(call), excep);
        return Guarded([] { throw std::runtime_error("the stand-in's own code failed"); }, excep);
    }
    if (result)
        VariantInit(result);
    bool objectAnswer = false;
    const HRESULT outcome = Guarded([&] {
        if (isPut) {
            member.Put(args);
        } else {
            TOleVariant value = member.Get(args);
            objectAnswer = (value.Type() == VT_DISPATCH || value.Type() == VT_UNKNOWN) && value.AsDispatch();
            if (objectAnswer && fault == TFaultKind::Null)
                value = TOleVariant(static_cast<IDispatch*>(nullptr));
            if (result)
                *result = value.Detach();
        }
    }, excep);
    if (outside)
        RecordOutsideCall(call, objectAnswer);
    if (objectAnswer && fault == TFaultKind::Null)
        RecordFault(call, fault);
    return outcome;
}

STDMETHODIMP TStandinObject::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) noexcept
{
    if (ppEnum)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TStandinObject::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) noexcept
{
    if (!ppCP)
        return E_POINTER;
    *ppCP = nullptr;
    if (HRESULT hr = InjectedFailure(L"FindConnectionPoint"); FAILED(hr))
        return hr;
    const std::wstring call = FTypeName + L".FindConnectionPoint";
    if (HRESULT hr = PlannedFailure(call, true, __builtin_return_address(0)); hr != S_OK)
        return hr == S_FALSE ? S_OK : hr; // a null object: success without a connection point
    TConnectionPoint* cp = ConnectionPoint(riid);
    if (!cp)
        return CONNECT_E_NOCONNECTION;
    *ppCP = cp;
    cp->AddRef();
    return S_OK;
}

TConnectionPoint* TStandinObject::ConnectionPoint(const IID& eventIid) noexcept
{
    for (auto& cp : FConnectionPoints)
        if (cp->EventIid() == eventIid)
            return cp.get();
    return nullptr;
}

void TStandinObject::FailOn(std::wstring_view member, HRESULT hr)
{
    if (hr == S_OK)
        FFailures.erase(Folded(member));
    else
        FFailures[Folded(member)] = hr;
}

void TStandinObject::Refuse(const IID& iid) { FRefused.push_back(iid); }

HRESULT TStandinObject::InjectedFailure(std::wstring_view member) const
{
    const std::wstring name = Folded(member);
    if (auto it = FFailures.find(name); it != FFailures.end())
        return it->second;
    const auto& global = GlobalFailures();
    if (auto it = global.find(Folded(FTypeName) + L"." + name); it != global.end())
        return it->second;
    if (auto it = global.find(name); it != global.end())
        return it->second;
    return S_OK;
}

int TStandinObject::Calls(std::wstring_view member) const noexcept
{
    int calls = 0;
    for (const TMember& m : FMembers)
        if (SameName(m.Name, member))
            calls += m.Calls;
    return calls;
}

void TStandinObject::AddProperty(std::wstring name, THandler get, TSetter put, std::vector<std::wstring> params)
{
    const DISPID id = static_cast<DISPID>(0x100 + FMembers.size());
    FMembers.push_back(TMember{std::move(name), id, std::move(get), std::move(put), std::move(params)});
}

void TStandinObject::AddProperty(std::wstring name, THandler get, TSetter put, TPutKind putKind)
{
    AddProperty(std::move(name), std::move(get), std::move(put));
    FMembers.back().PutKind = putKind;
}

void TStandinObject::AddMethod(std::wstring name, std::vector<std::wstring> params, THandler call)
{
    AddProperty(std::move(name), std::move(call), {}, std::move(params));
}

TConnectionPoint& TStandinObject::AddConnectionPoint(const IID& eventIid)
{
    FConnectionPoints.push_back(std::make_unique<TConnectionPoint>(*this, eventIid));
    return *FConnectionPoints.back();
}

void* TStandinObject::QueryExtra(const IID&) noexcept { return nullptr; }

} // namespace zel::standin
