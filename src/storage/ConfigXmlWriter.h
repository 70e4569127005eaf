// config.xml's exact form: the declaration, one element per line indented by two blanks per
// level, CR LF line ends, and texts as ASCII with character references.
#pragma once

#include "platform/AnsiCodePage.h"
#include "storage/XmlDocument.h"

#include <string>
#include <string_view>

namespace zel {

// Appends a text as the file writes it: tab, LF, CR and 32 to 127 as they are except the five
// characters with named references ("&quot;", "&amp;", "&apos;", "&lt;", "&gt;"); every other
// UTF-16 code unit as "&#x" + two (up to 255) or four upper-case hexadecimal digits + ";".
void AppendXmlText(std::string& out, std::u16string_view text);

// The file's bytes. The character set is the one the declaration read from the file names
// ("utf-8" and "utf-16" are written with a byte-order mark); without one it is the system's
// ANSI code page, and if that code page has no charset name the file is written and declared
// as "utf-8".
std::string SerializeConfigXml(const TXmlDocument& document, const IAnsiCodePage& codePages);

} // namespace zel
