// What the stand-in Outlook program prints: lines of UTF-8 on standard output, each written at
// once (a test reads them over a pipe while the program runs), and the quoting of texts in them.
#pragma once

#include <string>
#include <string_view>

namespace zel::standin::host {

// Writes the line and a line feed to standard output (nothing when there is none).
void PrintLine(std::wstring_view line);

// The text in double quotes, with backslash, double quote, carriage return, line feed and tab
// written as \\, \", \r, \n and \t.
std::wstring Quoted(std::wstring_view text);

// "0x" and the code as 8 upper-case hex digits.
std::wstring HResultText(long code);

} // namespace zel::standin::host
