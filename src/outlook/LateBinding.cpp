#include "outlook/LateBinding.h"

#include "platform/Exceptions.h"

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

} // namespace

void RaiseOleError(HRESULT hr, std::wstring_view description)
{
    std::u16string message = HResultText(hr);
    if (!description.empty()) {
        message += u": ";
        message.append(reinterpret_cast<const char16_t*>(description.data()), description.size());
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
    if (!target)
        RaiseOleError(E_POINTER);

    // Names: the member first, then each named argument.
    std::vector<std::wstring> names;
    names.reserve(1 + named.size());
    names.emplace_back(name);
    for (const TNamedArg& arg : named)
        names.emplace_back(arg.Name);
    std::vector<LPOLESTR> namePtrs;
    for (std::wstring& n : names)
        namePtrs.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    HRESULT hr = target->GetIDsOfNames(IID_NULL, namePtrs.data(), static_cast<UINT>(namePtrs.size()),
                                       LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr))
        RaiseOleError(hr);

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

    TOleVariant result;
    TExcepInfo excep;
    UINT argErr = 0;
    hr = target->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, isPut ? nullptr : result.Receive(),
                        &excep.Info, &argErr);
    if (FAILED(hr)) {
        std::wstring_view description;
        if (hr == DISP_E_EXCEPTION) {
            if (excep.Info.pfnDeferredFillIn)
                excep.Info.pfnDeferredFillIn(&excep.Info);
            if (excep.Info.scode != 0 && FAILED(excep.Info.scode))
                hr = excep.Info.scode;
            if (excep.Info.bstrDescription)
                description = std::wstring_view(excep.Info.bstrDescription, SysStringLen(excep.Info.bstrDescription));
        }
        RaiseOleError(hr, description);
    }
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
    const std::span<const TOleVariant> args(&value, 1);
    const VARTYPE vt = value.Type() & ~VT_BYREF;
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        try {
            OleInvoke(target, name, DISPATCH_PROPERTYPUTREF, args, {});
            return;
        } catch (const EOleSysError& e) {
            if (e.ErrorCode() != DISP_E_MEMBERNOTFOUND)
                throw;
        }
    }
    OleInvoke(target, name, DISPATCH_PROPERTYPUT, args, {});
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
