// The About window's texts without a window: the link labels' markup, the captions, the default
// acknowledgements and the readme beside the module.
#include "diagnostics/AboutTexts.h"
#include "diagnostics/LinkMarkup.h"
#include "platform/PortableCodePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zel {
namespace {

std::string Narrow(std::u16string_view text)
{
    std::string result;
    for (char16_t c : text)
        result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

TMarkupLine Line(std::vector<TMarkupRun> runs, bool paragraph = false)
{
    return TMarkupLine{paragraph, std::move(runs)};
}

TEST(LinkMarkup, SplitsTheCaptionIntoLinesOfPlainAndLinkRuns)
{
    struct Case {
        std::u16string_view caption;
        std::vector<TMarkupLine> lines;
    };
    const Case cases[] = {
        {u"", {Line({})}},
        {u"plain", {Line({{u"plain", false}})}},
        {u"a<br>b", {Line({{u"a", false}}), Line({{u"b", false}})}},
        {u"a<p>b", {Line({{u"a", false}}), Line({{u"b", false}}, true)}},
        {u"<br>", {Line({}), Line({})}},
        {u"a<br><br>b", {Line({{u"a", false}}), Line({}), Line({{u"b", false}})}},
        // The link runs to the end of the caption, across line breaks.
        {u"page:<br><link>https://x/y?z", {Line({{u"page:", false}}), Line({{u"https://x/y?z", true}})}},
        {u"see <link>here<br>and here", {Line({{u"see ", false}, {u"here", true}}), Line({{u"and here", true}})}},
        {u"<link>", {Line({})}},
        // The tags' letters in any case.
        {u"a<BR>b<Link>c", {Line({{u"a", false}}), Line({{u"b", false}, {u"c", true}})}},
        // Anything else is text: unknown tags, a closing tag, unfinished tags, a lone "<".
        {u"<b>bold</b>", {Line({{u"<b>bold</b>", false}})}},
        {u"x</link>y", {Line({{u"x</link>y", false}})}},
        {u"a<br", {Line({{u"a<br", false}})}},
        {u"1 < 2 <p", {Line({{u"1 < 2 <p", false}})}},
        {u"<<br>>", {Line({{u"<", false}}), Line({{u">", false}})}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseLinkMarkup(c.caption), c.lines) << Narrow(c.caption);
}

TEST(LinkMarkup, ThePlainTextIsWhatTheLabelShows)
{
    EXPECT_EQ(MarkupPlainText(u"a<br><link>b"), u"a\r\nb");
    EXPECT_EQ(MarkupPlainText(u"a<p>b"), u"a\r\n\r\nb");
    EXPECT_EQ(MarkupPlainText(u"<i>x</i>"), u"<i>x</i>");
}

TEST(AboutTexts, TheCaptionsNameTheProductItsVersionAndItsPage)
{
    EXPECT_EQ(MakeAboutTextCaption(u"2.10.5129"),
              u"Zelkor Hotkeys for Outlook 2.10.5129<br>Copyright \u00A9 Zelkor. All rights reserved.");
    // A module without a version resource: no version and no space before the line break.
    EXPECT_EQ(MakeAboutTextCaption(u""), u"Zelkor Hotkeys for Outlook<br>Copyright \u00A9 Zelkor. All rights reserved.");
    EXPECT_EQ(ProductPageAddress(), u"https://www.zelkor.com/outlook-hotkeys?ref=app");
    EXPECT_EQ(MakeWebPageLinkCaption(),
              u"Zelkor Hotkeys for Outlook web page:<br><link>https://www.zelkor.com/outlook-hotkeys?ref=app");
    const std::vector<TMarkupLine> link = ParseLinkMarkup(MakeWebPageLinkCaption());
    ASSERT_EQ(link.size(), 2u);
    EXPECT_EQ(link[1], Line({{ProductPageAddress(), true}}));
}

TEST(AboutTexts, TheDefaultAcknowledgementsAreThreeLinesNamingTheLinkedLibraries)
{
    const std::u16string text = DefaultLicMemoText();
    size_t lines = 1;
    for (size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 3u);
    EXPECT_EQ(text.find(u"This program contains:\r\n"), 0u);
    for (std::u16string_view name : {u"libjpeg-turbo", u"based in part on the work of the Independent JPEG Group",
                                     u"https://libjpeg-turbo.org", u"MinGW-w64", u"winpthreads"})
        EXPECT_NE(text.find(name), std::u16string::npos) << Narrow(name);
}

TEST(AboutTexts, TheReadmeLiesInTheModulesFolder)
{
    struct Case {
        std::u16string_view module, readme;
    };
    for (const Case& c : {Case{u"C:\\Program Files\\Zelkor\\ZelHotkeys.dll", u"C:\\Program Files\\Zelkor\\readme_zelhotkeys.txt"},
                          Case{u"C:\\ZelHotkeys.dll", u"C:\\readme_zelhotkeys.txt"},
                          Case{u"/opt/zel/test.exe", u"/opt/zel/readme_zelhotkeys.txt"},
                          Case{u"ZelHotkeys.dll", u"readme_zelhotkeys.txt"}})
        EXPECT_EQ(ReadmePath(c.module), c.readme) << Narrow(c.module);
}

TEST(AboutTexts, TheReadmesLinesAreJoinedByCrLfFromTheAnsiCodePage)
{
    const TPortableCodePage windows1252(1252);
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"one\r\ntwo\r\n", u"one\r\ntwo"},
        {"one\ntwo\rthree", u"one\r\ntwo\r\nthree"},
        {"a\r\n\r\nb\r\n\r\n", u"a\r\n\r\nb\r\n"},
        {"", u""},
        {"\r\n", u""},
        // Windows-1252: the copyright sign and the euro sign.
        {"\xA9 Zelkor \x80", u"\u00A9 Zelkor \u20AC"},
        // A file saved with a byte order mark says its own encoding.
        {"\xEF\xBB\xBF\xC2\xA9 x\r\ny", u"\u00A9 x\r\ny"},
        {std::string("\xFF\xFE\xA9\x00\n\x00z\x00", 8), u"\u00A9\r\nz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadmeText(c.bytes, windows1252), c.text) << c.bytes;
    // Another ANSI code page reads the same bytes as its own characters.
    EXPECT_EQ(ReadmeText("\xE9", TPortableCodePage(28591)), u"\u00E9");
}

#ifdef ZEL_TEST_README
// The readme that ships beside the DLL: plain text with CR LF line ends, ASCII only (the same in
// every ANSI code page), the acknowledgements first and the notices the libraries ask for.
TEST(AboutTexts, TheShippedReadmeIsCrLfAsciiTextWithTheRequiredNotices)
{
    std::FILE* file = std::fopen(ZEL_TEST_README, "rb");
    ASSERT_NE(file, nullptr) << ZEL_TEST_README;
    std::string bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), file)) > 0;)
        bytes.append(buffer, n);
    std::fclose(file);

    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        ASSERT_TRUE(c < 0x80 && (c >= 0x20 || c == '\r' || c == '\n')) << "byte " << i;
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "a bare LF at byte " << i;
        }
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "a bare CR at byte " << i;
        }
    }
    ASSERT_TRUE(bytes.ends_with("\r\n"));

    const std::u16string text = ReadmeText(bytes, TPortableCodePage(1252));
    EXPECT_EQ(text.find(u"Zelkor Hotkeys for Outlook\r\nThis program contains:\r\n- libjpeg-turbo"), 0u);
    for (std::u16string_view part :
         {u"This software is based in part on the work of the Independent JPEG Group.", u"https://libjpeg-turbo.org",
          u"Copyright (c) 2011-2016 mingw-w64 project", u"Copyright (C) 1997-2001 Lucent Technologies",
          u"Copyright (c) 2009-2016 the mingw-w64 project", u"regsvr32 /n /i:user ZelHotkeys.dll",
          u"regsvr32 /u /n /i:user ZelHotkeys.dll", u"regsvr32 ZelHotkeys.dll",
          u"%APPDATA%\\Zelkor\\Zelkor Hotkeys for Outlook\\config.xml",
          u"%APPDATA%\\Zelkor\\Zelkor Hotkeys for Outlook\\error.log", u"zelre.dll", u"Common Files"})
        EXPECT_NE(text.find(part), std::u16string::npos) << Narrow(part);
}
#endif

} // namespace
} // namespace zel
