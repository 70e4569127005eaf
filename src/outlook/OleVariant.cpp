#include "outlook/OleVariant.h"

#include "platform/Exceptions.h"
#include "platform/WideText.h"

#include <new>

namespace zel {

namespace {

BSTR AllocString(const wchar_t* text, size_t length)
{
    BSTR s = SysAllocStringLen(text, static_cast<UINT>(length));
    if (!s)
        throw std::bad_alloc();
    return s;
}

void CheckConversion(HRESULT hr)
{
    if (FAILED(hr))
        throw EOleSysError(HResultText(hr), hr);
}

} // namespace

TBStr::TBStr(std::wstring_view text) : FValue(AllocString(text.data(), text.size())) {}

TBStr::TBStr(std::u16string_view text)
    : FValue(AllocString(AsWide(text).data(), text.size()))
{
}

TBStr& TBStr::operator=(TBStr&& other) noexcept
{
    if (this != &other) {
        Reset();
        FValue = other.Detach();
    }
    return *this;
}

void TBStr::Reset() noexcept
{
    if (FValue) {
        SysFreeString(FValue);
        FValue = nullptr;
    }
}

TOleVariant::TOleVariant(std::wstring_view text)
{
    VariantInit(&FValue);
    FValue.bstrVal = AllocString(text.data(), text.size());
    FValue.vt = VT_BSTR;
}

TOleVariant::TOleVariant(std::u16string_view text)
    : TOleVariant(AsWide(text))
{
}

TOleVariant::TOleVariant(std::int32_t value) noexcept
{
    VariantInit(&FValue);
    FValue.vt = VT_I4;
    FValue.lVal = value;
}

TOleVariant::TOleVariant(bool value) noexcept
{
    VariantInit(&FValue);
    FValue.vt = VT_BOOL;
    FValue.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

TOleVariant::TOleVariant(IDispatch* value) noexcept
{
    VariantInit(&FValue);
    FValue.vt = VT_DISPATCH;
    FValue.pdispVal = value;
    if (value)
        value->AddRef();
}

TOleVariant::TOleVariant(IUnknown* value) noexcept
{
    VariantInit(&FValue);
    FValue.vt = VT_UNKNOWN;
    FValue.punkVal = value;
    if (value)
        value->AddRef();
}

TOleVariant TOleVariant::Adopt(VARIANT& raw) noexcept
{
    TOleVariant v;
    v.FValue = raw;
    VariantInit(&raw);
    return v;
}

TOleVariant TOleVariant::NotGiven() noexcept
{
    TOleVariant v;
    v.FValue.vt = VT_ERROR;
    v.FValue.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

TOleVariant::TOleVariant(const TOleVariant& other)
{
    VariantInit(&FValue);
    CheckConversion(VariantCopy(&FValue, const_cast<VARIANT*>(&other.FValue)));
}

TOleVariant& TOleVariant::operator=(const TOleVariant& other)
{
    if (this != &other) {
        TOleVariant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TOleVariant::TOleVariant(TOleVariant&& other) noexcept
{
    FValue = other.FValue;
    VariantInit(&other.FValue);
}

TOleVariant& TOleVariant::operator=(TOleVariant&& other) noexcept
{
    if (this != &other) {
        Clear();
        FValue = other.FValue;
        VariantInit(&other.FValue);
    }
    return *this;
}

VARIANT TOleVariant::Detach() noexcept
{
    VARIANT v = FValue;
    VariantInit(&FValue);
    return v;
}

void TOleVariant::Clear() noexcept
{
    VariantClear(&FValue);
    VariantInit(&FValue);
}

TOleVariant CopyDereferenced(const VARIANT& value)
{
    TOleVariant copy;
    CheckConversion(VariantCopyInd(copy.Ptr(), const_cast<VARIANT*>(&value)));
    return copy;
}

ComPtr<IDispatch> TOleVariant::AsDispatch() const
{
    TOleVariant plain = CopyDereferenced(FValue);
    const VARIANT& v = plain.Get();
    if (v.vt == VT_EMPTY)
        return nullptr;
    if ((v.vt == VT_DISPATCH && !v.pdispVal) || (v.vt == VT_UNKNOWN && !v.punkVal))
        return nullptr;
    TOleVariant converted;
    CheckConversion(VariantChangeType(converted.Ptr(), const_cast<VARIANT*>(&v), 0, VT_DISPATCH));
    return ComPtr<IDispatch>(converted.Get().pdispVal);
}

std::wstring TOleVariant::AsString() const
{
    TOleVariant plain = CopyDereferenced(FValue);
    TOleVariant converted;
    CheckConversion(VariantChangeType(converted.Ptr(), plain.Ptr(), 0, VT_BSTR));
    BSTR s = converted.Get().bstrVal;
    return std::wstring(s ? s : L"", s ? SysStringLen(s) : 0);
}

std::int32_t TOleVariant::AsInteger() const
{
    TOleVariant plain = CopyDereferenced(FValue);
    TOleVariant converted;
    CheckConversion(VariantChangeType(converted.Ptr(), plain.Ptr(), 0, VT_I4));
    return converted.Get().lVal;
}

bool TOleVariant::AsBoolean() const
{
    TOleVariant plain = CopyDereferenced(FValue);
    TOleVariant converted;
    CheckConversion(VariantChangeType(converted.Ptr(), plain.Ptr(), 0, VT_BOOL));
    return converted.Get().boolVal != VARIANT_FALSE;
}

} // namespace zel
