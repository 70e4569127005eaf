// The names of character sets as config.xml declares them, and the code pages they stand for.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// The charset name written into the XML declaration for a code page ("Windows-1252",
// "windows-1250", "utf-8", ...); the empty text when the code page has no name in the table.
std::u16string CharsetName(unsigned codePage);

// The code page that a declared charset name stands for, compared without regard to letter
// case. Besides the names of the table it knows a few common aliases ("utf-16le", "latin1",
// "cp1252", "windows-<number>"). 0 when the name is unknown.
unsigned CodePageOfCharset(std::u16string_view name);

// The Unicode code pages: config.xml is written in them with a byte-order mark.
inline constexpr unsigned CodePageUtf8 = 65001;
inline constexpr unsigned CodePageUtf16LE = 1200;
inline constexpr unsigned CodePageUtf16BE = 1201;

} // namespace zel
