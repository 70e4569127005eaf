#include "storage/ConfigXmlWriter.h"

#include "storage/Charsets.h"

namespace zel {
namespace {

const char HexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, unsigned value, int digits)
{
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += HexDigits[(value >> shift) & 0xF];
}

void AppendElement(std::string& out, const TXmlNode& node, size_t indent)
{
    // Names the store creates are safe already; a name read from a hand-edited file may hold
    // characters that an element name cannot carry in this file's ASCII form.
    std::string name;
    AppendXmlText(name, SafeNodeName(node.Name()));
    out.append(indent, ' ');
    out += '<';
    out += name;
    if (!node.Children().empty()) {
        out += ">\r\n";
        for (const auto& child : node.Children())
            AppendElement(out, *child, indent + 2);
        out.append(indent, ' ');
        out += "</";
        out += name;
        out += ">\r\n";
    } else if (!node.Text.empty()) {
        out += '>';
        AppendXmlText(out, node.Text);
        out += "</";
        out += name;
        out += ">\r\n";
    } else {
        out += "/>\r\n";
    }
}

void AppendAttribute(std::string& out, const char* name, std::u16string_view value)
{
    out += ' ';
    out += name;
    out += "=\"";
    AppendXmlText(out, value);
    out += '"';
}

} // namespace

void AppendXmlText(std::string& out, std::u16string_view text)
{
    for (char16_t c : text) {
        switch (c) {
        case u'"': out += "&quot;"; break;
        case u'&': out += "&amp;"; break;
        case u'\'': out += "&apos;"; break;
        case u'<': out += "&lt;"; break;
        case u'>': out += "&gt;"; break;
        default:
            if ((c >= 32 && c <= 127) || c == 9 || c == 10 || c == 13) {
                out += static_cast<char>(c);
            } else {
                out += "&#x";
                AppendHex(out, c, c <= 255 ? 2 : 4);
                out += ';';
            }
        }
    }
}

std::string SerializeConfigXml(const TXmlDocument& document, const IAnsiCodePage& codePages)
{
    const auto& declaration = document.Declaration;
    std::u16string encoding;
    unsigned codePage = 0;
    if (declaration.Present && declaration.Encoding) {
        encoding = *declaration.Encoding;
        codePage = CodePageOfCharset(encoding);
    } else {
        codePage = codePages.CodePage();
        encoding = CharsetName(codePage);
        if (encoding.empty()) {
            // A code page without a charset name: the file's ASCII text is declared and
            // written as UTF-8, which every reader understands.
            codePage = CodePageUtf8;
            encoding = u"utf-8";
        }
    }

    std::string text = "<?xml";
    AppendAttribute(text, "version", declaration.Version.value_or(u"1.0"));
    AppendAttribute(text, "encoding", encoding);
    AppendAttribute(text, "standalone", declaration.Standalone.value_or(u"no"));
    text += "?>\r\n";
    AppendElement(text, document.Root, 0);

    // The text is ASCII only, so it is the file's content in every ASCII-compatible code page
    // (an unknown charset name included); the Unicode forms get their byte-order mark.
    if (codePage == CodePageUtf8)
        return "\xEF\xBB\xBF" + text;
    if (codePage == CodePageUtf16LE || codePage == CodePageUtf16BE) {
        bool bigEndian = codePage == CodePageUtf16BE;
        std::string wide = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        wide.reserve(2 + text.size() * 2);
        for (char c : text) {
            if (bigEndian)
                wide += '\0';
            wide += c;
            if (!bigEndian)
                wide += '\0';
        }
        return wide;
    }
    return text;
}

} // namespace zel
