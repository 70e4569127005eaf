// UTF-16 texts, the system's own: conversion to and from UTF-8, code points to code units, and
// the split of a text into lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

// UTF-16 to UTF-8 and back (lone surrogates become U+FFFD in UTF-8; bytes that are no UTF-8
// become U+FFFD in UTF-16).
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// ASCII literal helper for messages.
std::u16string U16(std::string_view ascii);

// Appends one code point: a surrogate pair above U+FFFF, the code unit itself otherwise (a
// lone surrogate's value included).
void AppendUtf16(std::u16string& out, char32_t codePoint);

// Compares two texts by UTF-16 code unit with "a" to "z" folded to "A" to "Z" and nothing else
// folded: the difference of the first pair of folded units that differ, or, when one text is the
// start of the other, the difference of the lengths.
int CompareAsciiFolded(std::u16string_view a, std::u16string_view b) noexcept;

// The lines of a text: a line ends at CR, LF or CR LF; a line end at the very end adds no empty
// line; an empty text gives no lines. The views point into the text.
std::vector<std::u16string_view> SplitLines(std::u16string_view text);

} // namespace zel
