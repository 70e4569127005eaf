// End to end: the add-in DLL registered for the current user as regsvr32 /n /i:user does, loaded
// by the stand-in Outlook program from the Addins key, driven through the program's script and
// real chords pressed from this process.
#include "support/AddinPlaces.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/SettingsWindowRemote.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::BuildPath;
using testing::ChordFreeForOthers;
using testing::ConfigRow;
using testing::ConfigWithRows;
using testing::ParseStateLine;
using testing::PressChord;
using testing::TStandinOutlookProcess;
using testing::TStandinOutlookReply;

::testing::Environment* const GCom = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

constexpr const wchar_t* ChordText = L"Shift+Ctrl+Alt+F6";
constexpr const wchar_t* ChordFolder = L"Shift+Ctrl+Alt+F7";

// Runs regsvr32 with the arguments and waits for it; its exit code.
DWORD RunRegsvr32(const std::wstring& arguments)
{
    std::wstring commandLine = L"regsvr32.exe " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1000 + GetLastError();
    const TKernelHandle thread(process.hThread), child(process.hProcess);
    WaitForSingleObject(child.get(), 30000);
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    return code;
}

using TFields = std::map<std::wstring, std::wstring>;

// The state lines of one kind.
std::vector<TFields> Lines(const TStandinOutlookReply& reply, const wchar_t* kind)
{
    std::vector<TFields> found;
    for (const std::wstring& line : reply.Lines) {
        TFields fields = ParseStateLine(line);
        if (fields[L""] == kind)
            found.push_back(std::move(fields));
    }
    return found;
}

bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& start)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.rfind(start, 0) == 0; });
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class AddinHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPlaces = std::make_unique<testing::TAddinPlaces>(BuildPath(ZEL_TEST_ZELRE_DLL));
        FPlaces->WriteConfig(ConfigWithRows({ConfigRow(0, "Shift+Ctrl+Alt+F6", "Insert Text", "Kind regards"),
                                             ConfigRow(1, "Shift+Ctrl+Alt+F7", "Switch To Folder",
                                                       "\\\\Personal Folders\\Sent Items")}));
        FZelre = std::make_unique<testing::TZelreRegistration>(BuildPath(ZEL_TEST_ZELRE_DLL));
        ASSERT_TRUE(FZelre->Registered());
        ASSERT_EQ(RunRegsvr32(L"/s /n /i:user \"" + BuildPath(ZEL_TEST_ZELHOTKEYS_DLL) + L"\""), 0u);
    }
    void TearDown() override
    {
        FOutlook.reset();
        RunRegsvr32(L"/s /u /n /i:user \"" + BuildPath(ZEL_TEST_ZELHOTKEYS_DLL) + L"\"");
        FZelre.reset();
        FPlaces.reset();
    }

    // Starts the program; its start-up lines.
    std::vector<std::wstring> Start(const std::wstring& arguments)
    {
        FOutlook = std::make_unique<TStandinOutlookProcess>(BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE), arguments);
        EXPECT_TRUE(FOutlook->Started());
        return FOutlook->WaitReady();
    }
    TStandinOutlookReply Send(const std::wstring& command)
    {
        TStandinOutlookReply reply = FOutlook->Send(command);
        EXPECT_TRUE(reply.Ok) << Narrow(command) << ": " << Narrow(reply.Text);
        return reply;
    }
    TStandinOutlookReply State() { return Send(L"state"); }
    // Asks for the state until the condition holds (the program handles the chord meanwhile).
    template <class Condition>
    bool StateUntil(Condition condition, int attempts = 40)
    {
        for (int i = 0; i < attempts; ++i) {
            if (condition(State()))
                return true;
            Send(L"wait 100");
        }
        return false;
    }
    static bool SettingsWindowShown(const TStandinOutlookReply& state)
    {
        for (const TFields& w : Lines(state, L"window"))
            if (w.at(L"class") == L"TMainForm")
                return true;
        return false;
    }

    std::unique_ptr<testing::TAddinPlaces> FPlaces;
    std::unique_ptr<testing::TZelreRegistration> FZelre;
    std::unique_ptr<TStandinOutlookProcess> FOutlook;
};

