// Reads config.xml from its bytes. The file is not strict XML (element names may begin with a
// digit), so this is a small parser of its own: declaration, comments, processing instructions,
// a document type declaration (skipped), elements, attributes (read and dropped), text, CDATA,
// the five named references and decimal and hexadecimal character references.
#pragma once

#include "platform/AnsiCodePage.h"
#include "storage/XmlDocument.h"

#include <string>
#include <string_view>

namespace zel {

// The file's text: by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE); without one UTF-16 is
// recognised by its first "<", else the declaration's charset decides (an unknown name, or no
// declaration, means the system's ANSI code page).
std::u16string DecodeConfigBytes(std::string_view bytes, const IAnsiCodePage& codePages);

// Parses the file's text. An element whose content is text holds it as its text, exactly as
// written, except that white space alone reads as empty; the text of an element with child
// elements is dropped. A file without any content gives an empty tree. Anything malformed
// raises an Exception naming the line and column.
TXmlDocument ParseConfigXml(std::u16string_view text);

// Both steps.
TXmlDocument ReadConfigXml(std::string_view bytes, const IAnsiCodePage& codePages);

} // namespace zel
