// The value of Windows' hotkey control (HKM_GETHOTKEY / HKM_SETHOTKEY: the virtual key in the low
// byte, the HOTKEYF_* modifier flags in the high byte) and the shortcut it stands for. Portable:
// the flag values are Windows' own, spelled out here.
#pragma once

#include "hotkeys/ShortCut.h"

#include <cstdint>

namespace zel {

inline constexpr std::uint8_t HotKeyFlagShift = 0x01;    // HOTKEYF_SHIFT
inline constexpr std::uint8_t HotKeyFlagControl = 0x02;  // HOTKEYF_CONTROL
inline constexpr std::uint8_t HotKeyFlagAlt = 0x04;      // HOTKEYF_ALT
inline constexpr std::uint8_t HotKeyFlagExtended = 0x08; // HOTKEYF_EXT

// The shortcut of the control's value: the key and Shift, Ctrl and Alt. The extended-key flag
// adds nothing: the virtual key already tells the keys apart (a number-pad digit stays one).
constexpr TShortCut ShortCutFromHotKeyValue(std::uint16_t value) noexcept
{
    const std::uint8_t flags = static_cast<std::uint8_t>(value >> 8);
    TShortCut shortCut = static_cast<TShortCut>(value & 0xFF);
    if (shortCut == 0)
        return scNone;
    if (flags & HotKeyFlagShift)
        shortCut |= scShift;
    if (flags & HotKeyFlagControl)
        shortCut |= scCtrl;
    if (flags & HotKeyFlagAlt)
        shortCut |= scAlt;
    return shortCut;
}

// The control's value for a shortcut, to show it in the control.
constexpr std::uint16_t HotKeyValueFromShortCut(TShortCut shortCut) noexcept
{
    std::uint8_t flags = 0;
    if (shortCut & scShift)
        flags |= HotKeyFlagShift;
    if (shortCut & scCtrl)
        flags |= HotKeyFlagControl;
    if (shortCut & scAlt)
        flags |= HotKeyFlagAlt;
    return static_cast<std::uint16_t>((flags << 8) | (shortCut & 0xFF));
}

} // namespace zel
