#include "platform/Exceptions.h"
#include "diagnostics/JvLogFile.h"
#include "support/LogTestSupport.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileAccess.h"
#include "platform/PortableCodePage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace zel {
namespace {

namespace fs = std::filesystem;

std::u16string U(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAnsiCodePage(&FCodePage);
        std::random_device random;
        FFolder = fs::temp_directory_path() / ("zel-log-" + std::to_string(random()));
        fs::create_directories(FFolder);
    }
    void TearDown() override
    {
        SetAnsiCodePage(nullptr);
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }
    std::u16string PathOf(const char* name) const { return (FFolder / name).u16string(); }
    std::string Bytes(const char* name) const
    {
        std::ifstream file(FFolder / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    void Write(const char* name, const std::string& bytes) const
    {
        std::ofstream(FFolder / name, std::ios::binary) << bytes;
    }
    // The titles that a log bound to the file reads back.
    std::vector<std::u16string> TitlesIn(const char* name) const
    {
        TJvLogFile log;
        log.SetFileName(PathOf(name));
        std::vector<std::u16string> titles;
        for (size_t i = 0; i < log.Count(); ++i)
            titles.push_back(log[i].Title);
        return titles;
    }

    testing::TFixedTimeScope FTime;
    TPortableCodePage FCodePage{1252};
    fs::path FFolder;
};

struct LineCase {
    TJvLogEventSeverity Severity;
    const char* Title;
    const char* Description;
    const char* Line;
};

class LogLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineTest, WritesTheLineAndReadsItBack)
{
    const LineCase& c = GetParam();
    TJvLogRecord record{U("05.03.2014 10:15:02"), U(c.Title), U(c.Description), c.Severity};
    EXPECT_EQ(record.GetOutputString(), U(c.Line));

