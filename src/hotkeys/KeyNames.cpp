#include "hotkeys/KeyNames.h"

namespace zel {

// The platform's defaults: KeyNamesPortable.cpp natively, KeyNamesWin.cpp on Windows.
IKeyboardLayout& DefaultKeyboardLayout();
ITextCase& DefaultTextCase();

namespace {
IKeyboardLayout* GLayout = nullptr;
ITextCase* GTextCase = nullptr;
}

IKeyboardLayout& KeyboardLayout()
{
    return GLayout ? *GLayout : DefaultKeyboardLayout();
}

ITextCase& TextCase()
{
    return GTextCase ? *GTextCase : DefaultTextCase();
}

void SetKeyboardLayout(IKeyboardLayout* service)
{
    GLayout = service;
}

void SetTextCase(ITextCase* service)
{
    GTextCase = service;
}

char16_t TSimpleTextCase::Fold(char16_t c) noexcept
{
    auto down = [c](int delta) { return static_cast<char16_t>(c - delta); };
    if (c >= u'a' && c <= u'z')
        return down(0x20);
    if (c < 0xB5)
        return c;
    if (c == 0xB5) // micro sign
        return 0x039C;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return down(0x20);
    if (c == 0xFF)
        return 0x0178;
    if (c == 0x0130) // capital I with dot above has no partner in a simple folding
        return c;
    if (c == 0x0131) // dotless i
        return u'I';
    // Latin Extended-A: pairs of capital and small letter, in two runs of different parity.
    if ((c >= 0x0100 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177))
        return static_cast<char16_t>(c & ~1u);
    if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E))
        return (c & 1u) ? c : down(1);
    if (c == 0x017F) // long s
        return u'S';
    // Greek: final sigma folds like sigma.
    if (c == 0x03C2)
        return 0x03A3;
    if (c >= 0x03B1 && c <= 0x03C9)
        return down(0x20);
    // Cyrillic.
    if (c >= 0x0430 && c <= 0x044F)
        return down(0x20);
    if (c >= 0x0450 && c <= 0x045F)
        return down(0x50);
    return c;
}

bool TSimpleTextCase::SameText(std::u16string_view a, std::u16string_view b) const
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

} // namespace zel
