#include "standins/mapilib/StandinSupport.h"

#include "standins/common/StandinObject.h"
#include "platform/Handles.h"
#include "platform/WideText.h"

#include <windows.h>

namespace zel::standin {
namespace {

[[noreturn]] void RaiseLastError(const wchar_t* what)
{
    throw TStandinError(HRESULT_FROM_WIN32(GetLastError()), what);
}

} // namespace

std::vector<char> ReadFileContent(const std::wstring& path)
{
    const TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseLastError(L"The file cannot be opened");
    const HANDLE raw = file.Get();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(raw, &size))
        RaiseLastError(L"The file's size cannot be read");
    if (size.QuadPart > 0x40000000)
        throw TStandinError(E_OUTOFMEMORY, L"The file is too large for the stand-in");
    std::vector<char> content(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    if (!content.empty() && (!ReadFile(raw, content.data(), static_cast<DWORD>(content.size()), &done, nullptr) ||
                             done != content.size()))
        RaiseLastError(L"The file cannot be read");
    return content;
}

void WriteFileContent(const std::wstring& path, const std::vector<char>& content)
{
    const TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseLastError(L"The file cannot be created");
    const HANDLE raw = file.Get();
    DWORD done = 0;
    if (!content.empty() && (!WriteFile(raw, content.data(), static_cast<DWORD>(content.size()), &done, nullptr) ||
                             done != content.size()))
        RaiseLastError(L"The file cannot be written");
}

bool IsRejectedRecipient(const std::wstring& name)
{
    const std::wstring value = GrowBuffer(
        [](wchar_t* buffer, DWORD capacity) { return GetEnvironmentVariableW(RejectRecipientVariable, buffer, capacity); });
    return !value.empty() && value == name;
}

} // namespace zel::standin
