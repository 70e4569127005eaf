// The stand-in Outlook program: its command line and script lines, and the program itself run
// over its pipes with the tests' own add-in registered for the current user (and machine).
#include "standins/outlook/host/HostOptions.h"
#include "standins/outlook/host/ScriptCommand.h"

#include "platform/Handles.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zel {
namespace {

using namespace zel::standin::host;
using testing::BuildPath;
using testing::ParseStateLine;
using testing::TEnvironmentSetting;
using testing::TStandinOutlookProcess;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// ---- the program's units

struct TLineCase {
    const wchar_t* Line;
    TVerb Verb;
    TTarget Target;
    int Index;
    const wchar_t* Text;
    long Number;
};

class ScriptLines : public ::testing::TestWithParam<TLineCase> {};

TEST_P(ScriptLines, AreParsedIntoTheirCommand)
{
    const TLineCase& c = GetParam();
    const TScriptCommand command = ParseScriptLine(c.Line);
    EXPECT_EQ(command.Verb, c.Verb);
    EXPECT_EQ(command.Target, c.Target);
    EXPECT_EQ(command.Index, c.Index);
    EXPECT_EQ(command.Text, c.Text);
    EXPECT_EQ(command.Number, c.Number);
}

INSTANTIATE_TEST_SUITE_P(Table, ScriptLines, ::testing::Values(
    TLineCase{L"open explorer", TVerb::Open, TTarget::Explorer, 0, L"", 0},
    TLineCase{L"open explorer \\\\Personal Folders\\Inbox\\Projects", TVerb::Open, TTarget::Explorer, 0, L"\\\\Personal Folders\\Inbox\\Projects", 0},
    TLineCase{L"open inspector Dear Bob,\\nthanks\\\\n  ", TVerb::Open, TTarget::Inspector, 0, L"Dear Bob,\r\nthanks\\n", 0},
    TLineCase{L"  close   inspector 2\r", TVerb::Close, TTarget::Inspector, 2, L"", 0},
    TLineCase{L"click explorer 1 Zelkor Hotkeys", TVerb::Click, TTarget::Explorer, 1, L"Zelkor Hotkeys", 0},
    TLineCase{L"type inspector 1 a\\tb", TVerb::Type, TTarget::Inspector, 1, L"a\tb", 0},
    TLineCase{L"caret inspector 3 17", TVerb::Caret, TTarget::Inspector, 3, L"", 17},
    TLineCase{L"wait 250", TVerb::Wait, TTarget::None, 0, L"", 250},
    TLineCase{L"empty folder \\\\Personal Folders\\Drafts", TVerb::Empty, TTarget::None, 0, L"\\\\Personal Folders\\Drafts", 0},
    TLineCase{L"# a comment", TVerb::None, TTarget::None, 0, L"", 0},
    TLineCase{L"", TVerb::None, TTarget::None, 0, L"", 0}));

TEST(ScriptLines, MistakesAreRefusedWithTheirReason)
{
    for (const wchar_t* line : {L"close explorer", L"close explorer 0", L"close window 1", L"click explorer 1",
                                L"standard-bar inspector 1 on", L"standard-bar explorer 1 maybe", L"type explorer 1 x",
                                L"caret inspector 1 x", L"quit slowly", L"state now", L"empty folder", L"empty Drafts", L"jump"})
        EXPECT_THROW(ParseScriptLine(line), std::invalid_argument) << line;
    const TScriptCommand bar = ParseScriptLine(L"standard-bar explorer 2 on");
    EXPECT_TRUE(bar.Flag);
    EXPECT_TRUE(ParseScriptLine(L"quit fast").Flag);
    EXPECT_EQ(ParseScriptLine(L"caret inspector 1 4 3").Length, 3);
}

TEST(HostOptions, AreReadAndMistakesRefused)
{
    const THostOptions o = ParseHostOptions({L"--addin", L"A.B", L"--addin", L"C.D", L"--explorers", L"2", L"--inspectors",
                                             L"3", L"--standard-bar-late", L"--fast-shutdown", L"--script", L"-"});
    EXPECT_THAT(o.Addins, ElementsAre(L"A.B", L"C.D"));
    EXPECT_EQ(o.Explorers, 2);
    EXPECT_EQ(o.Inspectors, 3);
    EXPECT_TRUE(o.StandardBarLate && o.FastShutdown);
    EXPECT_EQ(o.Script, L"-");
    EXPECT_EQ(ParseHostOptions({}).Explorers, 1);
    for (auto args : {std::vector<std::wstring>{L"--explorers"}, {L"--explorers", L"x"}, {L"--inspectors", L"51"}, {L"--bogus"}})
        EXPECT_THROW(ParseHostOptions(args), std::invalid_argument);
}

// ---- the program, with the tests' add-in

const wchar_t* const AddinsKey = L"Software\\Microsoft\\Office\\Outlook\\Addins\\";

// One ProgID of the test add-in DLL registered while the object lives: its class under
// HKCU\Software\Classes, its Addins key under the given root with the given LoadBehavior.
class TTestAddinRegistration {
public:
    TTestAddinRegistration(std::wstring progId, const wchar_t* clsid, HKEY addinsRoot, DWORD loadBehavior)
        : FProgId(std::move(progId)), FClsid(clsid), FRoot(addinsRoot)
    {
        const std::wstring dll = BuildPath(ZEL_TEST_ADDIN_DLL);
        for (const TClasses& classes : Classes()) {
            Set(classes.Root, classes.Prefix + FProgId + L"\\CLSID", nullptr, FClsid);
            Set(classes.Root, classes.Prefix + ClassKey() + L"\\InprocServer32", nullptr, dll);
            Set(classes.Root, classes.Prefix + ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
            Set(classes.Root, classes.Prefix + ClassKey() + L"\\ProgID", nullptr, FProgId);
        }
        RegSetKeyValueW(FRoot, (AddinsKey + FProgId).c_str(), L"LoadBehavior", REG_DWORD, &loadBehavior, sizeof loadBehavior);
        Set(FRoot, AddinsKey + FProgId, L"FriendlyName", L"Test add-in " + FProgId);
    }
    // The same ProgID listed once more, under the other root.
    void AlsoUnder(HKEY root, DWORD loadBehavior)
    {
        RegSetKeyValueW(root, (AddinsKey + FProgId).c_str(), L"LoadBehavior", REG_DWORD, &loadBehavior, sizeof loadBehavior);
        FAlso = root;
    }
    ~TTestAddinRegistration()
    {
        for (const TClasses& classes : Classes()) {
            RegDeleteTreeW(classes.Root, (classes.Prefix + FProgId).c_str());
            RegDeleteTreeW(classes.Root, (classes.Prefix + ClassKey()).c_str());
        }
        RegDeleteTreeW(FRoot, (AddinsKey + FProgId).c_str());
        if (FAlso)
            RegDeleteTreeW(FAlso, (AddinsKey + FProgId).c_str());
    }
    TTestAddinRegistration(const TTestAddinRegistration&) = delete;
    TTestAddinRegistration& operator=(const TTestAddinRegistration&) = delete;

private:
    // The user's classes; under Wine also HKEY_CLASSES_ROOT, since Wine's shows only the
    // machine's classes and COM activation looks nowhere else.
    struct TClasses {
        HKEY Root;
        std::wstring Prefix;
    };
    static std::vector<TClasses> Classes()
    {
        std::vector<TClasses> roots{{HKEY_CURRENT_USER, L"Software\\Classes\\"}};
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        if (ntdll && GetProcAddress(ntdll, "wine_get_version"))
            roots.push_back({HKEY_CLASSES_ROOT, L""});
        return roots;
    }
    std::wstring ClassKey() const { return L"CLSID\\" + FClsid; }
    static void Set(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value)
    {
        RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring FProgId, FClsid;
    HKEY FRoot;
    HKEY FAlso = nullptr;
};

// The test's name as a file name (a parameterised test's "Name/1" becomes "Name_1").
std::wstring FileNamed(const std::string& text)
{
    std::wstring name(text.begin(), text.end());
    std::replace(name.begin(), name.end(), L'/', L'_');
    return name;
}

// The test add-ins' call log, in a file of its own per test.
class TAddinLog {
public:
    TAddinLog() : FFile(L"standin_host_" + FileNamed(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L".log"),
                  FSetting(L"ZEL_TESTADDIN_LOG", FFile.c_str())
    {
        DeleteFileW(FFile.c_str());
    }
    ~TAddinLog() { DeleteFileW(FFile.c_str()); }
    // The log's lines that name one of the ProgIDs (a test's own add-ins), in order.
    std::vector<std::wstring> Lines() const
    {
        std::vector<std::wstring> lines;
        std::ifstream in(std::string(FFile.begin(), FFile.end()));
        for (std::string line; std::getline(in, line);)
            lines.emplace_back(line.begin(), line.end());
        return lines;
    }

private:
    std::wstring FFile;
    TEnvironmentSetting FSetting;
};

std::wstring Exe() { return BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE); }

// The lines of `lines` that start with the prefix.
std::vector<std::wstring> Starting(const std::vector<std::wstring>& lines, const std::wstring& prefix)
{
    std::vector<std::wstring> found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found), [&](const std::wstring& l) { return l.rfind(prefix, 0) == 0; });
    return found;
}

const wchar_t* const ClsidA = L"{6A1C0F01-3E51-4C4B-9E2A-5A0D8B9E0A01}";
const wchar_t* const ClsidB = L"{6A1C0F01-3E51-4C4B-9E2A-5A0D8B9E0A02}";
const wchar_t* const ClsidC = L"{6A1C0F01-3E51-4C4B-9E2A-5A0D8B9E0A03}";
const wchar_t* const ClsidD = L"{6A1C0F01-3E51-4C4B-9E2A-5A0D8B9E0A04}";

TEST(StandinOutlookProgram, LoadsTheAddinsKeysHkcuFirstAndShutsDownInOutlooksOrder)
{
    TAddinLog log;
    TTestAddinRegistration machine(L"ZelTest.Machine", ClsidA, HKEY_LOCAL_MACHINE, 3);
    TTestAddinRegistration user(L"ZelTest.User", ClsidB, HKEY_CURRENT_USER, 3);
    TTestAddinRegistration off(L"ZelTest.Off", ClsidC, HKEY_CURRENT_USER, 2);
    TTestAddinRegistration both(L"ZelTest.Both", ClsidD, HKEY_CURRENT_USER, 3);
    both.AlsoUnder(HKEY_LOCAL_MACHINE, 3);

    TStandinOutlookProcess outlook(Exe(), L"");
    ASSERT_TRUE(outlook.Started());
    const std::vector<std::wstring> startup = outlook.WaitReady();
    EXPECT_THAT(Starting(startup, L"addin ZelTest.Off"), ElementsAre(L"addin ZelTest.Off in HKCU not loaded: LoadBehavior 2"));
    EXPECT_THAT(Starting(startup, L"addin ZelTest.Both in HKLM"), ElementsAre(L"addin ZelTest.Both in HKLM ignored: HKCU has it"));
    const auto quit = outlook.Send(L"quit");
    EXPECT_TRUE(quit.Ok);
    EXPECT_EQ(outlook.WaitForExit(), 0u);

    // HKCU's add-ins (in the key's order), then HKLM's; each connected once with Outlook's arguments.
    const std::vector<std::wstring> calls = log.Lines();
    const std::vector<std::wstring> expected = {
        L"ZelTest.Both OnConnection mode=1 application=Outlook instance=ZelTest.Both custom=0",
        L"ZelTest.User OnConnection mode=1 application=Outlook instance=ZelTest.User custom=0",
        L"ZelTest.Machine OnConnection mode=1 application=Outlook instance=ZelTest.Machine custom=0",
        L"ZelTest.Both OnStartupComplete", L"ZelTest.User OnStartupComplete", L"ZelTest.Machine OnStartupComplete",
        L"ZelTest.Both OnBeginShutdown", L"ZelTest.User OnBeginShutdown", L"ZelTest.Machine OnBeginShutdown",
        L"ZelTest.Both OnDisconnection mode=0", L"ZelTest.User OnDisconnection mode=0", L"ZelTest.Machine OnDisconnection mode=0",
        L"ZelTest.Both destroyed", L"ZelTest.User destroyed", L"ZelTest.Machine destroyed"};
    std::vector<std::wstring> ours;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(ours), [](const std::wstring& l) { return l.rfind(L"ZelTest.", 0) == 0; });
    EXPECT_EQ(ours, expected);

