// Text at the Win32 boundary: the system's wide strings and the add-in's UTF-16 texts are the
// same 16-bit code units on Windows, so they convert without a copy; and one way to call the
// Win32 functions that write a text into a buffer and say when it was too small.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include <windows.h>

namespace zel {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 code units");

inline std::wstring_view AsWide(std::u16string_view text) noexcept
{
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

inline std::u16string_view AsU16(std::wstring_view text) noexcept
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// The text's code units as a writable wide buffer, for calls that fill a sized text.
inline wchar_t* AsWideBuffer(std::u16string& text) noexcept
{
    return reinterpret_cast<wchar_t*>(text.data());
}

inline std::wstring ToWide(std::u16string_view text)
{
    return std::wstring(AsWide(text));
}

inline std::u16string ToU16(std::wstring_view text)
{
    return std::u16string(AsU16(text));
}

// Calls `call(buffer, capacity)` with a growing buffer until the text fits, for the calls that
// return the length written (without the NUL) when it fits, and otherwise either the capacity
// they need (GetEnvironmentVariable, GetTempPath, GetShortPathName) or the capacity they were
// given after truncating (GetModuleFileName). A result of 0 gives the empty text: the caller
// tells an empty text from a failure by GetLastError where the call can fail.
template <class Call>
std::wstring GrowBuffer(Call&& call, DWORD initialCapacity = MAX_PATH)
{
    std::wstring text(std::max<DWORD>(initialCapacity, 1), L'\0');
    for (;;) {
        const DWORD length = call(text.data(), static_cast<DWORD>(text.size()));
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(std::max<size_t>(length, text.size() * 2));
    }
}

// The whole text of a window (a control's contents), of any length.
inline std::u16string WindowText(HWND window)
{
    std::u16string text(static_cast<size_t>(std::max(GetWindowTextLengthW(window), 0)) + 1, u'\0');
    const int length = GetWindowTextW(window, AsWideBuffer(text), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(length, 0)));
    return text;
}

} // namespace zel
