// A keyboard shortcut as one 16-bit number, and its text form.
//
// The key (a Windows virtual-key code) sits in the low 13 bits, the modifiers in the bits
// Shift $2000, Ctrl $4000 and Alt $8000; 0 means no shortcut. Ctrl+Alt+A is $C041. The hotkey
// table stores only the text form ("Ctrl+Alt+A"), so a shortcut taken through its text and back
// can come back changed: the number-pad digits are named like the main-row digits, and layouts
// name other keys of the number pad like keys of the main keyboard ("/"); the text then reads
// back as the main keyboard's key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

// The name of a key (virtual-key code 0 to 255) as the text form writes it: the fixed table
// ("BkSp", "PgUp", "A", "F5", ...), otherwise the keyboard layout's name up to its first NUL,
// possibly empty.
std::u16string KeyNameText(std::uint8_t virtualKey);

// "Shift+", "Ctrl+", "Alt+" in this order for the modifiers that are set, then the name of the
// key in the shortcut's low byte; the empty text when that key has no name.
std::u16string ShortCutToText(TShortCut shortCut);

// Modifier words at the front in any order and number ("^" also stands for "Ctrl+"), then a
// key name, compared without regard to letter case by the user's locale: the lowest key value
// with that name, a key of the main keyboard before one of the number pad. 0 when the text
// names no key.
TShortCut TextToShortCut(std::u16string_view text);

struct TShortCutKey {
    std::uint16_t Key = 0; // the low 13 bits
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    bool operator==(const TShortCutKey&) const = default;
};

// The key and the three modifier flags of a shortcut.
TShortCutKey ShortCutToKey(TShortCut shortCut) noexcept;

} // namespace zel
