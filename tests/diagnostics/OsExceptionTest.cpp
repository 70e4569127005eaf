// Operating-system exceptions of the module's code reach the notifiers as exception objects
// whose class says what happened. The test recovers from each fault with its own vectored
// handler, which the system calls after the tracker's.
#include "diagnostics/LogException.h"
#include "support/LogTestSupport.h"
#include "diagnostics/ZelDebug.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace zel {
namespace {

void* GJump[5];
bool GArmed = false;

[[noreturn]] void JumpBack()
{
    __builtin_longjmp(GJump, 1);
}

LONG CALLBACK Recover(EXCEPTION_POINTERS* pointers)
{
    DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (code == 0xE0424242u)
        return EXCEPTION_CONTINUE_EXECUTION; // RaiseException returns
    if (GArmed && (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_INT_DIVIDE_BY_ZERO)) {
        GArmed = false;
        pointers->ContextRecord->Rsp = (pointers->ContextRecord->Rsp & ~DWORD64(15)) - 8;
        pointers->ContextRecord->Rip = reinterpret_cast<DWORD64>(&JumpBack);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

int* volatile GNull = nullptr;
volatile int GZero = 0;

[[gnu::noinline]] void WriteThroughNull() { *GNull = 1; }
volatile int GQuotient = 0;
[[gnu::noinline]] void DivideByZero() { GQuotient = 100 / GZero; }
volatile int GRaised = 0;
[[gnu::noinline]] void RaiseSoftware()
{
    RaiseException(0xE0424242u, 0, 0, nullptr);
    GRaised = GRaised + 1; // keeps the call from becoming a jump
}

std::string Dump(const TJvLogFile& log)
{
    std::string text;
    for (size_t i = 0; i < log.Count(); ++i)
        text += std::string(log[i].Title.begin(), log[i].Title.end()) + "\n";
    return text;
}

struct OsCase {
    const char* Name;
    void (*Run)();
    const char* Title;
    const char* Procedure;
};

class OsExceptionTest : public ::testing::TestWithParam<OsCase> {
protected:
    void SetUp() override
    {
        InitializeExceptionTracking();
        FRecover = AddVectoredExceptionHandler(0, &Recover);
        JclAddExceptNotifier(LogExceptionNotifier(FLog), npNormal);
    }
    void TearDown() override
    {
        JclRemoveExceptNotifier(LogExceptionNotifier(FLog));
        RemoveVectoredExceptionHandler(FRecover);
    }
    testing::TFixedTimeScope FTime;
    TJvLogFile FLog;
    void* FRecover = nullptr;
};

TEST_P(OsExceptionTest, IsLoggedAsAnOsException)
{
    const OsCase& c = GetParam();
    GArmed = true;
    if (__builtin_setjmp(GJump) == 0)
        c.Run();
    GArmed = false;
    std::string dump = Dump(FLog);
    ASSERT_GE(FLog.Count(), 5u) << dump;
    std::string title(FLog[1].Title.begin(), FLog[1].Title.end());
    EXPECT_EQ(title.rfind(c.Title, 0), 0u) << dump;
    EXPECT_EQ(title.substr(title.size() - 15), " (OS Exception)") << dump;
    EXPECT_NE(dump.find(std::string("Procedure \"zel::(anonymous namespace)::") + c.Procedure + "\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("  Except frame-dump:"), std::string::npos) << dump;
}

INSTANTIATE_TEST_SUITE_P(Table, OsExceptionTest, ::testing::Values(
    OsCase{"AccessViolation", &WriteThroughNull, "Exception EAccessViolation: Access violation at address ", "WriteThroughNull"},
    OsCase{"DivByZero", &DivideByZero, "Exception EDivByZero: Division by zero (OS Exception)", "DivideByZero"},
    OsCase{"Software", &RaiseSoftware, "Exception EExternalException: External exception E0424242 (OS Exception)", "RaiseSoftware"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace zel
