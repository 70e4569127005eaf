// The system's ANSI code page through the Win32 conversion functions.
#include "platform/AnsiCodePage.h"

#include "platform/Exceptions.h"
#include "platform/WideText.h"

#include <windows.h>

namespace zel {
namespace {

class TWindowsCodePage : public IAnsiCodePage {
public:
    unsigned CodePage() const override { return GetACP(); }

    bool Supports(unsigned codePage) const override
    {
        if (codePage == 0 || codePage == 1200)
            return true;
        return IsValidCodePage(codePage) != FALSE;
    }

    std::string FromUtf16(std::u16string_view text, unsigned codePage) const override
    {
        if (codePage == 0)
            codePage = GetACP();
        if (codePage == 1200)
            return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        if (text.empty())
            return {};
        const wchar_t* wide = AsWide(text).data();
        int length = static_cast<int>(text.size());
        int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
        if (size <= 0)
            throw EOSError(u"Cannot convert text to code page " + U16(std::to_string(codePage)), GetLastError());
        std::string out(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(codePage, 0, wide, length, out.data(), size, nullptr, nullptr);
        return out;
    }

    std::u16string ToUtf16(std::string_view bytes, unsigned codePage) const override
    {
        if (codePage == 0)
            codePage = GetACP();
        if (codePage == 1200) {
            std::u16string out(bytes.size() / 2, u'\0');
            for (size_t i = 0; i < out.size(); ++i)
                out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
            return out;
        }
        if (bytes.empty())
            return {};
        int length = static_cast<int>(bytes.size());
        int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
        if (size <= 0)
            throw EOSError(u"Cannot convert text from code page " + U16(std::to_string(codePage)), GetLastError());
        std::u16string out(static_cast<size_t>(size), u'\0');
        MultiByteToWideChar(codePage, 0, bytes.data(), length, AsWideBuffer(out), size);
        return out;
    }
};

} // namespace

IAnsiCodePage& DefaultAnsiCodePage()
{
    static TWindowsCodePage service;
    return service;
}

} // namespace zel