    for (const wchar_t* progId : {L"ZelTest.Both", L"ZelTest.User", L"ZelTest.Machine"}) {
        const auto timing = Starting(startup, std::wstring(L"addin ") + progId + L" OnConnection ");
        ASSERT_EQ(timing.size(), 1u) << progId;
        EXPECT_THAT(timing[0], ::testing::EndsWith(L" ms"));
    }
    const std::wstring dll = BuildPath(ZEL_TEST_ADDIN_DLL);
    EXPECT_THAT(quit.Lines, ::testing::Contains(L"dll " + std::wstring(L"\"") + [&] {
        std::wstring escaped;
        for (wchar_t c : dll)
            escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
        return escaped;
    }() + L"\" DllCanUnloadNow S_OK"));
    EXPECT_EQ(quit.Lines.back(), L"live standin-objects=0");
}

TEST(StandinOutlookProgram, FlagsASlowConnectionAndReportsAFailedOneWithItsDescription)
{
    TAddinLog log;
    TTestAddinRegistration slow(L"ZelTest.Slow", ClsidA, HKEY_CURRENT_USER, 3);
    TTestAddinRegistration failing(L"ZelTest.Failing", ClsidB, HKEY_CURRENT_USER, 3);
    TEnvironmentSetting slowSetting(L"ZEL_TESTADDIN_SLOW", L"ZelTest.Slow");
    TEnvironmentSetting failSetting(L"ZEL_TESTADDIN_FAIL", L"ZelTest.Failing");

    TStandinOutlookProcess outlook(Exe(), L"--addin ZelTest.Failing --addin ZelTest.Slow");
    const std::vector<std::wstring> startup = outlook.WaitReady();
    const auto slowLine = Starting(startup, L"addin ZelTest.Slow OnConnection");
    ASSERT_EQ(slowLine.size(), 1u);
    EXPECT_THAT(slowLine[0], HasSubstr(L"slow: over 1000 ms, would be disabled"));
    EXPECT_THAT(Starting(startup, L"addin ZelTest.Failing failed"),
                ElementsAre(L"addin ZelTest.Failing failed: OnConnection 0x80040201 \"The test add-in refuses the connection.\""));
    EXPECT_THAT(startup, ::testing::Contains(L"addins loaded=1"));
    const auto quit = outlook.Send(L"quit");
    EXPECT_EQ(quit.Lines.back(), L"live standin-objects=0");
    // The failed add-in was let go at once; only the slow one is shut down.
    const std::vector<std::wstring> calls = log.Lines();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"ZelTest.Failing destroyed"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"ZelTest.Failing OnDisconnection mode=0"), 0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"ZelTest.Slow OnDisconnection mode=0"), 1);
}

