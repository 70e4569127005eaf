// The block of entries the notifier writes, from given frames and locations.
#include "platform/Exceptions.h"
#include "diagnostics/LogException.h"
#include "support/LogTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zel {
namespace {

std::u16string U(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::vector<std::u16string> Titles(const TJvLogFile& log)
{
    std::vector<std::u16string> titles;
    for (size_t i = 0; i < log.Count(); ++i)
        titles.push_back(log[i].Title);
    return titles;
}

// Knows the addresses 0x1000 (raise), 0x2000 and 0x3000 (handlers); nothing else.
TJclLocationInfo FakeLookup(const void* address)
{
    TJclLocationInfo info;
    info.Address = address;
    auto a = reinterpret_cast<std::uintptr_t>(address);
    if (a == 0x1000 || a == 0x2000 || a == 0x3000) {
        info.UnitName = "Main";
        info.ProcedureName = "zel::TMainForm::DoHotKey";
        info.SourceName = "Main.cpp";
        info.LineNumber = static_cast<std::int32_t>(a / 0x100);
    }
    return info;
}

const void* P(std::uintptr_t value) { return reinterpret_cast<const void*>(value); }

TJclExceptFrame Frame(TExceptFrameKind kind, std::uintptr_t location, std::uintptr_t code,
                      std::vector<TExceptHandlerEntry> handlers = {})
{
    TJclExceptFrame frame;
    frame.FFrameKind = kind;
    frame.FFrameLocation = P(location);
    frame.FCodeLocation = P(code);
    frame.FHandlers = std::move(handlers);
    return frame;
}

class ExceptionBlockTest : public ::testing::Test {
protected:
    testing::TFixedTimeScope FTime;
    TJvLogFile FLog;
};

TEST_F(ExceptionBlockTest, WritesTheEntriesUpToTheHandlingFrame)
{
    EOleSysError error(u"DllGetClassObject returned 0x800401FA", static_cast<std::int32_t>(0x800401FA));
    TExceptObject obj{&error, &typeid(error)};
    TJclExceptFrameList frames{
        Frame(efkFinally, 0x18F1C4, 0x3000),
        Frame(efkOnException, 0x18F200, 0x2100, {{&typeid(EIntfCastError), P(0x2100)}, {&typeid(std::runtime_error), P(0x2100)}}),
        Frame(efkOnException, 0x18F2E0, 0x2000, {{&typeid(EIntfCastError), P(0x2200)}, {&typeid(EOleError), P(0x2000)}}),
        Frame(efkAnyException, 0x18F300, 0x4000),
    };
    WriteExceptionBlock(FLog, obj, P(0x1000), false, true, frames, &FakeLookup, 8);
    std::vector<std::u16string> expected{
        u"",
        u"Exception EOleSysError: DllGetClassObject returned 0x800401FA",
        u"  Exception occured at $00001000 (Module \"Main\", Procedure \"zel::TMainForm::DoHotKey\", Unit \"Main.cpp\", Line 16)",
        u"  Except frame-dump:",
        u"    Frame at $0018F1C4 (type: efkFinally)",
        u"      Code at $00003000",
        u"      Module \"Main\", Procedure \"zel::TMainForm::DoHotKey\", Unit \"Main.cpp\", Line 48",
        u"    Frame at $0018F200 (type: efkOnException)",
        u"      Code at $00002100",
        u"      Module \"\", Procedure \"\", Unit \"\", Line 0",
        u"    Frame at $0018F2E0 (type: efkOnException, handles exception)",
        u"      Handler at $00002000",
        u"      Module \"Main\", Procedure \"zel::TMainForm::DoHotKey\", Unit \"Main.cpp\", Line 32",
        u"",
    };
    EXPECT_EQ(Titles(FLog), expected);
    EXPECT_EQ(FLog[1].GetOutputString(), u"[05.03.2014 10:15:02]Error>Exception EOleSysError: DllGetClassObject returned 0x800401FA>\r\n");
}

struct ObjectCase {
    const char* Name;
    bool Os;
    int Digits;
    std::string Title;
    std::string At;
};

class ExceptionTitleTest : public ExceptionBlockTest, public ::testing::WithParamInterface<ObjectCase> {};

TEST_P(ExceptionTitleTest, NamesTheObjectAndTheAddress)
{
    const ObjectCase& c = GetParam();
    EAccessViolation violation(u"Access violation at address 00401000");
    std::out_of_range range("vector");
    int number = 7;
    TExceptObject obj = std::string(c.Name) == "violation" ? TExceptObject{&violation, &typeid(violation)}
                        : std::string(c.Name) == "range"   ? TExceptObject{&range, &typeid(range)}
                                                           : TExceptObject{&number, &typeid(number)};
    WriteExceptionBlock(FLog, obj, P(0xABC), c.Os, false, {}, &FakeLookup, c.Digits);
    ASSERT_EQ(FLog.Count(), 4u) << "without frame tracking there is no frame-dump entry";
    EXPECT_EQ(FLog[1].Title, U(c.Title));
    EXPECT_EQ(FLog[2].Title, U(c.At));
}

INSTANTIATE_TEST_SUITE_P(Table, ExceptionTitleTest, ::testing::Values(
    ObjectCase{"violation", true, 8, "Exception EAccessViolation: Access violation at address 00401000 (OS Exception)",
               "  Exception occured at $00000ABC (Module \"\", Procedure \"\", Unit \"\", Line 0)"},
    ObjectCase{"range", false, 16, "Exception std::out_of_range",
               "  Exception occured at $0000000000000ABC (Module \"\", Procedure \"\", Unit \"\", Line 0)"},
    ObjectCase{"int", false, 8, "Exception int",
               "  Exception occured at $00000ABC (Module \"\", Procedure \"\", Unit \"\", Line 0)"}));

TEST_F(ExceptionBlockTest, EmptyFrameListGivesTheDumpEntryAlone)
{
    EConvertError error(u"'x' is not a valid integer value");
    WriteExceptionBlock(FLog, TExceptObject{&error, &typeid(error)}, P(0x1000), false, true, {}, &FakeLookup, 8);
    ASSERT_EQ(FLog.Count(), 5u);
    EXPECT_EQ(FLog[3].Title, u"  Except frame-dump:");
    EXPECT_EQ(FLog[4].Title, u"");
}

TEST(ExceptFrameTest, HandlesFollowsKindAndClassTable)
{
    EOleSysError error(u"x");
    std::runtime_error foreign("y");
    TExceptObject ole{&error, &typeid(error)}, other{&foreign, &typeid(foreign)};
    const void* handler = nullptr;

    EXPECT_FALSE(Frame(efkFinally, 1, 0x10).HandlesExceptObj(ole, handler));
    EXPECT_FALSE(Frame(efkUnknown, 1, 0x10).HandlesExceptObj(ole, handler));
    EXPECT_TRUE(Frame(efkAutoException, 1, 0x10).HandlesExceptObj(other, handler));
    EXPECT_EQ(handler, P(0x10));
    EXPECT_TRUE(Frame(efkAnyException, 1, 0x11).HandlesExceptObj(ole, handler));
    EXPECT_EQ(handler, P(0x11));

    auto typed = Frame(efkOnException, 1, 0x20, {{&typeid(EIntfCastError), P(0x21)}, {&typeid(Exception), P(0x22)}, {nullptr, P(0x23)}});
    EXPECT_TRUE(typed.HandlesExceptObj(ole, handler));
    EXPECT_EQ(handler, P(0x22)) << "an ancestor's entry matches";
    EXPECT_TRUE(typed.HandlesExceptObj(other, handler));
    EXPECT_EQ(handler, P(0x23)) << "an entry without class handles anything";
    EXPECT_FALSE(Frame(efkOnException, 1, 0x20, {{&typeid(EIntfCastError), P(0x21)}}).HandlesExceptObj(ole, handler));
}

TEST(ExceptObjectTest, ClassNamesAreTheSystemsOrReadableOnes)
{
    EOleSysError ole(u"x");
    std::invalid_argument invalid("y");
    const char* text = "z";
    EXPECT_EQ(TExceptObject({&ole, &typeid(ole)}).ClassName(), "EOleSysError");
    EXPECT_EQ(TExceptObject({&invalid, &typeid(invalid)}).ClassName(), "std::invalid_argument");
    EXPECT_EQ(TExceptObject({&text, &typeid(text)}).ClassName(), "char const*");
    EXPECT_NE(TExceptObject({&ole, &typeid(ole)}).AsException(), nullptr);
    EXPECT_EQ(TExceptObject({&invalid, &typeid(invalid)}).AsException(), nullptr);
}

} // namespace
} // namespace zel
