#include "storage/ConfigXmlReader.h"

#include "platform/Exceptions.h"
#include "platform/Utf16.h"
#include "storage/Charsets.h"

#include <cstdint>

namespace zel {
namespace {

bool IsXmlSpace(char16_t c) noexcept
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Any character except white space, control characters and the delimiters of markup.
bool IsNameChar(char16_t c) noexcept
{
    if (c <= 32 || c == 127)
        return false;
    switch (c) {
    case u'<': case u'>': case u'/': case u'=': case u'?': case u'!': case u'"': case u'\'': case u'&':
        return false;
    default:
        return true;
    }
}

bool IsWhiteSpaceOnly(std::u16string_view text) noexcept
{
    for (char16_t c : text)
        if (!IsXmlSpace(c))
            return false;
    return true;
}

std::u16string Utf16Text(std::string_view bytes, bool bigEndian)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        text[i] = static_cast<char16_t>(hi << 8 | lo);
    }
    return text;
}

bool IsAscii(std::string_view bytes) noexcept
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The value of the declaration's encoding attribute, read from the ASCII bytes at the start of
// the file; empty when there is no declaration or no such attribute.
std::u16string DeclaredEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 5) != "<?xml")
        return {};
    auto end = bytes.find("?>");
    std::string_view declaration = bytes.substr(0, end);
    auto at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return {};
    size_t p = at + 8;
    while (p < declaration.size() && (declaration[p] == ' ' || declaration[p] == '\t' || declaration[p] == '\r' || declaration[p] == '\n'))
        ++p;
    if (p >= declaration.size() || declaration[p] != '=')
        return {};
    ++p;
    while (p < declaration.size() && (declaration[p] == ' ' || declaration[p] == '\t' || declaration[p] == '\r' || declaration[p] == '\n'))
        ++p;
    if (p >= declaration.size() || (declaration[p] != '"' && declaration[p] != '\''))
        return {};
    auto close = declaration.find(declaration[p], p + 1);
    if (close == std::string_view::npos)
        return {};
    std::u16string name;
    for (char c : declaration.substr(p + 1, close - p - 1))
        name += static_cast<char16_t>(static_cast<unsigned char>(c));
    return name;
}

class TConfigXmlParser {
public:
    explicit TConfigXmlParser(std::u16string_view text) : FText(text) {}

    TXmlDocument Parse()
    {
        TXmlDocument document;
        SkipSpace();
        if (AtEnd())
            return document; // an empty file: an empty tree
        if (LookingAt(u"<?xml") && FPos + 5 < FText.size() && (IsXmlSpace(FText[FPos + 5]) || FText[FPos + 5] == u'?'))
            ParseDeclaration(document.Declaration);
        SkipMisc(true);
        if (AtEnd() || FText[FPos] != u'<')
            Fail("the root element is missing");
        ParseElements(document.Root);
        SkipMisc(false);
        if (!AtEnd())
            Fail("unexpected content after the root element");
        return document;
    }

private:
    std::u16string_view FText;
    size_t FPos = 0;

    bool AtEnd() const noexcept { return FPos >= FText.size(); }

    bool LookingAt(std::u16string_view literal) const noexcept
    {
        return FText.substr(FPos, literal.size()) == literal;
    }

    bool SkipSpace() noexcept
    {
        size_t start = FPos;
        while (!AtEnd() && IsXmlSpace(FText[FPos]))
            ++FPos;
        return FPos != start;
    }

    [[noreturn]] void Fail(const char* what) const
    {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < FPos && i < FText.size(); ++i) {
            if (FText[i] == u'\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        throw Exception(u"Invalid XML at line " + U16(std::to_string(line)) + u", column " + U16(std::to_string(column)) +
                        u": " + U16(what) + u".");
    }

    void Expect(char16_t c, const char* what)
    {
        if (AtEnd() || FText[FPos] != c)
            Fail(what);
        ++FPos;
    }

    // Moves past the next occurrence of the terminator.
    void SkipPast(std::u16string_view terminator, const char* what)
    {
        auto end = FText.find(terminator, FPos);
        if (end == std::u16string_view::npos) {
            FPos = FText.size();
            Fail(what);
        }
        FPos = end + terminator.size();
    }

    // Comments, processing instructions and, before the root, a document type declaration.
    void SkipMisc(bool beforeRoot)
    {
        for (;;) {
            SkipSpace();
            if (LookingAt(u"<!--"))
                SkipPast(u"-->", "a comment is not closed");
            else if (LookingAt(u"<?"))
                SkipPast(u"?>", "a processing instruction is not closed");
            else if (beforeRoot && LookingAt(u"<!DOCTYPE"))
                SkipDocumentType();
            else
                return;
        }
    }