class FastShutdown : public ::testing::TestWithParam<std::pair<const wchar_t*, const wchar_t*>> {};

TEST_P(FastShutdown, EndsTheProcessWithoutDisconnectingTheAddins)
{
    TAddinLog log;
    TTestAddinRegistration addin(L"ZelTest.Fast", ClsidA, HKEY_CURRENT_USER, 3);
    TStandinOutlookProcess outlook(Exe(), std::wstring(L"--addin ZelTest.Fast ") + GetParam().first);
    outlook.WaitReady();
    EXPECT_TRUE(outlook.Send(GetParam().second).Ok);
    EXPECT_EQ(outlook.WaitForExit(), 0u);
    EXPECT_THAT(log.Lines(), ElementsAre(L"ZelTest.Fast OnConnection mode=1 application=Outlook instance=ZelTest.Fast custom=0",
                                         L"ZelTest.Fast OnStartupComplete"));
}

INSTANTIATE_TEST_SUITE_P(Table, FastShutdown, ::testing::Values(std::pair{L"--fast-shutdown", L"quit"}, std::pair{L"", L"quit fast"}));

// The state's lines of one kind, parsed.
std::vector<std::map<std::wstring, std::wstring>> Of(const testing::TStandinOutlookReply& state, const wchar_t* kind)
{
    std::vector<std::map<std::wstring, std::wstring>> found;
    for (const std::wstring& line : state.Lines)
        if (auto fields = ParseStateLine(line); fields[L""] == kind)
            found.push_back(fields);
    return found;
}

