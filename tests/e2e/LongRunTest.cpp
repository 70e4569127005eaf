// Long runs against the stand-in Outlook program with the registered add-in: the chords of
// "Insert Text", "Switch To Folder" and "Send Desktop Screenshot" pressed again and again from a
// second process, every
// press checked to have done its work, and the program's resources (GDI and USER objects, its
// windows, handles, committed memory, the stand-ins' live objects) printed at every checkpoint,
// where they must stay flat; then connect and disconnect cycles with windows open, as Outlook's
// add-ins dialog makes them. (Wine reports no GDI, USER or handle counts of another process:
// those columns read 0 there; the windows and the memory are real.)
//
// ZEL_PRESSES (default 60) presses of the text and folder actions, ZEL_SCREENSHOTS (default 10)
// of the screenshot action and ZEL_CYCLES (default 4) cycles; the long run:
//   ZEL_PRESSES=10000 ZEL_SCREENSHOTS=10000 ZEL_CYCLES=100 build/win64/wine-run build/win64/tests/e2e/long_run_e2e_tests.exe
#include "support/AddinPlaces.h"
#include "support/ChordServer.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/RegisteredAddin.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace zel {
namespace {

using testing::BuildPath;
using testing::TStandinOutlookProcess;

::testing::Environment* const GCom = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

int Setting(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

struct TResources {
    DWORD Gdi = 0, User = 0, Handles = 0, Windows = 0;
    SIZE_T PrivateBytes = 0;
    long long LiveObjects = -1;
};

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

struct TWindowCount {
    DWORD ProcessId;
    DWORD Count = 0;
};

BOOL CALLBACK CountTopLevel(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<TWindowCount*>(search);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == s.ProcessId) {
        ++s.Count;
        EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&s.Count));
    }
    return TRUE;
}

// The process's windows, top-level and child: what USER objects it holds that another process
// can count under every system.
DWORD CountWindows(DWORD processId)
{
    TWindowCount search{processId};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.Count;
}

class LongRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPlaces = std::make_unique<testing::TAddinPlaces>(BuildPath(ZEL_TEST_ZELRE_DLL));
        FPlaces->WriteConfig(testing::ConfigWithRows(
            {testing::ConfigRow(0, "Shift+Ctrl+Alt+F6", "Insert Text", "x"),
             testing::ConfigRow(1, "Shift+Ctrl+Alt+F7", "Switch To Folder", "\\\\Personal Folders\\Sent Items"),
             testing::ConfigRow(2, "Shift+Ctrl+Alt+F8", "Switch To Folder", "\\\\Personal Folders\\Inbox"),
             testing::ConfigRow(3, "Shift+Ctrl+Alt+F9", "Send Desktop Screenshot", "a@example.com")}));
        FZelre = std::make_unique<testing::TZelreRegistration>(BuildPath(ZEL_TEST_ZELRE_DLL));
        ASSERT_TRUE(FZelre->Registered());
        FAddin = std::make_unique<testing::TRegisteredAddin>(BuildPath(ZEL_TEST_ZELHOTKEYS_DLL));
        ASSERT_TRUE(FAddin->Registered());
        FOutlook = std::make_unique<TStandinOutlookProcess>(BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE),
                                                            L"--explorers 1 --inspectors 1");
        ASSERT_TRUE(FOutlook->Started());
        FOutlook->WaitReady();
    }
    void TearDown() override
    {
        FOutlook.reset();
        FAddin.reset();
        FZelre.reset();
        FPlaces.reset();
    }

    // The program's state line of a kind ("inspector", "explorer", "displays"), as fields.
    std::map<std::wstring, std::wstring> StateLine(const wchar_t* kind, long long* liveObjects = nullptr)
    {
        std::map<std::wstring, std::wstring> found;
        for (const std::wstring& line : FOutlook->Send(L"state").Lines) {
            auto fields = testing::ParseStateLine(line);
            if (fields[L""] == kind && found.empty())
                found = fields;
            if (fields[L""] == L"live" && liveObjects)
                *liveObjects = std::stoll(fields[L"standin-objects"]);
        }
        return found;
    }
    TResources Resources()
    {
        TResources r;
        r.Gdi = GetGuiResources(FOutlook->ProcessHandle(), GR_GDIOBJECTS);
        r.User = GetGuiResources(FOutlook->ProcessHandle(), GR_USEROBJECTS);
        GetProcessHandleCount(FOutlook->ProcessHandle(), &r.Handles);
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(FOutlook->ProcessHandle(), &memory, sizeof memory))
            r.PrivateBytes = memory.PagefileUsage; // the committed private memory
        r.Windows = CountWindows(FOutlook->ProcessId());
        StateLine(L"live", &r.LiveObjects);
        return r;
    }
    static void Print(const char* action, int presses, const TResources& r)
    {
        std::printf("%-24s n=%6d gdi=%4lu user=%4lu windows=%4lu handles=%5lu private-kb=%7llu standin-objects=%lld\n",
                    action, presses, r.Gdi, r.User, r.Windows, r.Handles,
                    static_cast<unsigned long long>(r.PrivateBytes / 1024), r.LiveObjects);
        std::fflush(stdout);
    }
    // At a checkpoint (every `every` presses, and the last one): the resources printed, the
    // first checkpoint's kept as the base.
    void Checkpoint(const char* action, int press, int every, int presses, TResources& first, TResources& last)
    {
        if (press % every != 0 && press != presses)
            return;
        last = Resources();
        if (press == every)
            first = last;
        Print(action, press, last);
    }
    template <class Done>
    bool Until(Done done, int attempts = 100)
    {
        for (int i = 0; i < attempts; ++i) {
            if (done())
                return true;
            FOutlook->Send(L"wait 20");
        }
        return false;
    }

    std::unique_ptr<testing::TAddinPlaces> FPlaces;
    std::unique_ptr<testing::TZelreRegistration> FZelre;
    std::unique_ptr<testing::TRegisteredAddin> FAddin;
    std::unique_ptr<TStandinOutlookProcess> FOutlook;
};