    TJvLogRecord back;
    std::u16string line = U(c.Line);
    ASSERT_TRUE(ParseLogLine(std::u16string_view(line).substr(0, line.size() - 2), back));
    EXPECT_EQ(back.Time, record.Time);
    EXPECT_EQ(back.Title, record.Title);
    EXPECT_EQ(back.Description, record.Description);
    EXPECT_EQ(back.Severity, record.Severity);
}

INSTANTIATE_TEST_SUITE_P(Table, LogLineTest, ::testing::Values(
    LineCase{lesError, "", "", "[05.03.2014 10:15:02]Error>>\r\n"},
    LineCase{lesError, "Exception EOleSysError: failed", "", "[05.03.2014 10:15:02]Error>Exception EOleSysError: failed>\r\n"},
    LineCase{lesWarning, "a>b", "d", "[05.03.2014 10:15:02]Warning>a>>b>d\r\n"},
    LineCase{lesInformation, ">>", "x>y", "[05.03.2014 10:15:02]Information>>>>>>x>y\r\n"},
    LineCase{lesError, "ends>", "", "[05.03.2014 10:15:02]Error>ends>>>\r\n"}));

struct ParseCase {
    const char* Line;
    bool Entry;
    const char* Time;
    TJvLogEventSeverity Severity;
    const char* Title;
    const char* Description;
};

class LogParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(LogParseTest, FollowsTheLoadingRules)
{
    const ParseCase& c = GetParam();
    TJvLogRecord record;
    std::u16string line = U(c.Line);
    ASSERT_EQ(ParseLogLine(line, record), c.Entry);
    if (!c.Entry)
        return;
    EXPECT_EQ(record.Time, U(c.Time));
    EXPECT_EQ(record.Severity, c.Severity);
    EXPECT_EQ(record.Title, U(c.Title));
    EXPECT_EQ(record.Description, U(c.Description));
}

INSTANTIATE_TEST_SUITE_P(Table, LogParseTest, ::testing::Values(
    ParseCase{"no brackets at all", false, "", lesError, "", ""},
    ParseCase{"]Error>x> [ without close", false, "", lesError, "", ""},
    ParseCase{"text before [t]Error>title>", true, "t", lesError, "title", ""},
    ParseCase{"[t]]Warning>a>b", true, "t", lesInformation, "a", "b"},
    ParseCase{"[t]Warning", true, "t", lesInformation, "Warning", ""},
    ParseCase{"[t]Custom>a>>b", true, "t", lesInformation, "a>b", ""},
    ParseCase{"[t]Error>a>b>c", true, "t", lesError, "a", "b>c"},
    ParseCase{"[]>", true, "", lesInformation, "", ""}));

TEST_F(LogFileTest, AddStampsTimeAndSeverityAndHonoursTheThreshold)
{
    TJvLogFile log;
    log.Add(U("first"), U(""));
    log.Add(lesWarning, U("w"), U(""));
    log.SetSeverity(lesError);
    log.Add(lesWarning, U("ignored"), U(""));
    log.SetActive(false);
    log.Add(U("ignored too"), U(""));
    ASSERT_EQ(log.Count(), 2u);
    EXPECT_EQ(log[0].GetOutputString(), U("[05.03.2014 10:15:02]Error>first>\r\n"));
    EXPECT_EQ(log[1].Severity, lesWarning);
}

TEST_F(LogFileTest, FirstSecondAfterMidnightGivesTheDateAlone)
{
    FTime.Clock.Time = TLocalDateTime{2014, 3, 6, 0, 0, 0, 999};
    TJvLogFile log;
    log.Add(U("midnight"), U(""));
    FTime.Clock.Time.Second = 1;
    log.Add(U("a second later"), U(""));
    EXPECT_EQ(log[0].Time, U("06.03.2014"));
    EXPECT_EQ(log[1].Time, U("06.03.2014 00:00:01"));
}

TEST_F(LogFileTest, AutoSaveNeedsAFileName)
{
    TJvLogFile log;
    log.SetAutoSave(true);
    EXPECT_FALSE(log.AutoSave());
    log.SetFileName(PathOf("error.log"));
    log.SetAutoSave(true);
    EXPECT_TRUE(log.AutoSave());
    log.SetFileName(U(""));
    EXPECT_FALSE(log.AutoSave());
}

TEST_F(LogFileTest, WithoutAFileTheFirstEntryCreatesIt)
{
    TJvLogFile log;
    log.Add(U("before binding"), U(""));
    log.SetFileName(PathOf("error.log"));
    EXPECT_EQ(log.Count(), 1u) << "nothing to load keeps the entries in memory";
    log.SetAutoSave(true);
    EXPECT_FALSE(fs::exists(FFolder / "error.log"));
    log.Add(u"caf\u00e9 > tea", U(""));
    EXPECT_EQ(Bytes("error.log"), "[05.03.2014 10:15:02]Error>before binding>\r\n"
                                  "[05.03.2014 10:15:02]Error>caf\xe9 >> tea>\r\n");
}

TEST_F(LogFileTest, BindingLoadsTheFileInPlaceOfTheEntriesInMemory)
{
    Write("error.log", "[01.01.2014 08:00:00]Error>one>\r\n"
                       "continuation of a title without brackets\r\n"
                       "[01.01.2014 08:00:01]Warning>two >> three>desc\n"
                       "\r\n"
                       "a line with [brackets] in it\r"
                       "[x]Error>last");
    TJvLogFile log;
    log.Add(U("in memory"), U(""));
    log.SetFileName(PathOf("error.log"));
    ASSERT_EQ(log.Count(), 4u);
    EXPECT_EQ(log[0].Title, U("one"));
    EXPECT_EQ(log[1].Title, U("two > three"));
    EXPECT_EQ(log[1].Description, U("desc"));
    EXPECT_EQ(log[2].Time, U("brackets"));
    EXPECT_EQ(log[2].Title, U(" in it"));
    EXPECT_EQ(log[3].Title, U("last"));
}

TEST_F(LogFileTest, TitleWithLineBreakComesBackAsItsFirstLine)
{
    TJvLogFile log;
    log.SetFileName(PathOf("error.log"));
    log.SetAutoSave(true);
    log.Add(U("System message.\r\nSecond line"), U(""));
    log.Add(U("next"), U(""));
    TJvLogFile again;
    again.SetFileName(PathOf("error.log"));
    ASSERT_EQ(again.Count(), 2u);
    EXPECT_EQ(again[0].Title, U("System message."));
    EXPECT_EQ(again[1].Title, U("next"));
}

TEST_F(LogFileTest, SizeLimitKeepsTheNewestEntriesThatReachIt)
{
    // Each line is 100 characters: "[05.03.2014 10:15:02]Error>" (27) + title (70) + ">\r\n" (3).
    const std::u16string title(70, u'x');
    const size_t lineLength = 27 + 70 + 3;
    ASSERT_EQ(TJvLogRecord({U("05.03.2014 10:15:02"), title, U(""), lesError}).GetOutputString().size(), lineLength);
    const size_t limit = 1048576;
    TJvLogFile log;
    log.SetSizeLimit(limit);
    const size_t fit = limit / lineLength; // 10485 lines: 1048500 characters, 76 below the limit
    for (size_t i = 0; i < fit; ++i)
        log.Add(title, U(""));
    EXPECT_EQ(log.Count(), fit);
    log.Add(title, U(""));
    EXPECT_EQ(log.Count(), fit + 1) << "the sum first reaches the limit with the oldest line";
    log.Add(U("newest"), U(""));
    ASSERT_EQ(log.Count(), fit + 2) << "36 + 10486 x 100 characters reach the limit only with the oldest line";
    log.Add(title, U(""));
    ASSERT_EQ(log.Count(), fit + 2) << "the oldest line is dropped";
    EXPECT_EQ(log[log.Count() - 2].Title, U("newest"));
    EXPECT_GE(log.Text().size(), limit);
    EXPECT_LT(log.Text().size(), limit + lineLength);
    for (size_t i = 0; i < log.Count(); ++i)
        ASSERT_EQ(log[i].OutputLength(), log[i].GetOutputString().size());

    TJvLogFile tiny;
    tiny.SetSizeLimit(10);
    tiny.Add(U("a"), U(""));
    tiny.Add(U("an entry longer than the limit"), U(""));
    ASSERT_EQ(tiny.Count(), 1u);
    EXPECT_EQ(tiny[0].Title, U("an entry longer than the limit"));
}

TEST_F(LogFileTest, UnwritableFileKeepsTheEntriesForTheNextSave)
{
    TJvLogFile log;
    log.SetFileName(PathOf("missing-folder/error.log"));
    log.SetAutoSave(true);
    log.Add(U("kept"), U(""));
    EXPECT_FALSE(log.Save());
    EXPECT_EQ(log.Count(), 1u);
    fs::create_directories(FFolder / "missing-folder");
    log.Add(U("second"), U(""));
    EXPECT_EQ(Bytes("missing-folder/error.log"), "[05.03.2014 10:15:02]Error>kept>\r\n[05.03.2014 10:15:02]Error>second>\r\n");
}

// A title of 70 characters, numbered, so that every line is 100 characters long (in code page
// 1252 as many bytes) and the order of the entries shows in the file.
std::u16string Numbered(std::u16string_view prefix, size_t number)
{
    std::u16string title = std::u16string(prefix) + U(std::to_string(number).c_str());
    title.resize(70, u'.');
    return title;
}

TEST_F(LogFileTest, BlocksAtTheLimitAreAppendedAndTheFileTrimmedOnlyPastTheMargin)
{
    const size_t limit = 48000, lineLength = 100, blockLines = 5;
    // An error.log that an older version left, written whole, three times larger than the limit.
    std::string old;
    for (size_t i = 0; i < 3 * limit / lineLength; ++i)
        old += "[01.01.2014 08:00:00]Error>" + ToUtf8(Numbered(u"old ", i)) + ">\r\n";
    Write("error.log", old);

    TJvLogFile log;
    log.SetSizeLimit(limit);
    log.SetFileName(PathOf("error.log"));
    log.SetAutoSave(true);
    ASSERT_EQ(log.SizeLimitMargin(), limit / 16);
    std::string before = Bytes("error.log");
    size_t added = 0, trims = 0, appends = 0;
    for (size_t block = 0; block < 200; ++block) {
        {
            TJvLogUpdate update(log);
            for (size_t line = 0; line < blockLines; ++line)
                log.Add(Numbered(line == 0 ? u"caf\u00e9 " : u"entry ", added++), U(""));
        }
        const std::string after = Bytes("error.log");
        ASSERT_LE(after.size(), limit + log.SizeLimitMargin()) << "block " << block;
        if (after.size() > before.size() && after.compare(0, before.size(), before) == 0) {
            ++appends;
        } else {
            // A trim: the newest entries that reach the limit, as in memory, in the ANSI code page.
            ++trims;
            ASSERT_EQ(after, AnsiCodePage().FromUtf16(log.Text())) << "block " << block;
            ASSERT_GE(after.size(), limit);
            ASSERT_LT(after.size(), limit + lineLength);
        }
        before = after;
    }
    EXPECT_GE(trims, 1u);
    // After a trim the file is less than a line above the limit: the margin then takes this many
    // blocks before the next trim.
    const size_t blocksPerTrim = (log.SizeLimitMargin() - lineLength) / (blockLines * lineLength);
    EXPECT_GE(appends, blocksPerTrim * trims);

    // Whole entries, consecutive, the newest last.
    std::vector<std::u16string> titles = TitlesIn("error.log");
    ASSERT_EQ(titles.size(), before.size() / lineLength);
    for (size_t i = 0; i < titles.size(); ++i) {
        size_t number = added - titles.size() + i;
        ASSERT_EQ(titles[i], Numbered(number % blockLines == 0 ? u"caf\u00e9 " : u"entry ", number)) << i;
    }
}

TEST_F(LogFileTest, ABlockReachesTheFileInOneWrite)
{
    TJvLogFile log;
    log.SetFileName(PathOf("error.log"));
    log.SetAutoSave(true);
    {
        TJvLogUpdate outer(log);
        log.Add(U("one"), U(""));
        {
            TJvLogUpdate inner(log);
            log.Add(U("two"), U(""));
        }
        EXPECT_FALSE(fs::exists(FFolder / "error.log")) << "the inner update is part of the outer one";
        log.Add(U("three"), U(""));
    }
    EXPECT_EQ(TitlesIn("error.log"), (std::vector<std::u16string>{U("one"), U("two"), U("three")}));
}

// The bytes of a literal, NULs included.
template <size_t N>
std::string Literal(const char (&text)[N])
{
    return std::string(text, N - 1);
}

struct TailCase {
    const char* Name;
    std::string Content; // error.log as a crash, another program or an older version left it
    std::vector<std::string> Entries; // the entries a log reads from it, as their lines
};

class LogTailTest : public LogFileTest, public ::testing::WithParamInterface<TailCase> {
protected:
    std::vector<std::u16string> EntriesIn(const char* name) const
    {
        TJvLogFile log;
        log.SetFileName(PathOf(name));
        std::vector<std::u16string> lines;
        for (size_t i = 0; i < log.Count(); ++i)
            lines.push_back(log[i].GetOutputString());
        return lines;
    }
};

TEST_P(LogTailTest, NewEntriesStartOnALineOfTheirOwnAndReadBackWhole)
{
    const TailCase& c = GetParam();
    Write("error.log", c.Content);
    std::vector<std::u16string> expected;
    for (const std::string& line : c.Entries)
        expected.push_back(U(line.c_str()));
    ASSERT_EQ(EntriesIn("error.log"), expected);

    {
        TJvLogFile log;
        log.SetFileName(PathOf("error.log"));
        log.SetAutoSave(true);
        TJvLogUpdate update(log);
        log.Add(U("new > 1"), U(""));
        log.Add(U("new 2"), U(""));
    }
    const char* lines[] = {"[05.03.2014 10:15:02]Error>new >> 1>\r\n", "[05.03.2014 10:15:02]Error>new 2>\r\n"};
    const std::string bytes = Bytes("error.log");
    const std::string added = std::string(lines[0]) + lines[1];
    ASSERT_GE(bytes.size(), added.size());
    EXPECT_EQ(bytes.substr(bytes.size() - added.size()), added) << "written whole";
    EXPECT_EQ(bytes.substr(0, c.Content.size()), c.Content) << "what was there stays";
    expected.push_back(U(lines[0]));
    expected.push_back(U(lines[1]));
    EXPECT_EQ(EntriesIn("error.log"), expected);

    // The next run reads it and extends it the same way.
    {
        TJvLogFile log;
        log.SetFileName(PathOf("error.log"));
        log.SetAutoSave(true);
        log.Add(U("next run"), U(""));
    }
    expected.push_back(U("[05.03.2014 10:15:02]Error>next run>\r\n"));
    EXPECT_EQ(EntriesIn("error.log"), expected);
}

const std::string Old = "[01.01.2014 08:00:00]Error>old>\r\n";
INSTANTIATE_TEST_SUITE_P(Table, LogTailTest, ::testing::Values(
    TailCase{"NoFileContent", "", {}},
    TailCase{"WholeLines", Old, {Old}},
    TailCase{"CutInTheTitle", Old + "[01.01.2014 08:00:01]Error>Exception EOleSys", {Old, "[01.01.2014 08:00:01]Error>Exception EOleSys>\r\n"}},
    TailCase{"CutBetweenCrAndLf", Old + "[01.01.2014 08:00:01]Error>cut>\r", {Old, "[01.01.2014 08:00:01]Error>cut>\r\n"}},
    TailCase{"CutInTheTime", Old + "[01.01.2014 08:0", {Old}},
    TailCase{"NulsAfterACutLine", Old + Literal("[01.01.2014 08:00:01]Error>cut\0\0\0\0"), {Old, "[01.01.2014 08:00:01]Error>cut>\r\n"}},
    TailCase{"NulsInPlaceOfALine", Old + Literal("\0\0\0\0\0\0\0\0"), {Old}},
    TailCase{"LineFeedsOnly", "[01.01.2014 08:00:00]Error>one>\n[t]Warning>two>\n", {"[01.01.2014 08:00:00]Error>one>\r\n", "[t]Warning>two>\r\n"}},
    TailCase{"NotALog", Literal("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff"), {}},
    TailCase{"NotALogWithABracket", "binary [ data", {}}),
    [](const ::testing::TestParamInfo<TailCase>& info) { return std::string(info.param.Name); });

TEST_F(LogFileTest, TheTrimReplacesTheFileAtOnce)
{
    struct TRemoveHook {
        ~TRemoveHook() { SetBeforeFileReplaceHook({}); }
    } removeHook;
    const size_t limit = 2000;
    TJvLogFile log;
    log.SetSizeLimit(limit);
    log.SetFileName(PathOf("error.log"));
    log.SetAutoSave(true);

    // At the moment of the replacement, error.log is still the old file, whole, and the
    // temporary file beside it is the new one, whole: a crash then leaves one or the other.
    std::string before, old, replacement;
    int replacements = 0;
    SetBeforeFileReplaceHook([&](const fs::path& temporary) {
        ++replacements;
        EXPECT_EQ(temporary.parent_path(), FFolder);
        old = Bytes("error.log");
        replacement = Bytes(temporary.filename().string().c_str());
    });
    size_t added = 0;
    while (replacements == 0 && added < 1000) {
        before = Bytes("error.log");
        log.Add(Numbered(u"entry ", added++), U(""));
    }
    ASSERT_EQ(replacements, 1);
    EXPECT_EQ(old, before);
    EXPECT_EQ(replacement, AnsiCodePage().FromUtf16(log.Text()));
    EXPECT_EQ(Bytes("error.log"), replacement);
    EXPECT_EQ(log[log.Count() - 1].Title, Numbered(u"entry ", added - 1));

    // A replacement that fails (a reader holds error.log and does not let it be replaced): the
    // file stays, the entry is appended to it, no temporary file is left, and the next entry
    // tries again.
    while (Bytes("error.log").size() + 100 <= limit + log.SizeLimitMargin())
        log.Add(Numbered(u"entry ", added++), U(""));
    before = Bytes("error.log");
    SetBeforeFileReplaceHook([](const fs::path&) { throw EOSError(u"The process cannot access the file."); });
    log.Add(Numbered(u"entry ", added++), U(""));
    EXPECT_EQ(Bytes("error.log"), before + "[05.03.2014 10:15:02]Error>" + ToUtf8(Numbered(u"entry ", added - 1)) + ">\r\n");
    EXPECT_FALSE(fs::exists(FFolder / "error.log.tmp"));
    SetBeforeFileReplaceHook({});
    log.Add(Numbered(u"entry ", added++), U(""));
    EXPECT_EQ(Bytes("error.log"), AnsiCodePage().FromUtf16(log.Text()));
}

} // namespace
} // namespace zel
