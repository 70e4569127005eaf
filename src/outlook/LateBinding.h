// Late-bound calls on IDispatch objects by name: the member's DISPID is looked up with
// GetIDsOfNames, then Invoke runs it. Works against Outlook and against our stand-ins alike.
//
//   TOleVariant bars = OleGet(explorer, L"CommandBars");
//   TOleVariant bar  = OleCall(bars, L"Item", {TOleVariant(L"Standard")});
//   TOleVariant ctl  = OleCall(controls, L"Add", {},
//                              {{L"type", TOleVariant(std::int32_t{1})}, {L"Temporary", TOleVariant(true)}});
//   OlePut(ctl, L"Caption", TOleVariant(L"Zelkor Hotkeys"));
//   OleCall(obj, L"Method", {TOleVariant::NotGiven(), TOleVariant(true)});  // first one left out
//
// Positional arguments are listed in declared order; named arguments follow them by name.
// The target may be an IDispatch pointer or a TOleVariant holding an object.
// A failure (unknown name, refused call, a target that is no object) raises EOleSysError whose
// ErrorCode is the HRESULT (for DISP_E_EXCEPTION the callee's own code from EXCEPINFO, when it
// gave one) and whose message is "0x" and 8 upper-case hex digits, followed by ": " and the
// callee's EXCEPINFO description when there is one.
#pragma once

#include "outlook/OleVariant.h"

#include <initializer_list>
#include <span>
#include <string_view>

namespace zel {

struct TNamedArg {
    std::wstring_view Name;
    TOleVariant Value;
};

// Reads a property (DISPATCH_PROPERTYGET); arguments for indexed properties.
TOleVariant OleGet(IDispatch* target, std::wstring_view name, std::initializer_list<TOleVariant> args = {});
TOleVariant OleGet(const TOleVariant& target, std::wstring_view name, std::initializer_list<TOleVariant> args = {});

// Writes a property. An object value is put by reference (DISPATCH_PROPERTYPUTREF) and, when the
// callee knows no such member kind (DISP_E_MEMBERNOTFOUND: the property is declared by value),
// by value (DISPATCH_PROPERTYPUT); that refusal raises nothing, only a failed put does. The
// member's name is looked up once for both.
void OlePut(IDispatch* target, std::wstring_view name, const TOleVariant& value);
void OlePut(const TOleVariant& target, std::wstring_view name, const TOleVariant& value);

// Calls a method (DISPATCH_METHOD | DISPATCH_PROPERTYGET, as automation clients do).
TOleVariant OleCall(IDispatch* target, std::wstring_view name, std::initializer_list<TOleVariant> args = {},
                    std::initializer_list<TNamedArg> named = {});
TOleVariant OleCall(const TOleVariant& target, std::wstring_view name, std::initializer_list<TOleVariant> args = {},
                    std::initializer_list<TNamedArg> named = {});

// The general form behind the three: flags are DISPATCH_* values.
TOleVariant OleInvoke(IDispatch* target, std::wstring_view name, WORD flags, std::span<const TOleVariant> args,
                      std::span<const TNamedArg> named);

// Raises EOleSysError for a failed HRESULT (message as above, description optional).
[[noreturn]] void RaiseOleError(HRESULT hr, std::wstring_view description = {});
inline void OleCheck(HRESULT hr)
{
    if (FAILED(hr))
        RaiseOleError(hr);
}

// QueryInterface that raises EIntfCastError ("Interface not supported") when refused or when
// the object is null.
template <class T>
ComPtr<T> QueryIntf(IUnknown* object, REFIID iid);
[[noreturn]] void RaiseIntfCastError();

template <class T>
ComPtr<T> QueryIntf(IUnknown* object, REFIID iid)
{
    ComPtr<T> result;
    if (!object || FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(result.GetAddressOf()))) || !result)
        RaiseIntfCastError();
    return result;
}

} // namespace zel
