#include "platform/Exceptions.h"

namespace zel {

const char* Exception::what() const noexcept
{
    try {
        if (FWhat.empty())
            FWhat = ToUtf8(FMessage);
        return FWhat.c_str();
    } catch (...) {
        return ClassName();
    }
}

std::u16string Hex8(std::uint32_t value)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text(8, u'0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        text[static_cast<size_t>(i)] = digits[value & 0xF];
    return text;
}

std::u16string HResultText(std::int32_t hr)
{
    return u"0x" + Hex8(static_cast<std::uint32_t>(hr));
}

} // namespace zel