    void SkipDocumentType()
    {
        size_t depth = 0;
        FPos += 9;
        while (!AtEnd()) {
            char16_t c = FText[FPos++];
            if (c == u'"' || c == u'\'') {
                SkipPast(std::u16string_view(&c, 1), "a quoted text is not closed");
            } else if (c == u'[') {
                ++depth;
            } else if (c == u']') {
                if (depth > 0)
                    --depth;
            } else if (c == u'>' && depth == 0) {
                return;
            }
        }
        Fail("the document type declaration is not closed");
    }

    std::u16string ParseName()
    {
        size_t start = FPos;
        while (!AtEnd() && IsNameChar(FText[FPos]))
            ++FPos;
        if (FPos == start)
            Fail("a name is expected");
        return std::u16string(FText.substr(start, FPos - start));
    }

    // A reference, at "&".
    void ParseReference(std::u16string& out)
    {
        ++FPos;
        if (!AtEnd() && FText[FPos] == u'#') {
            ++FPos;
            unsigned base = 10;
            if (!AtEnd() && (FText[FPos] == u'x' || FText[FPos] == u'X')) {
                base = 16;
                ++FPos;
            }
            std::uint32_t value = 0;
            size_t digits = 0;
            for (; !AtEnd() && FText[FPos] != u';'; ++FPos, ++digits) {
                char16_t c = FText[FPos];
                unsigned digit;
                if (c >= u'0' && c <= u'9')
                    digit = c - u'0';
                else if (base == 16 && c >= u'a' && c <= u'f')
                    digit = c - u'a' + 10;
                else if (base == 16 && c >= u'A' && c <= u'F')
                    digit = c - u'A' + 10;
                else
                    Fail("a character reference holds a character that is not a digit");
                value = value * base + digit;
                if (value > 0x10FFFF)
                    Fail("a character reference is out of range");
            }
            if (digits == 0)
                Fail("a character reference has no digits");
            Expect(u';', "a character reference is not closed by \";\"");
            // Every UTF-16 code unit, a lone surrogate included, comes back as it was written.
            AppendUtf16(out, value);
            return;
        }
        static const struct {
            std::u16string_view Name;
            char16_t Char;
        } Entities[] = {{u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}, {u"quot;", u'"'}, {u"apos;", u'\''}};
        for (const auto& entity : Entities)
            if (LookingAt(entity.Name)) {
                FPos += entity.Name.size();
                out += entity.Char;
                return;
            }
        Fail("an unknown entity reference");
    }

    std::u16string ParseAttributeValue()
    {
        if (AtEnd() || (FText[FPos] != u'"' && FText[FPos] != u'\''))
            Fail("an attribute value must be quoted");
        char16_t quote = FText[FPos++];
        std::u16string value;
        for (;;) {
            if (AtEnd())
                Fail("an attribute value is not closed");
            char16_t c = FText[FPos];
            if (c == quote) {
                ++FPos;
                return value;
            }
            if (c == u'<')
                Fail("\"<\" inside an attribute value");
            if (c == u'&') {
                ParseReference(value);
            } else {
                value += c;
                ++FPos;
            }
        }
    }

    // Attributes up to the end of a tag; returns true for an empty-element tag ("/>").
    template <class OnAttribute>
    bool ParseAttributes(std::u16string_view close, OnAttribute onAttribute)
    {
        for (;;) {
            bool spaced = SkipSpace();
            if (AtEnd())
                Fail("a tag is not closed");
            if (LookingAt(close)) {
                FPos += close.size();
                return false;
            }
            if (close == u">" && LookingAt(u"/>")) {
                FPos += 2;
                return true;
            }
            if (!spaced)
                Fail("white space is expected between attributes");
            std::u16string name = ParseName();
            SkipSpace();
            Expect(u'=', "\"=\" is expected after an attribute name");
            SkipSpace();
            onAttribute(name, ParseAttributeValue());
        }
    }

    void ParseDeclaration(TXmlDeclaration& declaration)
    {
        FPos += 5;
        declaration.Present = true;
        ParseAttributes(u"?>", [&](const std::u16string& name, std::u16string value) {
            if (name == u"version")
                declaration.Version = std::move(value);
            else if (name == u"encoding")
                declaration.Encoding = std::move(value);
            else if (name == u"standalone")
                declaration.Standalone = std::move(value);
        });
    }

    // The name of a start tag, at "<".
    std::u16string ParseStartTagName()
    {
        ++FPos;
        return ParseName();
    }

    // The rest of a start tag, after its name; returns true for an empty-element tag.
    bool ParseStartTagEnd()
    {
        return ParseAttributes(u">", [](const std::u16string&, const std::u16string&) {});
    }

    struct TOpenElement {
        TXmlNode* Node;
        std::u16string Text;
    };

