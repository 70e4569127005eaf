#include "platform/PortableCodePage.h"

#include "platform/Exceptions.h"

namespace zel {
namespace {

// Windows-1252's characters for the bytes 0x80 to 0x9F (0 where the byte is unassigned; such
// bytes map to the C1 control of the same value, as Windows does).
const char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ByteToChar(unsigned codePage, unsigned char b)
{
    if (codePage == 1252 && b >= 0x80 && b < 0xA0)
        return Cp1252High[b - 0x80];
    if (codePage == 20127 && b >= 0x80)
        return u'?';
    return b;
}

bool CharToByte(unsigned codePage, char16_t c, unsigned char& b)
{
    if (c < 0x80) {
        b = static_cast<unsigned char>(c);
        return true;
    }
    if (codePage == 20127)
        return false;
    if (codePage == 1252) {
        for (unsigned i = 0; i < 32; ++i)
            if (Cp1252High[i] == c) {
                b = static_cast<unsigned char>(0x80 + i);
                return true;
            }
        if (c >= 0x80 && c < 0xA0)
            return false;
    }
    if (c < 0x100) {
        b = static_cast<unsigned char>(c);
        return true;
    }
    return false;
}

} // namespace

bool TPortableCodePage::Supports(unsigned codePage) const
{
    if (codePage == 0)
        codePage = FAnsi;
    return codePage == 65001 || codePage == 1200 || codePage == 1252 || codePage == 28591 || codePage == 20127;
}

std::string TPortableCodePage::FromUtf16(std::u16string_view text, unsigned codePage) const
{
    if (codePage == 0)
        codePage = FAnsi;
    if (!Supports(codePage))
        throw Exception(u"No mapping for the Unicode character exists in the target multi-byte code page.");
    if (codePage == 65001)
        return ToUtf8(text);
    std::string out;
    if (codePage == 1200) {
        out.reserve(text.size() * 2);
        for (char16_t c : text) {
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>(c >> 8);
        }
        return out;
    }
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char b;
        if (CharToByte(codePage, text[i], b)) {
            out += static_cast<char>(b);
        } else {
            out += '?';
            // A surrogate pair is one character: one default character stands for it.
            if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                ++i;
        }
    }
    return out;
}

std::u16string TPortableCodePage::ToUtf16(std::string_view bytes, unsigned codePage) const
{
    if (codePage == 0)
        codePage = FAnsi;
    if (!Supports(codePage))
        throw Exception(u"No mapping for the Unicode character exists in the target multi-byte code page.");
    if (codePage == 65001)
        return FromUtf8(bytes);
    std::u16string out;
    if (codePage == 1200) {
        out.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return out;
    }
    out.reserve(bytes.size());
    for (char ch : bytes)
        out += ByteToChar(codePage, static_cast<unsigned char>(ch));
    return out;
}

#ifndef _WIN32
IAnsiCodePage& DefaultAnsiCodePage()
{
    static TPortableCodePage service;
    return service;
}
#endif

} // namespace zel