// The growth from the first checkpoint after warming up to the last, per 1,000 presses.
void ExpectFlat(const char* action, const TResources& first, const TResources& last, int presses)
{
    if (presses <= 0)
        return;
    const double per1000 = 1000.0 / presses;
    std::printf("%-24s growth per 1000 presses: gdi=%.1f user=%.1f windows=%.1f handles=%.1f private-kb=%.1f "
                "standin-objects=%.1f\n",
                action, (double(last.Gdi) - first.Gdi) * per1000, (double(last.User) - first.User) * per1000,
                (double(last.Windows) - first.Windows) * per1000,
                (double(last.Handles) - first.Handles) * per1000,
                (double(last.PrivateBytes) - double(first.PrivateBytes)) / 1024 * per1000,
                double(last.LiveObjects - first.LiveObjects) * per1000);
    EXPECT_LE(last.Gdi, first.Gdi + 2) << action;
    EXPECT_LE(last.User, first.User + 2) << action;
    EXPECT_LE(last.Handles, first.Handles + 4) << action;
    EXPECT_LE(last.Windows, first.Windows) << action;
    EXPECT_LE(last.LiveObjects, first.LiveObjects) << action;
}

TEST_F(LongRunTest, EveryPressDoesItsWorkAndNothingGrows)
{
    const int presses = Setting("ZEL_PRESSES", 60);
    const int checkpoint = std::max(presses / 10, 1);
    testing::TChordServer chords;
    int failures = 0;

    // "Insert Text": one "x" more at the caret per press; a fresh message at every checkpoint, so
    // that the bodies stay short.
    TResources first, last;
    size_t bodyAtStart = 0;
    int sinceCheckpoint = 0;
    const auto freshMessage = [&] {
        FOutlook->Send(L"activate inspector 1");
        FOutlook->Send(L"caret inspector 1 0");
        bodyAtStart = StateLine(L"inspector")[L"body"].size();
        sinceCheckpoint = 0;
    };
    freshMessage();
    for (int press = 1; press <= presses; ++press) {
        ASSERT_TRUE(chords.Press("Shift+Ctrl+Alt+F6"));
        ++sinceCheckpoint;
        if (press % checkpoint == 0 || press == presses) {
            const size_t expected = bodyAtStart + sinceCheckpoint;
            const bool done = Until([&] { return StateLine(L"inspector")[L"body"].size() == expected; }, 500);
            failures += done ? 0 : 1;
            EXPECT_TRUE(done) << "press " << press;
            FOutlook->Send(L"close inspector 1");
            FOutlook->Send(L"open inspector");
            freshMessage();
            Checkpoint("Insert Text", press, checkpoint, presses, first, last);
        }
    }
    ExpectFlat("Insert Text", first, last, presses - checkpoint);

    // "Switch To Folder": two rows, the explorer on their folders in turn.
    FOutlook->Send(L"activate explorer 1");
    for (int press = 1; press <= presses; ++press) {
        const bool toSent = press % 2 == 1;
        ASSERT_TRUE(chords.Press(toSent ? "Shift+Ctrl+Alt+F7" : "Shift+Ctrl+Alt+F8"));
        const std::wstring expected = toSent ? L"\\\\Personal Folders\\Sent Items" : L"\\\\Personal Folders\\Inbox";
        const bool done = Until([&] { return StateLine(L"explorer")[L"folder"] == expected; }, 500);
        failures += done ? 0 : 1;
        EXPECT_TRUE(done) << "press " << press;
        Checkpoint("Switch To Folder", press, checkpoint, presses, first, last);
    }
    ExpectFlat("Switch To Folder", first, last, presses - checkpoint);

    std::printf("presses %d per action, failures %d\n", presses, failures);
    EXPECT_EQ(failures, 0);
}

