#include "outlook/LateBinding.h"

#include "platform/Exceptions.h"
#include "platform/WideText.h"

#include <string>
#include <vector>

namespace zel {

namespace {

// The BSTRs of an EXCEPINFO belong to the caller once Invoke returns.
struct TExcepInfo {
    EXCEPINFO Info{};
    ~TExcepInfo()
    {
        SysFreeString(Info.bstrSource);
        SysFreeString(Info.bstrDescription);
        SysFreeString(Info.bstrHelpFile);
    }
};

IDispatch* TargetOf(const TOleVariant& target, ComPtr<IDispatch>& holder)
{
    holder = target.AsDispatch();
    if (!holder)
        RaiseOleError(E_POINTER);
    return holder.Get();
}

// The DISPIDs of the member and of the named arguments, looked up by name.
std::vector<DISPID> MemberIds(IDispatch* target, std::wstring_view name, std::span<const TNamedArg> named)
{
    if (!target)
        RaiseOleError(E_POINTER);
    // Names: the member first, then each named argument.
    std::vector<std::wstring> names;
    names.reserve(1 + named.size());
    names.emplace_back(name);
    for (const TNamedArg& arg : named)
        names.emplace_back(arg.Name);
    std::vector<LPOLESTR> namePtrs;
    namePtrs.reserve(names.size());
    for (std::wstring& n : names)
        namePtrs.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const HRESULT hr = target->GetIDsOfNames(IID_NULL, namePtrs.data(), static_cast<UINT>(namePtrs.size()),
                                             LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr))
        RaiseOleError(hr);
    return ids;
}

// One Invoke of a member whose DISPIDs are known, reporting a failure instead of raising it:
// the result is the HRESULT, for DISP_E_EXCEPTION the callee's own code when it gave one; excep
// then holds the callee's description.
HRESULT TryInvoke(IDispatch* target, const std::vector<DISPID>& ids, WORD flags, std::span<const TOleVariant> args,
                  std::span<const TNamedArg> named, TOleVariant& result, TExcepInfo& excep)
{
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    // rgvarg holds the named arguments first (matching rgdispidNamedArgs), then the positional
    // ones in reverse order. The entries are shallow copies: the caller's TOleVariants own them.
    std::vector<VARIANT> rgvarg;
    std::vector<DISPID> namedIds;
    rgvarg.reserve(args.size() + named.size());
    for (size_t i = 0; i < named.size(); ++i) {
        rgvarg.push_back(named[i].Value.Get());
        namedIds.push_back(ids[1 + i]);
    }
    for (size_t i = args.size(); i-- > 0;)
        rgvarg.push_back(args[i].Get());
    if (isPut) {
        // The new value is the named argument DISPID_PROPERTYPUT, by convention the first entry.
        namedIds.insert(namedIds.begin(), DISPID_PROPERTYPUT);
    }

    DISPPARAMS params{};
    params.rgvarg = rgvarg.empty() ? nullptr : rgvarg.data();
    params.cArgs = static_cast<UINT>(rgvarg.size());
    params.rgdispidNamedArgs = namedIds.empty() ? nullptr : namedIds.data();
    params.cNamedArgs = static_cast<UINT>(namedIds.size());

    UINT argErr = 0;
    HRESULT hr = target->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                isPut ? nullptr : result.Receive(), &excep.Info, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (excep.Info.pfnDeferredFillIn)
            excep.Info.pfnDeferredFillIn(&excep.Info);
        if (excep.Info.scode != 0 && FAILED(excep.Info.scode))
            hr = excep.Info.scode;
    } else if (excep.Info.bstrDescription) {
        // Only an exception of the callee describes the failure.
        SysFreeString(excep.Info.bstrDescription);
        excep.Info.bstrDescription = nullptr;
    }
    return hr;
}

[[noreturn]] void RaiseInvokeError(HRESULT hr, const TExcepInfo& excep)
{
    const BSTR description = excep.Info.bstrDescription;
    RaiseOleError(hr, description ? std::wstring_view(description, SysStringLen(description)) : std::wstring_view());
}

} // namespace

void RaiseOleError(HRESULT hr, std::wstring_view description)
{
    std::u16string message = HResultText(hr);
    if (!description.empty()) {
        message += u": ";
        message += AsU16(description);
    }
    throw EOleSysError(std::move(message), hr);
}

void RaiseIntfCastError()
{
    throw EIntfCastError(u"Interface not supported");
}

TOleVariant OleInvoke(IDispatch* target, std::wstring_view name, WORD flags, std::span<const TOleVariant> args,
                      std::span<const TNamedArg> named)
{
    const std::vector<DISPID> ids = MemberIds(target, name, named);
    TOleVariant result;
    TExcepInfo excep;
    if (const HRESULT hr = TryInvoke(target, ids, flags, args, named, result, excep); FAILED(hr))
        RaiseInvokeError(hr, excep);
    return result;
}

TOleVariant OleGet(IDispatch* target, std::wstring_view name, std::initializer_list<TOleVariant> args)
{
    return OleInvoke(target, name, DISPATCH_PROPERTYGET, std::span<const TOleVariant>(args.begin(), args.size()), {});
}

TOleVariant OleGet(const TOleVariant& target, std::wstring_view name, std::initializer_list<TOleVariant> args)
{
    ComPtr<IDispatch> holder;
    return OleGet(TargetOf(target, holder), name, args);
}

void OlePut(IDispatch* target, std::wstring_view name, const TOleVariant& value)
{
    const std::vector<DISPID> ids = MemberIds(target, name, {});
    const std::span<const TOleVariant> args(&value, 1);
    TOleVariant unused;
    const VARTYPE vt = value.Type() & ~VT_BYREF;
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        // A callee whose property is declared by value refuses the put by reference as an
        // unknown member: that answer is no failure, and raises nothing.
        TExcepInfo excep;
        const HRESULT hr = TryInvoke(target, ids, DISPATCH_PROPERTYPUTREF, args, {}, unused, excep);
        if (SUCCEEDED(hr))
            return;
        if (hr != DISP_E_MEMBERNOTFOUND)
            RaiseInvokeError(hr, excep);
    }
    TExcepInfo excep;
    if (const HRESULT hr = TryInvoke(target, ids, DISPATCH_PROPERTYPUT, args, {}, unused, excep); FAILED(hr))
        RaiseInvokeError(hr, excep);
}

void OlePut(const TOleVariant& target, std::wstring_view name, const TOleVariant& value)
{
    ComPtr<IDispatch> holder;
    OlePut(TargetOf(target, holder), name, value);
}

TOleVariant OleCall(IDispatch* target, std::wstring_view name, std::initializer_list<TOleVariant> args,
                    std::initializer_list<TNamedArg> named)
{
    return OleInvoke(target, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                     std::span<const TOleVariant>(args.begin(), args.size()),
                     std::span<const TNamedArg>(named.begin(), named.size()));
}

TOleVariant OleCall(const TOleVariant& target, std::wstring_view name, std::initializer_list<TOleVariant> args,
                    std::initializer_list<TNamedArg> named)
{
    ComPtr<IDispatch> holder;
    return OleCall(TargetOf(target, holder), name, args, named);
}

} // namespace zel
