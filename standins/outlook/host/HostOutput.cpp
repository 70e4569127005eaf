#include "standins/outlook/host/HostOutput.h"

#include <windows.h>

#include <cstdio>

namespace zel::standin::host {

void PrintLine(std::wstring_view line)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE)
        return;
    std::string bytes;
    if (!line.empty()) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
        bytes.resize(static_cast<size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size, nullptr, nullptr);
    }
    bytes += '\n';
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Quoted(std::wstring_view text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'"': out += L"\\\""; break;
        case L'\r': out += L"\\r"; break;
        case L'\n': out += L"\\n"; break;
        case L'\t': out += L"\\t"; break;
        default: out += c;
        }
    }
    return out + L"\"";
}

std::wstring HResultText(long code)
{
    wchar_t buffer[16];
    swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return buffer;
}

} // namespace zel::standin::host