    static void Complete(TOpenElement& open)
    {
        if (!open.Node->Children().empty() || IsWhiteSpaceOnly(open.Text))
            open.Node->Text.clear();
        else
            open.Node->Text = std::move(open.Text);
    }

    // The root element and everything in it, without recursion.
    void ParseElements(TXmlNode& root)
    {
        root = TXmlNode(ParseStartTagName());
        if (ParseStartTagEnd())
            return;
        std::vector<TOpenElement> open;
        open.push_back({&root, {}});
        while (!open.empty()) {
            if (AtEnd())
                Fail("the file ends inside an element");
            char16_t c = FText[FPos];
            if (c == u'&') {
                ParseReference(open.back().Text);
            } else if (c != u'<') {
                size_t end = FText.find_first_of(u"<&", FPos);
                if (end == std::u16string_view::npos)
                    end = FText.size();
                open.back().Text.append(FText.substr(FPos, end - FPos));
                FPos = end;
            } else if (LookingAt(u"</")) {
                size_t tagStart = FPos;
                FPos += 2;
                std::u16string name = ParseName();
                SkipSpace();
                Expect(u'>', "\">\" is expected at the end of an end tag");
                if (name != open.back().Node->Name()) {
                    FPos = tagStart;
                    Fail("an end tag does not match its start tag");
                }
                Complete(open.back());
                open.pop_back();
            } else if (LookingAt(u"<!--")) {
                SkipPast(u"-->", "a comment is not closed");
            } else if (LookingAt(u"<![CDATA[")) {
                FPos += 9;
                auto end = FText.find(u"]]>", FPos);
                if (end == std::u16string_view::npos)
                    Fail("a CDATA section is not closed");
                open.back().Text.append(FText.substr(FPos, end - FPos));
                FPos = end + 3;
            } else if (LookingAt(u"<?")) {
                SkipPast(u"?>", "a processing instruction is not closed");
            } else if (LookingAt(u"<!")) {
                Fail("unexpected markup inside an element");
            } else {
                if (open.size() >= MaxXmlDepth)
                    Fail("the elements are nested too deeply");
                TXmlNode& child = open.back().Node->Add(ParseStartTagName());
                if (!ParseStartTagEnd())
                    open.push_back({&child, {}});
            }
        }
    }
};

} // namespace

// Where the bytes stop being UTF-8 (an overlong form, a surrogate, beyond U+10FFFF, a cut
// sequence), or npos when they are UTF-8 throughout.
static size_t FirstInvalidUtf8(std::string_view bytes) noexcept
{
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + length > bytes.size())
            return i;
        char32_t c = length == 1 ? b : b & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return i;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return i;
        i += length;
    }
    return std::string_view::npos;
}

// The text of UTF-8 bytes. Bytes that are not UTF-8 (a file declared UTF-8 but saved in another
// character set by an editor) raise: read with replacement characters, the next save would
// write those over the user's letters.
static std::u16string StrictUtf8(std::string_view bytes)
{
    const size_t invalid = FirstInvalidUtf8(bytes);
    if (invalid != std::string_view::npos)
        throw Exception(u"The file is declared UTF-8 but byte " + U16(std::to_string(invalid + 1)) +
                        u" is not UTF-8.");
    return FromUtf8(bytes);
}

std::u16string DecodeConfigBytes(std::string_view bytes, const IAnsiCodePage& codePages)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return StrictUtf8(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return Utf16Text(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return Utf16Text(bytes.substr(2), true);
    if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0')
        return Utf16Text(bytes, false);
    if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] == '<')
        return Utf16Text(bytes, true);

    std::u16string charset = DeclaredEncoding(bytes);
    unsigned codePage = charset.empty() ? 0 : CodePageOfCharset(charset);
    // Without a byte-order mark a text that begins with an ASCII "<" is ASCII-compatible even
    // when its declaration names UTF-16.
    if (codePage == CodePageUtf8 || codePage == CodePageUtf16LE || codePage == CodePageUtf16BE)
        return StrictUtf8(bytes);
    if (codePage == 0)
        codePage = codePages.CodePage();
    if (IsAscii(bytes))
        return std::u16string(bytes.begin(), bytes.end());
    if (!codePages.Supports(codePage))
        throw Exception(u"The character set of the file (code page " + U16(std::to_string(codePage)) + u") is not supported.");
    return codePages.ToUtf16(bytes, codePage);
}

TXmlDocument ParseConfigXml(std::u16string_view text)
{
    return TConfigXmlParser(text).Parse();
}

TXmlDocument ReadConfigXml(std::string_view bytes, const IAnsiCodePage& codePages)
{
    return ParseConfigXml(DecodeConfigBytes(bytes, codePages));
}

} // namespace zel