TEST_F(AddinHostTest, OutlookLoadsTheRegisteredAddinWhoseHotkeysAndButtonWork)
{
    const std::vector<std::wstring> startup = Start(L"--explorers 1 --inspectors 2");
    ASSERT_TRUE(HasLine(startup, L"addin ZelHotkeys.CZelHotkeys OnConnection ")) << Narrow(startup.empty() ? L"" : startup.back());
    EXPECT_FALSE(HasLine(startup, L"addin ZelHotkeys.CZelHotkeys failed"));

    TStandinOutlookReply state = State();
    const std::vector<TFields> buttons = Lines(state, L"button");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].at(L"caption"), L"Zelkor Hotkeys");
    EXPECT_EQ(buttons[0].at(L"face"), L"yes");
    EXPECT_EQ(buttons[0].at(L"style"), L"3");
    EXPECT_EQ(buttons[0].at(L"begin-group"), L"yes");
    EXPECT_EQ(Lines(state, L"inspector").size(), 2u);
    EXPECT_FALSE(SettingsWindowShown(state)) << "the settings window is created hidden";
    EXPECT_FALSE(ChordFreeForOthers(ChordText)) << "the table's hotkeys are registered at connection";

    // A chord pressed from another process inserts the text at the active inspector's caret.
    Send(L"activate inspector 2");
    Send(L"caret inspector 2 0");
    ASSERT_EQ(PressChord(ChordText), 0u);
    EXPECT_TRUE(StateUntil([](const TStandinOutlookReply& s) {
        const auto inspectors = Lines(s, L"inspector");
        return inspectors.size() == 2 && inspectors[1].at(L"body").rfind(L"Kind regards", 0) == 0;
    }));
    ASSERT_EQ(PressChord(ChordFolder), 0u);
    EXPECT_TRUE(StateUntil([](const TStandinOutlookReply& s) {
        const auto explorers = Lines(s, L"explorer");
        return !explorers.empty() && explorers[0].at(L"folder") == L"\\\\Personal Folders\\Sent Items";
    }));

    // The button shows the settings window.
    Send(L"click explorer 1 Zelkor Hotkeys");
    EXPECT_TRUE(StateUntil(SettingsWindowShown));

    const TStandinOutlookReply end = Send(L"quit");
    EXPECT_TRUE(HasLine(end.Lines, L"addin ZelHotkeys.CZelHotkeys OnDisconnection 0x00000000"));
    EXPECT_TRUE(std::any_of(end.Lines.begin(), end.Lines.end(), [](const std::wstring& l) {
        return l.find(L"ZelHotkeys.dll") != std::wstring::npos && l.find(L"DllCanUnloadNow S_OK") != std::wstring::npos;
    })) << "nothing of the add-in is alive after Outlook released it";
    EXPECT_TRUE(HasLine(end.Lines, L"live standin-objects=0")) << "no stand-in object is left referenced";
    EXPECT_EQ(FOutlook->WaitForExit(20000), 0u);
}

TEST_F(AddinHostTest, TheWindowsGoWithTheLastOutlookWindowAndComeBackWithTheNext)
{
    Start(L"--explorers 1 --inspectors 1");
    ASSERT_FALSE(ChordFreeForOthers(ChordText));
    Send(L"close explorer 1");
    EXPECT_FALSE(ChordFreeForOthers(ChordText)) << "an inspector is still open";
    Send(L"close inspector 1");
    EXPECT_TRUE(ChordFreeForOthers(ChordText)) << "torn down with the last window";
    EXPECT_NE(FPlaces->ReadConfig().find("Kind regards"), std::string::npos);

    Send(L"open explorer");
    EXPECT_FALSE(ChordFreeForOthers(ChordText)) << "a window opening later brings the hotkeys back";
    const TStandinOutlookReply state = State();
    ASSERT_EQ(Lines(state, L"button").size(), 1u);
    Send(L"click explorer 1 Zelkor Hotkeys");
    EXPECT_TRUE(StateUntil(SettingsWindowShown)) << "the button shows a window that exists";
    Send(L"quit");
    EXPECT_EQ(FOutlook->WaitForExit(20000), 0u);
}