// "Send Desktop Screenshot": each press shows one new draft with the picture, which is then
// closed and deleted. ZEL_SCREENSHOTS (default 10) presses. A lost press prints error.log.
TEST_F(LongRunTest, EveryScreenshotPressShowsItsDraftAndNothingGrows)
{
    const int presses = Setting("ZEL_SCREENSHOTS", 10);
    const int checkpoint = std::max(presses / 10, 1);
    testing::TChordServer chords;
    FOutlook->Send(L"close inspector 1");
    FOutlook->Send(L"activate explorer 1");
    TResources first, last;
    int failures = 0;
    for (int press = 1; press <= presses; ++press) {
        ASSERT_TRUE(chords.Press("Shift+Ctrl+Alt+F9"));
        std::map<std::wstring, std::wstring> draft;
        const bool done = Until([&] {
            draft = StateLine(L"draft");
            return !draft.empty();
        }, 500);
        failures += done && draft[L"attachments"] == L"Desktop Screenshot" ? 0 : 1;
        EXPECT_TRUE(done) << "press " << press;
        // The user closes the draft and deletes it: the store then holds no picture of it.
        if (done)
            FOutlook->Send(L"close inspector " + draft[L"inspector"]);
        FOutlook->Send(L"empty folder Drafts");
        FOutlook->Send(L"activate explorer 1");
        Checkpoint("Send Desktop Screenshot", press, checkpoint, presses, first, last);
    }
    ExpectFlat("Send Desktop Screenshot", first, last, presses - checkpoint);
    std::printf("screenshot presses %d, failures %d\n", presses, failures);
    if (failures)
        std::printf("error.log:\n%s\n", FPlaces->ReadLog().c_str());
    EXPECT_EQ(failures, 0);
}

TEST_F(LongRunTest, ConnectDisconnectCyclesLeaveNothingBehind)
{
    const int cycles = Setting("ZEL_CYCLES", 4);
    FOutlook->Send(L"click explorer 1 Zelkor Hotkeys"); // the settings window open as well
    TResources first, last;
    int faults = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        FOutlook->Send(L"disconnect");
        const bool freed = testing::ChordFreeForOthers(L"Shift+Ctrl+Alt+F6");
        const bool connected = FOutlook->Send(L"connect").Text == L"addins loaded=1";
        const bool taken = !testing::ChordFreeForOthers(L"Shift+Ctrl+Alt+F6");
        faults += freed && connected && taken ? 0 : 1;
        EXPECT_TRUE(freed && connected && taken) << "cycle " << cycle;
        FOutlook->Send(L"click explorer 1 Zelkor Hotkeys");
        if (cycle % std::max(cycles / 10, 1) == 0 || cycle == cycles) {
            last = Resources();
            if (first.LiveObjects < 0)
                first = last;
            Print("connect/disconnect", cycle, last);
        }
    }
    EXPECT_EQ(faults, 0);
    EXPECT_LE(last.User, first.User + 2);
    EXPECT_LE(last.Handles, first.Handles + 4);
    const std::vector<std::wstring> end = FOutlook->Send(L"quit").Lines;
    bool unloadable = false;
    for (const std::wstring& line : end)
        unloadable = unloadable || line.find(L"DllCanUnloadNow S_OK") != std::wstring::npos;
    EXPECT_TRUE(unloadable);
    std::printf("cycles %d, faults %d\n", cycles, faults);
}

} // namespace
} // namespace zel