TEST(StandinOutlookProgram, ScriptOpensActivatesTypesAndClosesWindows)
{
    TStandinOutlookProcess outlook(Exe(), L"--no-addins --explorers 2 --inspectors 1");
    EXPECT_THAT(outlook.WaitReady(), ::testing::Contains(L"addins loaded=0"));
    auto state = outlook.Send(L"state");
    ASSERT_TRUE(state.Ok);
    ASSERT_EQ(Of(state, L"explorer").size(), 2u);
    EXPECT_EQ(Of(state, L"explorer")[0][L"folder"], L"\\\\Personal Folders\\Inbox");
    ASSERT_EQ(Of(state, L"inspector").size(), 1u);
    EXPECT_EQ(Of(state, L"inspector")[0][L"body"], L"Body of inspector 1.");
    EXPECT_EQ(Of(state, L"window").size(), 3u);

    EXPECT_EQ(outlook.Send(L"open explorer Projects").Text, L"explorer 3");
    EXPECT_TRUE(outlook.Send(L"activate explorer 1").Ok);
    EXPECT_TRUE(outlook.Send(L"caret inspector 1 5").Ok);
    EXPECT_TRUE(outlook.Send(L"type inspector 1 X\\nY").Ok);
    state = outlook.Send(L"state");
    EXPECT_EQ(Of(state, L"explorer")[2][L"folder"], L"\\\\Personal Folders\\Inbox\\Projects");
    EXPECT_EQ(Of(state, L"explorer")[0][L"active"], L"yes");
    EXPECT_EQ(Of(state, L"inspector")[0][L"body"], L"Body X\r\nYof inspector 1.");
    EXPECT_EQ(Of(state, L"inspector")[0][L"caret"], L"9");

    EXPECT_EQ(outlook.Send(L"click explorer 1 New").Text, L"");
    EXPECT_EQ(Of(outlook.Send(L"state"), L"inspector").size(), 2u);
    EXPECT_TRUE(outlook.Send(L"close explorer 2").Ok);
    EXPECT_TRUE(outlook.Send(L"close inspector 2").Ok);
    state = outlook.Send(L"state");
    EXPECT_EQ(Of(state, L"explorer").size(), 2u);
    EXPECT_EQ(Of(state, L"window").size(), 3u);

    EXPECT_THAT(outlook.Send(L"close explorer 9").Text, HasSubstr(L"no explorer 9"));
    EXPECT_FALSE(outlook.Send(L"jump").Ok);
    EXPECT_FALSE(outlook.Send(L"click explorer 1 Nothing Here").Ok);
    EXPECT_TRUE(outlook.Send(L"wait 50").Ok);
    EXPECT_EQ(outlook.Send(L"quit").Lines.back(), L"live standin-objects=0");
    EXPECT_EQ(outlook.WaitForExit(), 0u);
}