// Unticked in Outlook's COM add-ins dialog while its windows are open, the add-in lets go of
// everything before the call returns; ticked again, it works as before.
TEST_F(AddinHostTest, DisconnectedWithWindowsOpenTheAddinEndsItsHotkeysAndCanUnload)
{
    Start(L"--explorers 1 --inspectors 1");
    Send(L"click explorer 1 Zelkor Hotkeys");
    ASSERT_TRUE(StateUntil(SettingsWindowShown));
    ASSERT_FALSE(ChordFreeForOthers(ChordText));

    const TStandinOutlookReply disconnected = Send(L"disconnect");
    EXPECT_TRUE(HasLine(disconnected.Lines, L"addin ZelHotkeys.CZelHotkeys OnDisconnection 0x00000000"));
    EXPECT_TRUE(std::any_of(disconnected.Lines.begin(), disconnected.Lines.end(), [](const std::wstring& l) {
        return l.find(L"DllCanUnloadNow S_OK") != std::wstring::npos;
    }));
    EXPECT_TRUE(ChordFreeForOthers(ChordText)) << "a second process can take the chord";
    EXPECT_FALSE(SettingsWindowShown(State()));
    EXPECT_NE(FPlaces->ReadConfig().find("Kind regards"), std::string::npos);

    EXPECT_EQ(Send(L"connect").Text, L"addins loaded=1");
    EXPECT_FALSE(ChordFreeForOthers(ChordText)) << "connected again, the hotkeys are back";
    const TStandinOutlookReply end = Send(L"quit");
    EXPECT_TRUE(HasLine(end.Lines, L"live standin-objects=0"));
    EXPECT_EQ(FOutlook->WaitForExit(20000), 0u);
}

TEST_F(AddinHostTest, AHotkeyAddedInTheSettingsWindowSurvivesAFastShutdown)
{
    Start(L"--explorers 1 --fast-shutdown");
    Send(L"click explorer 1 Zelkor Hotkeys");
    const HWND form = testing::TSettingsWindowRemote::Find(FOutlook->ProcessId());
    ASSERT_NE(form, nullptr);
    testing::TSettingsWindowRemote remote(form);
    remote.AddHotKey(u"Shift+Ctrl+Alt+F8");
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F8"));

    FOutlook->Send(L"quit fast");
    FOutlook->WaitForExit(20000);
    const std::string config = FPlaces->ReadConfig();
    EXPECT_NE(config.find("<Count>3</Count>"), std::string::npos) << config;
    EXPECT_NE(config.find("<HotKey>Shift+Ctrl+Alt+F8</HotKey>"), std::string::npos);
    EXPECT_NE(config.find("Kind regards"), std::string::npos);
}

TEST_F(AddinHostTest, AClipboardHeldByAnotherProgramCostsOnlyTheButtonsFace)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    const std::vector<std::wstring> startup = Start(L"--explorers 1");
    CloseClipboard();
    EXPECT_FALSE(HasLine(startup, L"addin ZelHotkeys.CZelHotkeys failed"));
    const TStandinOutlookReply state = State();
    const std::vector<TFields> buttons = Lines(state, L"button");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].at(L"face"), L"no");
    EXPECT_FALSE(ChordFreeForOthers(ChordText));
    Send(L"quit");
    EXPECT_EQ(FOutlook->WaitForExit(20000), 0u);
}

} // namespace
} // namespace zel
