#include "standins/common/OutsideCalls.h"

#include <cstdio>
#include <cwctype>

namespace zel::standin {
namespace {

std::wstring Variable(const wchar_t* name)
{
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(std::size(buffer)));
    return length > 0 && length < std::size(buffer) ? std::wstring(buffer, length) : std::wstring();
}

bool SameText(std::wstring_view a, std::wstring_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (towupper(a[i]) != towupper(b[i]))
            return false;
    return true;
}

void AppendLine(const std::wstring& line) noexcept
try {
    static const std::wstring file = Variable(CallsFileVariable);
    if (file.empty())
        return;
    const std::wstring withEnd = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), static_cast<int>(withEnd.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), static_cast<int>(withEnd.size()), bytes.data(), size, nullptr, nullptr);
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
} catch (...) {
}

} // namespace

TFaultKind FaultKindFromName(std::wstring_view name) noexcept
{
    for (TFaultKind kind : {TFaultKind::Error, TFaultKind::Null, TFaultKind::Exception})
        if (SameText(name, FaultKindName(kind)))
            return kind;
    return TFaultKind::None;
}

const wchar_t* FaultKindName(TFaultKind kind) noexcept
{
    switch (kind) {
    case TFaultKind::Error: return L"error";
    case TFaultKind::Null: return L"null";
    case TFaultKind::Exception: return L"exception";
    case TFaultKind::None: break;
    }
    return L"none";
}

TFaultKind PlannedFault(std::wstring_view call) noexcept
try {
    static const std::wstring plan = Variable(FaultVariable);
    const size_t equals = plan.rfind(L'=');
    if (equals == std::wstring::npos || !SameText(std::wstring_view(plan).substr(0, equals), call))
        return TFaultKind::None;
    return FaultKindFromName(std::wstring_view(plan).substr(equals + 1));
} catch (...) {
    return TFaultKind::None;
}

std::wstring InjectedFaultDescription(std::wstring_view call) { return L"Injected failure of " + std::wstring(call); }

bool IsOutsideCaller(const void* returnAddress) noexcept
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(returnAddress), &module))
        return true;
    return module != GetModuleHandleW(nullptr);
}

void RecordOutsideCall(std::wstring_view call, bool objectAnswer) noexcept
try {
    AppendLine(L"call " + std::wstring(call) + (objectAnswer ? L" object" : L""));
} catch (...) {
}

void RecordFault(std::wstring_view call, TFaultKind kind) noexcept
try {
    AppendLine(L"fault " + std::wstring(call) + L" " + FaultKindName(kind));
} catch (...) {
}

void RecordSinkFailure(std::wstring_view type, long dispid, HRESULT hr) noexcept
try {
    wchar_t code[16];
    swprintf(code, std::size(code), L"0x%08lX", static_cast<unsigned long>(hr));
    AppendLine(L"sink-failed " + std::wstring(type) + L" " + std::to_wstring(dispid) + L" " + code);
} catch (...) {
}

} // namespace zel::standin
