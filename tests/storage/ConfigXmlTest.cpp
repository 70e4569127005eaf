// The file format of config.xml: how texts are written, how files in their encodings are read,
// and that malformed files fail cleanly.
#include "storage/Charsets.h"
#include "storage/ConfigXmlReader.h"
#include "storage/ConfigXmlWriter.h"
#include "storage/XMLFileStorage.h"
#include "support/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace zel {
namespace {

using testing::CrLfLines;

struct TextCase {
    std::u16string text;
    std::string written;
};

class XmlTextEncoding : public ::testing::TestWithParam<TextCase> {};

TEST_P(XmlTextEncoding, WritesAsciiWithReferences)
{
    std::string out;
    AppendXmlText(out, GetParam().text);
    EXPECT_EQ(out, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Table, XmlTextEncoding, ::testing::Values(
    TextCase{u"a < b & c", "a &lt; b &amp; c"},
    TextCase{u"\"'>", "&quot;&apos;&gt;"},
    TextCase{u"\u00E9", "&#xE9;"},
    TextCase{u"line 1\r\nline 2\tend", "line 1\r\nline 2\tend"},
    TextCase{std::u16string(u"\0\x01\x0B\x0C\x1F\x7F\x80", 7), "&#x00;&#x01;&#x0B;&#x0C;&#x1F;\x7F&#x80;"},
    TextCase{u"\u00FF\u0100\u20AC\uFFFF", "&#xFF;&#x0100;&#x20AC;&#xFFFF;"},
    TextCase{u"\U0001F600", "&#xD83D;&#xDE00;"}));

// Arbitrary UTF-16 texts come back from the file exactly; white space alone reads as empty.
class XmlTextRoundTrip : public ::testing::TestWithParam<std::u16string> {};

std::u16string ReadBack(std::u16string_view text)
{
    TXMLFileStorage writer;
    writer.WriteString(u"MainForm\\Value", text);
    std::string bytes = writer.SaveToBytes();
    for (char c : bytes)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "the file holds ASCII only";
    TXMLFileStorage reader;
    reader.LoadFromBytes(bytes);
    return reader.ReadString(u"MainForm\\Value", u"<missing>");
}

TEST_P(XmlTextRoundTrip, ReadsBackUnchanged)
{
    EXPECT_EQ(ReadBack(GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, XmlTextRoundTrip, ::testing::Values(
    u"Best regards", u"a < b & c", u"\u00E9", u"line 1\r\nline 2\r\n", u"lone\rCR and\nLF",
    u"  leading and trailing blanks  ", u"\ttab", std::u16string(u"nul\0inside", 11), u"\x01\x1F\x7F\x80\x9F",
    u"\u4E2D\u6587 \u20AC", u"\U0001F600", u"\xD800 lone high", u"lone low \xDC00", u"\xDC00\xD800 reversed",
    u"]]> <![CDATA[ x ]]>", u"&amp; is not decoded twice", u"\"quoted\" 'single'"));

TEST(XmlTextRoundTrip, RandomTextsComeBack)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> length(1, 40), unit(0, 0xFFFF), small(0, 0x7F);
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        int n = length(random);
        for (int i = 0; i < n; ++i)
            text += static_cast<char16_t>(i % 2 ? unit(random) : small(random));
        bool blank = text.find_first_not_of(u" \t\r\n") == std::u16string::npos;
        ASSERT_EQ(ReadBack(text), blank ? u"" : text) << "round " << round;
    }
}

struct EmptyTextCase {
    std::u16string text;
    std::string line;
};

class XmlEmptyText : public ::testing::TestWithParam<EmptyTextCase> {};

TEST_P(XmlEmptyText, WrittenAsStatedAndReadsEmpty)
{
    TXMLFileStorage store;
    store.WriteString(u"MainForm\\Value", GetParam().text);
    std::string bytes = store.SaveToBytes();
    EXPECT_NE(bytes.find("\r\n    " + GetParam().line + "\r\n"), std::string::npos) << bytes;
    TXMLFileStorage reader;
    reader.LoadFromBytes(bytes);
    EXPECT_EQ(reader.ReadString(u"MainForm\\Value", u"default"), u"");
}

INSTANTIATE_TEST_SUITE_P(Table, XmlEmptyText, ::testing::Values(
    EmptyTextCase{u" ", "<Value> </Value>"},
    EmptyTextCase{u"\r\n\t ", "<Value>\r\n\t </Value>"},
    EmptyTextCase{u"", "<Value/>"}));

// Files as other programs may have written them.
struct ReadCase {
    const char* name;
    std::string bytes;
    std::u16string value; // of MainForm\Value
};

class XmlFileReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(XmlFileReading, DecodesTheFile)
{
    testing::TUseCodePage ansi(1252);
    TXMLFileStorage store;
    store.LoadFromBytes(GetParam().bytes);
    EXPECT_EQ(store.ReadString(u"MainForm\\Value", u"<missing>"), GetParam().value);
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string out;
    for (char16_t c : text) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

const std::u16string Utf16Document = u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<Configuration><MainForm>"
                                     u"<Value>\u00E9\u20AC\u4E2D</Value></MainForm></Configuration>\r\n";

INSTANTIATE_TEST_SUITE_P(Table, XmlFileReading, ::testing::Values(
    ReadCase{"Utf8Bom", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><Configuration><MainForm>"
                        "<Value>\xC3\xA9\xE2\x82\xAC</Value></MainForm></Configuration>", u"\u00E9\u20AC"},
    ReadCase{"Utf16LeBom", "\xFF\xFE" + Utf16Bytes(Utf16Document, false), u"\u00E9\u20AC\u4E2D"},
    ReadCase{"Utf16BeBom", "\xFE\xFF" + Utf16Bytes(Utf16Document, true), u"\u00E9\u20AC\u4E2D"},
    ReadCase{"Utf16LeWithoutBom", Utf16Bytes(Utf16Document, false), u"\u00E9\u20AC\u4E2D"},
    ReadCase{"DeclaredWindows1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<Configuration><MainForm>"
                                    "<Value>\xE9\x80</Value></MainForm></Configuration>", u"\u00E9\u20AC"},
    ReadCase{"DeclaredUtf8WithoutBom", "<?xml version='1.0' encoding='UTF-8'?><Configuration><MainForm>"
                                       "<Value>\xC3\xA9</Value></MainForm></Configuration>", u"\u00E9"},
    ReadCase{"NoDeclarationIsAnsi", "<Configuration><MainForm><Value>\xE9</Value></MainForm></Configuration>", u"\u00E9"},
    ReadCase{"UnknownCharsetIsAnsi", "<?xml version=\"1.0\" encoding=\"x-unknown\"?><Configuration><MainForm>"
                                     "<Value>\xE9</Value></MainForm></Configuration>", u"\u00E9"},
    ReadCase{"References", "<Configuration><MainForm><Value>&#233;&#xe9;&#X20AC;&#128512;&lt;&gt;&amp;&quot;&apos;"
                           "</Value></MainForm></Configuration>", u"\u00E9\u00E9\u20AC\U0001F600<>&\"'"},
    ReadCase{"CommentsCdataAndDoctype", "<?xml version=\"1.0\"?>\n<!DOCTYPE Configuration [ <!ENTITY x \">\"> ]>\n"
                                        "<!-- c --><?pi x?><Configuration><!-- <MainForm> --><MainForm a=\"1\" b='&lt;'>"
                                        "<Value>x<![CDATA[<&>]]>y<!-- z --></Value></MainForm></Configuration>\n<!-- end -->",
             u"x<&>y"},
    ReadCase{"DigitNames", "<Configuration><MainForm><0><1>a</1></0><Value>v</Value></MainForm></Configuration>", u"v"},
    ReadCase{"TextOfAnElementWithChildrenIsDropped", "<Configuration><MainForm>x<Value>v</Value>y</MainForm></Configuration>",
             u"v"},
    ReadCase{"EmptyFileIsAnEmptyTree", "", u"<missing>"},
    ReadCase{"WhiteSpaceOnlyFileIsAnEmptyTree", " \r\n", u"<missing>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlFileReading, DigitNamedElementsReadBack)
{
    TXMLFileStorage store;
    store.LoadFromBytes("<Configuration><MainForm><HotKeys><0><HotKey>Ctrl+Alt+T</HotKey></0></HotKeys></MainForm></Configuration>");
    EXPECT_EQ(store.ReadString(u"MainForm\\HotKeys\\0\\HotKey", u""), u"Ctrl+Alt+T");
}

struct MalformedCase {
    const char* name;
    std::string bytes;
    const char* message; // a part of the error message
};

class XmlMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(XmlMalformed, RaisesAClearException)
{
    TXMLFileStorage store;
    try {
        store.LoadFromBytes(GetParam().bytes);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(ToUtf8(e.Message()).find(GetParam().message), std::string::npos) << ToUtf8(e.Message());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, XmlMalformed, ::testing::Values(
    MalformedCase{"Unclosed", "<Configuration><MainForm>", "line 1, column 26: the file ends inside an element"},
    MalformedCase{"Mismatch", "<a>\r\n  <b></c>\r\n</a>", "line 2, column 6: an end tag does not match"},
    MalformedCase{"UnknownEntity", "<a>&nbsp;</a>", "unknown entity"},
    MalformedCase{"BadDigit", "<a>&#x1G;</a>", "not a digit"},
    MalformedCase{"NoDigits", "<a>&#;</a>", "no digits"},
    MalformedCase{"OutOfRange", "<a>&#x110000;</a>", "out of range"},
    MalformedCase{"HugeDecimal", "<a>&#99999999999999999999;</a>", "out of range"},
    MalformedCase{"UnclosedReference", "<a>&#65</a>", "not a digit"},
    MalformedCase{"AttributeWithoutValue", "<a b></a>", "\"=\" is expected"},
    MalformedCase{"UnquotedAttribute", "<a b=c></a>", "must be quoted"},
    MalformedCase{"TextOnly", "text", "root element is missing"},
    MalformedCase{"DeclarationOnly", "<?xml version=\"1.0\"?>", "root element is missing"},
    MalformedCase{"TwoRoots", "<a/><b/>", "after the root element"},
    MalformedCase{"UnclosedComment", "<a><!-- </a>", "comment is not closed"},
    MalformedCase{"UnclosedCdata", "<a><![CDATA[x</a>", "CDATA section is not closed"},
    MalformedCase{"EmptyName", "<a></></a>", "a name is expected"},
    MalformedCase{"Latin1InAFileDeclaredUtf8", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>K\xE9nd</a>",
                  "byte 43 is not UTF-8"},
    MalformedCase{"Latin1AfterAUtf8Mark", "\xEF\xBB\xBF<a>\xE9</a>", "byte 4 is not UTF-8"},
    MalformedCase{"OverlongUtf8", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xC0\xAF</a>", "is not UTF-8"},
    MalformedCase{"SurrogateInUtf8", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xED\xA0\x80</a>", "is not UTF-8"},
    MalformedCase{"Utf8CutInsideASequence", "\xEF\xBB\xBF<a/>\xE2\x82", "is not UTF-8"},
    MalformedCase{"NulBytesAfterRoot", std::string("<a/>\0\0", 6), "after the root element"},
    MalformedCase{"TooDeep", [] {
        std::string s;
        for (int i = 0; i < 300; ++i) s += "<a>";
        return s;
    }(), "nested too deeply"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every prefix of a real file (a cut-off copy, a disk that filled up under another program's
// write) either loads or raises the reader's Exception; nothing else escapes and nothing crashes.
TEST(XmlTruncated, EveryPrefixOfARealFileLoadsOrRaisesTheReadersError)
{
    testing::TUseCodePage ansi(1252);
    const std::string real =
        "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>\r\n<Configuration>\r\n  <MainForm>\r\n"
        "    <HotKeys>\r\n      <Count>2</Count>\r\n      <0>\r\n        <HotKey>Ctrl+Alt+T</HotKey>\r\n"
        "        <Action>Insert Text</Action>\r\n        <Settings>a &lt; b &amp; &#xE9;\r\nline 2</Settings>\r\n"
        "      </0>\r\n      <1>\r\n        <HotKey>Ctrl+Alt+S</HotKey>\r\n        <Action>Send Desktop Screenshot</Action>\r\n"
        "        <Settings/>\r\n      </1>\r\n    </HotKeys>\r\n    <FormVersion>0</FormVersion>\r\n"
        "    <MinMaxPos_1920x1080_>-1,-1,-1,-1</MinMaxPos_1920x1080_>\r\n    <ItemsVST>\r\n"
        "      <Column0Width>160</Column0Width>\r\n    </ItemsVST>\r\n  </MainForm>\r\n</Configuration>\r\n";
    for (const std::string& bytes : {real, "\xEF\xBB\xBF" + real}) {
        size_t loaded = 0;
        for (size_t length = 0; length <= bytes.size(); ++length) {
            TXMLFileStorage store;
            try {
                store.LoadFromBytes(std::string_view(bytes).substr(0, length));
                ++loaded;
            } catch (const Exception&) {
                EXPECT_EQ(store.ReadString(u"MainForm\\HotKeys\\Count", u"none"), u"none") << length;
            }
        }
        // The whole file, the file without its last line break, and the empty and blank starts.
        EXPECT_GE(loaded, 3u);
        EXPECT_LE(loaded, 6u);
    }
}

// The encoding in which a file read is written back.
struct WriteBackCase {
    const char* name;
    std::string bytes;
    std::string prefix; // the written file begins with these bytes
};

class XmlWriteBack : public ::testing::TestWithParam<WriteBackCase> {};

TEST_P(XmlWriteBack, KeepsTheDeclaredEncoding)
{
    testing::TUseCodePage ansi(1252);
    TXMLFileStorage store;
    store.LoadFromBytes(GetParam().bytes);
    std::string written = store.SaveToBytes();
    EXPECT_EQ(written.substr(0, GetParam().prefix.size()), GetParam().prefix);
    TXMLFileStorage reread;
    reread.LoadFromBytes(written);
    EXPECT_EQ(reread.ReadString(u"MainForm\\Value", u""), u"\u00E9");
}

INSTANTIATE_TEST_SUITE_P(Table, XmlWriteBack, ::testing::Values(
    WriteBackCase{"Utf8", "<?xml version=\"1.0\" encoding=\"utf-8\"?><Configuration><MainForm><Value>&#xE9;</Value></MainForm></Configuration>",
                  "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<Configuration>\r\n"},
    WriteBackCase{"Utf16", "\xFF\xFE" + Utf16Bytes(u"<?xml version=\"1.0\" encoding=\"utf-16\" standalone=\"yes\"?><Configuration><MainForm>"
                                                   u"<Value>\u00E9</Value></MainForm></Configuration>", false),
                  "\xFF\xFE" + Utf16Bytes(u"<?xml version=\"1.0\" encoding=\"utf-16\" standalone=\"yes\"?>\r\n", false)},
    WriteBackCase{"Windows1250", "<?xml version=\"1.1\" encoding=\"windows-1250\"?><Configuration><MainForm><Value>&#xE9;</Value></MainForm></Configuration>",
                  "<?xml version=\"1.1\" encoding=\"windows-1250\" standalone=\"no\"?>\r\n"},
    WriteBackCase{"NoDeclaration", "<Configuration><MainForm><Value>&#xE9;</Value></MainForm></Configuration>",
                  "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>\r\n"},
    WriteBackCase{"OddDeclarationValuesStayParsable", "<?xml version='1.0' encoding='a\"b'?><Configuration><MainForm><Value>&#xE9;</Value></MainForm></Configuration>",
                  "<?xml version=\"1.0\" encoding=\"a&quot;b\" standalone=\"no\"?>\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The declaration of a file the store creates names the ANSI code page.
struct CharsetCase {
    unsigned codePage;
    std::string declaration;
    std::string bom;
};

class XmlNewFileCharset : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(XmlNewFileCharset, DeclaresTheAnsiCodePage)
{
    testing::TUseCodePage ansi(GetParam().codePage);
    TXMLFileStorage store;
    EXPECT_EQ(store.SaveToBytes(), GetParam().bom + CrLfLines({"<?xml version=\"1.0\" encoding=\"" + GetParam().declaration +
                                                                   "\" standalone=\"no\"?>",
                                                               "<Configuration/>"}));
}

INSTANTIATE_TEST_SUITE_P(Table, XmlNewFileCharset, ::testing::Values(
    CharsetCase{1252, "Windows-1252", ""}, CharsetCase{1250, "windows-1250", ""}, CharsetCase{1251, "windows-1251", ""},
    CharsetCase{932, "shift_jis", ""}, CharsetCase{65001, "utf-8", "\xEF\xBB\xBF"},
    CharsetCase{12345, "utf-8", "\xEF\xBB\xBF"})); // a code page without a name: UTF-8

TEST(Charsets, NamesAndCodePagesAgree)
{
    for (unsigned cp : {437u, 874u, 932u, 936u, 949u, 950u, 1200u, 1201u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u,
                        1257u, 1258u, 20127u, 28591u, 28605u, 65001u}) {
        std::u16string name = CharsetName(cp);
        ASSERT_FALSE(name.empty()) << cp;
        EXPECT_EQ(CodePageOfCharset(name), cp) << cp;
    }
    EXPECT_EQ(CodePageOfCharset(u"WINDOWS-1252"), 1252u);
    EXPECT_EQ(CodePageOfCharset(u"cp1251"), 1251u);
    EXPECT_EQ(CodePageOfCharset(u"UTF-16LE"), 1200u);
    EXPECT_EQ(CodePageOfCharset(u"windows-99999"), 0u);
    EXPECT_EQ(CodePageOfCharset(u""), 0u);
    EXPECT_EQ(CharsetName(0), u"");
}

} // namespace
} // namespace zel
