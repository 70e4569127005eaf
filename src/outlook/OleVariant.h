// Owned OLE automation values: TBStr owns a BSTR, TOleVariant owns a VARIANT. Both free what
// they own on destruction, so no path leaks a string or a reference held in a variant.
//
//   TOleVariant text(L"Standard");          // VT_BSTR
//   TOleVariant count(std::int32_t{3});      // VT_I4
//   TOleVariant flag(true);                  // VT_BOOL, VARIANT_TRUE
//   TOleVariant skipped = TOleVariant::NotGiven();   // optional argument left out
//   ComPtr<IDispatch> obj = result.AsDispatch();    // throws when not an object
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

using Microsoft::WRL::ComPtr;

class TBStr {
public:
    TBStr() noexcept = default;
    explicit TBStr(std::wstring_view text);
    explicit TBStr(std::u16string_view text);
    TBStr(const TBStr&) = delete;
    TBStr& operator=(const TBStr&) = delete;
    TBStr(TBStr&& other) noexcept : FValue(other.Detach()) {}
    TBStr& operator=(TBStr&& other) noexcept;
    ~TBStr() { Reset(); }

    BSTR Get() const noexcept { return FValue; }
    // Frees the string and returns the slot for a callee to fill.
    BSTR* Receive() noexcept { Reset(); return &FValue; }
    BSTR Detach() noexcept { BSTR v = FValue; FValue = nullptr; return v; }
    void Reset() noexcept;
    std::wstring Text() const { return std::wstring(FValue ? FValue : L"", FValue ? SysStringLen(FValue) : 0); }

private:
    BSTR FValue = nullptr;
};

class TOleVariant {
public:
    TOleVariant() noexcept { VariantInit(&FValue); }
    explicit TOleVariant(std::wstring_view text);
    explicit TOleVariant(std::u16string_view text);
    explicit TOleVariant(const wchar_t* text) : TOleVariant(std::wstring_view(text)) {}
    explicit TOleVariant(std::int32_t value) noexcept;
    explicit TOleVariant(bool value) noexcept;
    // Holds a counted reference (AddRef); a null pointer gives a null VT_DISPATCH/VT_UNKNOWN.
    explicit TOleVariant(IDispatch* value) noexcept;
    explicit TOleVariant(IUnknown* value) noexcept;
    // Takes ownership of a raw VARIANT (which is left VT_EMPTY).
    static TOleVariant Adopt(VARIANT& raw) noexcept;
    // An optional argument that is not given: VT_ERROR with DISP_E_PARAMNOTFOUND.
    static TOleVariant NotGiven() noexcept;

    TOleVariant(const TOleVariant& other);  // VariantCopy; throws EOleSysError on failure
    TOleVariant& operator=(const TOleVariant& other);
    TOleVariant(TOleVariant&& other) noexcept;
    TOleVariant& operator=(TOleVariant&& other) noexcept;
    ~TOleVariant() { Clear(); }

    const VARIANT& Get() const noexcept { return FValue; }
    VARIANT* Ptr() noexcept { return &FValue; }
    // Clears the value and returns the slot for a callee to fill.
    VARIANT* Receive() noexcept { Clear(); return &FValue; }
    VARIANT Detach() noexcept;
    void Clear() noexcept;
    VARTYPE Type() const noexcept { return FValue.vt; }
    bool IsNotGiven() const noexcept { return FValue.vt == VT_ERROR && FValue.scode == DISP_E_PARAMNOTFOUND; }

    // Conversions in the manner of OLE automation (VariantChangeType, references followed).
    // A failed conversion raises EOleSysError with the conversion's HRESULT.
    // AsDispatch gives null for an empty value or a null object reference.
    ComPtr<IDispatch> AsDispatch() const;
    std::wstring AsString() const;
    std::int32_t AsInteger() const;
    bool AsBoolean() const;

private:
    VARIANT FValue;
};

// The owned value of a variant passed by reference or by value, for reading arguments.
TOleVariant CopyDereferenced(const VARIANT& value);

} // namespace zel