TEST(StandinOutlookProgram, AnAddinsButtonShowsWithItsFaceAndItsClickReachesTheAddin)
{
    TAddinLog log;
    TTestAddinRegistration addin(L"ZelTest.Button", ClsidA, HKEY_CURRENT_USER, 3);
    TEnvironmentSetting button(L"ZEL_TESTADDIN_BUTTON", L"ZelTest.Button");
    TStandinOutlookProcess outlook(Exe(), L"--addin ZelTest.Button --inspectors 1");
    outlook.WaitReady();
    auto state = outlook.Send(L"state");
    ASSERT_EQ(Of(state, L"button").size(), 1u);
    auto b = Of(state, L"button")[0];
    EXPECT_EQ(b[L"caption"], L"Test Button");
    EXPECT_EQ(b[L"tag"], L"Test Button_1");
    EXPECT_EQ(b[L"style"], L"3");
    EXPECT_EQ(b[L"begin-group"], L"yes");
    EXPECT_EQ(b[L"face"], L"yes");

    EXPECT_TRUE(outlook.Send(L"caret inspector 1 4").Ok);
    EXPECT_TRUE(outlook.Send(L"click explorer 1 test button").Ok);
    state = outlook.Send(L"state");
    // The add-in switched the explorer's folder and inserted its text at the caret.
    EXPECT_EQ(Of(state, L"explorer")[0][L"folder"], L"\\\\Personal Folders\\Drafts");
    EXPECT_EQ(Of(state, L"inspector")[0][L"body"], L"Body[clicked] of inspector 1.");
    EXPECT_EQ(Of(state, L"inspector")[0][L"caret"], L"13");
    CreateDirectoryW(L"screenshots", nullptr);
    EXPECT_TRUE(outlook.Send(L"screenshot screenshots\\standin_outlook_explorer_and_inspector.png").Ok);
    outlook.Send(L"quit");
    const auto calls = log.Lines();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"ZelTest.Button Click"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"ZelTest.Button button added"), 1);
}

TEST(StandinOutlookProgram, ALateStandardBarComesWithTheFirstActivationAfterStartUp)
{
    TAddinLog log;
    TTestAddinRegistration addin(L"ZelTest.Late", ClsidA, HKEY_CURRENT_USER, 3);
    TEnvironmentSetting button(L"ZEL_TESTADDIN_BUTTON", L"ZelTest.Late");
    TStandinOutlookProcess outlook(Exe(), L"--addin ZelTest.Late --standard-bar-late");
    outlook.WaitReady();
    auto state = outlook.Send(L"state");
    EXPECT_EQ(Of(state, L"explorer")[0][L"standard-bar"], L"no");
    EXPECT_TRUE(Of(state, L"button").empty());
    EXPECT_TRUE(outlook.Send(L"activate explorer 1").Ok);
    EXPECT_EQ(Of(outlook.Send(L"state"), L"explorer")[0][L"standard-bar"], L"yes");
    EXPECT_TRUE(outlook.Send(L"standard-bar explorer 1 off").Ok);
    EXPECT_EQ(Of(outlook.Send(L"state"), L"explorer")[0][L"standard-bar"], L"no");
    outlook.Send(L"quit");
    EXPECT_THAT(log.Lines(), ::testing::Contains(L"ZelTest.Late button failed"));
}

} // namespace
} // namespace zel
