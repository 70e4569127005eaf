#include "hotkeys/ShortCut.h"

#include "hotkeys/KeyNames.h"

namespace zel {
namespace {

constexpr TShortCut ModifierBits = scShift | scCtrl | scAlt;

// Names of the keys from BkSp (8) to Del (46); empty entries are left to the keyboard layout.
const char16_t* FixedName(std::uint8_t key) noexcept
{
    switch (key) {
    case 8: return u"BkSp";
    case 9: return u"Tab";
    case 13: return u"Enter";
    case 27: return u"Esc";
    case 32: return u"Space";
    case 33: return u"PgUp";
    case 34: return u"PgDn";
    case 35: return u"End";
    case 36: return u"Home";
    case 37: return u"Left";
    case 38: return u"Up";
    case 39: return u"Right";
    case 40: return u"Down";
    case 45: return u"Ins";
    case 46: return u"Del";
    default: return nullptr;
    }
}

// TextToShortCut tries the key values 8 to $255 in ascending order and takes the first whose
// name matches. A value above 255 is named by its low byte, so its name was tried already unless
// that byte is below 8: after 8..255 only $100..$107 can still match, and trying just those
// gives the same first match with a fraction of the layout look-ups.
constexpr unsigned FirstKeyTried = 8;
constexpr unsigned LastKeyTried = 0x255;

// Keys that only the number pad has: the digits and operators, Num Lock, the NEC keyboards'
// "=" (VK_OEM_NEC_EQUAL) and Clear (the number pad's 5 without Num Lock). Layouts often name
// them like keys of the main keyboard ("/" for both VK_DIVIDE and VK_OEM_2), and reading a text
// back must then give the main keyboard's key.
bool IsNumberPadKey(unsigned key) noexcept
{
    return (key >= 0x60 && key <= 0x6F) || key == 0x90 || key == 0x92 || key == 0x0C;
}

// Whether text begins with word, compared without regard to letter case.
bool StartsWithWord(std::u16string_view text, std::u16string_view word, const ITextCase& textCase)
{
    return text.size() >= word.size() && textCase.SameText(text.substr(0, word.size()), word);
}

} // namespace

std::u16string KeyNameText(std::uint8_t key)
{
    if (const char16_t* name = FixedName(key))
        return name;
    if (key >= '0' && key <= '9')
        return std::u16string(1, static_cast<char16_t>(key));
    if (key >= 'A' && key <= 'Z')
        return std::u16string(1, static_cast<char16_t>(key));
    if (key >= 96 && key <= 105) // number-pad digits
        return std::u16string(1, static_cast<char16_t>(u'0' + (key - 96)));
    if (key >= 112 && key <= 135) { // F1 to F24
        unsigned number = key - 111u;
        std::u16string name = u"F";
        if (number >= 10)
            name += static_cast<char16_t>(u'0' + number / 10);
        name += static_cast<char16_t>(u'0' + number % 10);
        return name;
    }
    // The layout's name ends at its first NUL: a platform may hand back a lone NUL (Wine can,
    // for the Windows and Application keys), which is no name at all.
    std::u16string name = KeyboardLayout().KeyName(key);
    if (size_t end = name.find(u'\0'); end != std::u16string::npos)
        name.erase(end);
    return name;
}

std::u16string ShortCutToText(TShortCut shortCut)
{
    std::u16string name = KeyNameText(static_cast<std::uint8_t>(shortCut & 0xFF));
    if (name.empty())
        return {};
    std::u16string text;
    if (shortCut & scShift)
        text += u"Shift+";
    if (shortCut & scCtrl)
        text += u"Ctrl+";
    if (shortCut & scAlt)
        text += u"Alt+";
    return text + name;
}

TShortCut TextToShortCut(std::u16string_view text)
{
    const ITextCase& textCase = TextCase();
    TShortCut shift = 0;
    for (;;) {
        if (StartsWithWord(text, u"Shift+", textCase)) {
            shift |= scShift;
            text.remove_prefix(6);
        } else if (StartsWithWord(text, u"^", textCase)) {
            shift |= scCtrl;
            text.remove_prefix(1);
        } else if (StartsWithWord(text, u"Ctrl+", textCase)) {
            shift |= scCtrl;
            text.remove_prefix(5);
        } else if (StartsWithWord(text, u"Alt+", textCase)) {
            shift |= scAlt;
            text.remove_prefix(4);
        } else {
            break;
        }
    }
    if (text.empty())
        return 0;
    // The first key in ascending order whose name matches, except that a key of the main
    // keyboard goes before a key of the number pad with the same name: when the layout names the
    // number pad's "/" like the main keyboard's, "Ctrl+/" means the main keyboard's key, as
    // "Alt+5" means the main-row 5.
    unsigned numberPadKey = 0;
    for (unsigned key = FirstKeyTried; key <= 0x100 + FirstKeyTried - 1 && key <= LastKeyTried; ++key) {
        if (numberPadKey && IsNumberPadKey(key & 0xFF))
            continue;
        std::u16string name = KeyNameText(static_cast<std::uint8_t>(key & 0xFF));
        if (name.empty() || !textCase.SameText(text, name))
            continue;
        if (!IsNumberPadKey(key & 0xFF))
            return static_cast<TShortCut>(key | shift);
        numberPadKey = key;
    }
    return static_cast<TShortCut>(numberPadKey ? numberPadKey | shift : 0);
}

TShortCutKey ShortCutToKey(TShortCut shortCut) noexcept
{
    TShortCutKey result;
    result.Key = static_cast<std::uint16_t>(shortCut & ~ModifierBits);
    result.Shift = (shortCut & scShift) != 0;
    result.Ctrl = (shortCut & scCtrl) != 0;
    result.Alt = (shortCut & scAlt) != 0;
    return result;
}

} // namespace zel
