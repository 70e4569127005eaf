// Real raises through the tracker: the throw is intercepted before any handler runs, the frames
// that stood ready are listed, and (in the Windows build, whose test program carries its address
// table) the locations name the test's own routines and lines.
#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "diagnostics/LogException.h"
#include "support/LogTestSupport.h"
#include "diagnostics/ZelDebug.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace zel {
namespace {

volatile int GCleanups = 0;
int GThrowLine = 0;

struct TGuard {
    ~TGuard() { GCleanups = GCleanups + 1; }
};

[[gnu::noinline]] void ThrowConvertError()
{
    GThrowLine = __LINE__ + 1;
    throw EConvertError(u"'abc' is not a valid integer value");
}

[[gnu::noinline]] void CleanUpAround()
{
    TGuard guard;
    ThrowConvertError();
}

[[gnu::noinline]] void CatchOtherClass()
{
    try {
        CleanUpAround();
    } catch (const EOleSysError&) {
        GCleanups = -1000;
    }
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

class TrackerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeExceptionTracking();
        JclAddExceptNotifier(LogExceptionNotifier(FLog), npNormal);
    }
    void TearDown() override { JclRemoveExceptNotifier(LogExceptionNotifier(FLog)); }

    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (size_t i = 0; i < FLog.Count(); ++i)
            titles.push_back(Narrow(FLog[i].Title));
        return titles;
    }
    std::string Dump() const
    {
        std::string text;
        for (const auto& t : Titles())
            text += t + "\n";
        return text;
    }

    testing::TFixedTimeScope FTime;
    TJvLogFile FLog;
};

TEST_F(TrackerTest, CaughtRaiseIsLoggedWithItsFramesUpToTheHandler)
{
    bool caught = false;
    try {
        CatchOtherClass();
    } catch (const Exception& e) {
        caught = e.ClassName() == std::string("EConvertError");
    }
    ASSERT_TRUE(caught);
    EXPECT_EQ(GCleanups, 1);

    std::vector<std::string> t = Titles();
    ASSERT_GE(t.size(), 14u) << Dump();
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[1], "Exception EConvertError: 'abc' is not a valid integer value");
    EXPECT_EQ(t[2].rfind("  Exception occured at $", 0), 0u) << t[2];
    EXPECT_EQ(t[3], "  Except frame-dump:");
    // The clean-up of CleanUpAround, the unmatched catch of CatchOtherClass, then this test's catch,
    // each frame in three lines. Instrumented builds (AddressSanitizer) add clean-up frames of
    // their own, which all come before the first catch.
    std::vector<std::string> kinds;
    for (size_t i = 4; i + 1 < t.size(); i += 3) {
        size_t open = t[i].find("(type: ");
        ASSERT_NE(open, std::string::npos) << Dump();
        kinds.push_back(t[i].substr(open));
        std::string address = kinds.back() == "(type: efkOnException, handles exception)" ? "      Handler at $" : "      Code at $";
        EXPECT_EQ(t[i + 1].rfind(address, 0), 0u) << Dump();
    }
    ASSERT_GE(kinds.size(), 3u) << Dump();
    size_t firstCatch = kinds.size() - 2;
    for (size_t i = 0; i < firstCatch; ++i)
        EXPECT_EQ(kinds[i], "(type: efkFinally)") << Dump();
    EXPECT_EQ(kinds[firstCatch], "(type: efkOnException)") << Dump();
    EXPECT_EQ(kinds[firstCatch + 1], "(type: efkOnException, handles exception)")
        << "the handling frame is the last one written\n" << Dump();
    EXPECT_EQ(t.back(), "");

#ifdef _WIN32
    std::string line = std::to_string(GThrowLine);
    EXPECT_NE(t[2].find("Procedure \"zel::(anonymous namespace)::ThrowConvertError\", Unit \"TrackerTest.cpp\", Line " + line + ")"),
              std::string::npos) << t[2];
    EXPECT_NE(t[2].find("Module \"TrackerTest\""), std::string::npos) << t[2];
    size_t last = t.size() - 2; // the location line of the handling frame
    EXPECT_NE(t[last - 6].find("Procedure \"zel::(anonymous namespace)::CleanUpAround\""), std::string::npos) << Dump();
    EXPECT_NE(t[last - 3].find("Procedure \"zel::(anonymous namespace)::CatchOtherClass\""), std::string::npos) << Dump();
    EXPECT_NE(t[last].find("TrackerTest_CaughtRaiseIsLoggedWithItsFramesUpToTheHandler_Test::TestBody\""), std::string::npos) << Dump();
#endif
}

TEST_F(TrackerTest, CatchAllAndTheAddInsComBoundary)
{
    try {
        throw std::out_of_range("index");
    } catch (...) {
    }
    auto comMethod = []() noexcept -> long {
        try {
            throw EIntfCastError(u"Interface not supported");
        }
        ZEL_CATCH_SILENT_RETURN(-1)
    };
    EXPECT_EQ(comMethod(), -1);
    std::string dump = Dump();
    EXPECT_NE(dump.find("Exception std::out_of_range\n  Exception occured at $"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(type: efkAnyException, handles exception)"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Exception EIntfCastError: Interface not supported\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(type: efkAutoException, handles exception)"), std::string::npos) << dump;
}

TEST_F(TrackerTest, RemovedNotifierWritesNothing)
{
    JclRemoveExceptNotifier(LogExceptionNotifier(FLog));
    try {
        throw EOSError(u"gone", 5);
    } catch (const EOSError&) {
    }
    EXPECT_EQ(FLog.Count(), 0u);
}

TEST_F(TrackerTest, RaiseInsideTheNotifiersIsNotNotifiedAgain)
{
    static int calls = 0;
    calls = 0;
    TJclExceptNotifier raising{[](void*, const TExceptObject&, const void*, bool) {
                                   ++calls;
                                   try {
                                       throw std::runtime_error("inside");
                                   } catch (...) {
                                   }
                               },
                               nullptr};
    JclAddExceptNotifier(raising, npNormal);
    try {
        throw EConvertError(u"outer");
    } catch (...) {
    }
    JclRemoveExceptNotifier(raising);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Dump().find("inside"), std::string::npos);
}

TEST_F(TrackerTest, FirstChainNotifiersRunBeforeNormalOnes)
{
    static std::string order;
    order.clear();
    TJclExceptNotifier normal{[](void*, const TExceptObject&, const void*, bool) { order += "N"; }, nullptr};
    TJclExceptNotifier first{[](void*, const TExceptObject&, const void*, bool) { order += "F"; }, nullptr};
    JclAddExceptNotifier(normal, npNormal);
    JclAddExceptNotifier(first, npFirstChain);
    try {
        throw 42;
    } catch (int) {
    }
    JclRemoveExceptNotifier(normal);
    JclRemoveExceptNotifier(first);
    EXPECT_EQ(order, "FN");
}

#ifdef _WIN32
TEST_F(TrackerTest, RuntimeLibraryThrowsAreInterceptedToo)
{
    try {
        (void)std::stoi("not a number");
    } catch (const std::invalid_argument&) {
    }
    std::string dump = Dump();
    EXPECT_NE(dump.find("Exception std::invalid_argument\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("(type: efkOnException, handles exception)"), std::string::npos) << dump;
}
#endif

} // namespace
} // namespace zel
