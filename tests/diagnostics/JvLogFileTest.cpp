#include "diagnostics/JvLogFile.h"
#include "support/LogTestSupport.h"
#include "platform/AnsiCodePage.h"
#include "platform/PortableCodePage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

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

    test::TFixedTimeScope FTime;
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

} // namespace
} // namespace zel
