// End to end: the add-in DLL registered for the current user as regsvr32 /n /i:user does, loaded
// by the stand-in Outlook program from the Addins key, driven through the program's script and
// real chords pressed from this process.
#include "diagnostics/About.h"
#include "diagnostics/SimpleMapiRules.h"
#include "support/AddinPlaces.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/ProcessWindows.h"
#include "support/RegisteredAddin.h"
#include "support/SettingsWindowRemote.h"
#include "support/SimpleMapiClient.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
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
std::string Joined(const std::vector<std::wstring>& lines)
{
    std::string text;
    for (const std::wstring& line : lines)
        text += Narrow(line) + "\n";
    return text;
}

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
        FAddin = std::make_unique<testing::TRegisteredAddin>(BuildPath(ZEL_TEST_ZELHOTKEYS_DLL));
        ASSERT_TRUE(FAddin->Registered());
    }
    void TearDown() override
    {
        FOutlook.reset();
        FAddin.reset();
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
    std::unique_ptr<testing::TRegisteredAddin> FAddin;
    std::unique_ptr<TStandinOutlookProcess> FOutlook;
};

TEST_F(AddinHostTest, OutlookLoadsTheRegisteredAddinWhoseHotkeysAndButtonWork)
{
    const std::vector<std::wstring> startup = Start(L"--explorers 1 --inspectors 2");
    ASSERT_TRUE(HasLine(startup, L"addin ZelHotkeys.CZelHotkeys OnConnection ")) << Narrow(startup.empty() ? L"" : startup.back());
    EXPECT_FALSE(HasLine(startup, L"addin ZelHotkeys.CZelHotkeys failed")) << Joined(startup);

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


// ---- The About window and the error report, reached from the settings window's Help menu.

std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring WindowsProductName()
{
    wchar_t name[256] = {};
    DWORD bytes = sizeof(name) - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName", RRF_RT_REG_SZ,
                 nullptr, name, &bytes);
    return name;
}

std::string Ansi(const std::wstring& text)
{
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

class ErrorReportHostTest : public AddinHostTest {
protected:
    void SetUp() override
    {
        AddinHostTest::SetUp();
        FRecord = FPlaces->DataFolder().parent_path() / "zel-mail-record.txt";
        std::filesystem::remove(FRecord);
        FClient = std::make_unique<testing::TSimpleMapiClient>(
            testing::StandinMailClient(BuildPath(ZEL_TEST_SIMPLEMAPI_DLL), FRecord.wstring()));
        Start(L"--explorers 1");
        FForm = testing::TSettingsWindowRemote::Find(FOutlook->ProcessId());
        ASSERT_NE(FForm, nullptr);
    }
    void TearDown() override
    {
        if (FOutlook) {
            FOutlook->Send(L"quit");
            FOutlook->WaitForExit(20000);
        }
        AddinHostTest::TearDown();
        FClient.reset();
        std::filesystem::remove(FRecord);
    }
    // "Send Error Report..." of the settings window's Help menu, with the window hidden.
    void SendErrorReport() const
    {
        std::filesystem::remove(FRecord);
        PostMessageW(FForm, WM_COMMAND, TMainForm::cmSendErrorReport, 0);
    }
    testing::TMapiRecord WaitForRecord() const
    {
        for (int i = 0; i < 200 && !std::filesystem::exists(FRecord); ++i)
            Sleep(50);
        Sleep(100); // written whole before the call returns; let the host finish the click
        return testing::ReadMapiRecord(FRecord.wstring());
    }

    std::filesystem::path FRecord;
    std::unique_ptr<testing::TSimpleMapiClient> FClient;
    HWND FForm = nullptr;
};

TEST_F(ErrorReportHostTest, TheReportReachesTheMailClientByteForByteWithTheFilesThatExist)
{
    const std::string logStart = "2026-12-11 09:00:00 an earlier failure\r\n";
    {
        std::ofstream(FPlaces->LogFile(), std::ios::binary | std::ios::app) << logStart;
    }
    const std::string subject = "Zelkor Hotkeys for Outlook 2.10.5129 support request";
    const std::string body = "Please describe your problem here.\r\n\r\nWindows version: " + Ansi(WindowsProductName()) +
                             "\r\nOffice version: 16.0.0.0\r\n";
    const auto file = [](const std::filesystem::path& path) {
        return testing::TMapiFileRecord{0, 0, 0xFFFFFFFFu, Ansi(path.wstring()), Ansi(path.filename().wstring()), false,
                                        FileBytes(path)};
    };

    SendErrorReport();
    testing::TMapiRecord record = WaitForRecord();
    ASSERT_TRUE(record.Valid()) << record.Error;
    EXPECT_EQ(record.Flags, 9u);
    EXPECT_EQ(record.Session, 0u);
    DWORD parentProcess = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(record.Parent)), &parentProcess);
    EXPECT_EQ(parentProcess, FOutlook->ProcessId()) << "the dialog's parent is one of Outlook's windows";
    EXPECT_EQ(record.Subject, subject);
    EXPECT_EQ(record.NoteText, body);
    ASSERT_EQ(record.Recipients.size(), 1u);
    EXPECT_EQ(record.Recipients[0], (testing::TMapiRecipientRecord{0, 1, "support@zelkor.com", "SMTP:support@zelkor.com", 0}));
    ASSERT_EQ(record.Files.size(), 2u);
    EXPECT_EQ(record.Files[0], file(FPlaces->LogFile()));
    EXPECT_EQ(record.Files[0].Content.value_or("").rfind(logStart, 0), 0u);
    EXPECT_EQ(record.Files[1], file(FPlaces->ConfigFile()));
    EXPECT_NE(record.Files[1].Content.value_or("").find("Kind regards"), std::string::npos);

    std::filesystem::remove(FPlaces->LogFile());
    SendErrorReport();
    record = WaitForRecord();
    ASSERT_TRUE(record.Valid()) << record.Error;
    ASSERT_EQ(record.Files.size(), 1u) << "a file missing at the click is left out";
    EXPECT_EQ(record.Files[0], file(FPlaces->ConfigFile()));

    const testing::TAddinPlaces& places = *FPlaces;
    std::filesystem::rename(places.ConfigFile(), places.DataFolder() / "config.kept");
    SendErrorReport();
    record = WaitForRecord();
    std::filesystem::rename(places.DataFolder() / "config.kept", places.ConfigFile());
    ASSERT_TRUE(record.Valid()) << record.Error;
    EXPECT_EQ(record.FileCount, 0u);
    EXPECT_EQ(record.NoteText, body);

    FClient->SetResult(MapiUserAbort);
    SendErrorReport();
    EXPECT_TRUE(WaitForRecord().Valid());
    EXPECT_FALSE(testing::TakeMessageBox(FOutlook->ProcessId(), 1500)) << "a cancelled mail ends silently";
}

TEST_F(ErrorReportHostTest, EveryFailureIsShownToTheUserAndLogged)
{
    struct TRow {
        std::string what;
        std::function<std::unique_ptr<testing::TSimpleMapiClient>()> client;
        std::wstring message; // the whole message, or its start when partial
        bool partial = false;
        const char* className = "EJclMapiError";
    };
    const std::wstring missing = L"C:\\nowhere\\missing.dll";
    const auto withMapix = [](testing::TSimpleMapiClientSettings settings) {
        settings.MapiX = testing::TMessagingValue::Set(L"1");
        return std::make_unique<testing::TSimpleMapiClient>(settings);
    };
    std::vector<TRow> rows = {
        {"no client", [] { return std::make_unique<testing::TSimpleMapiClient>(testing::NoSimpleMapiClient()); },
         L"No Simple MAPI client installed, cannot send the message"},
        {"a library that does not load", [&] { return withMapix(testing::StandinMailClient(missing)); },
         L"System Error.  Code: 126.\r\n", true, "EOSError"},
        {"a library without MAPIDetails",
         [&] { return withMapix(testing::StandinMailClient(BuildPath(ZEL_TEST_SIMPLEMAPI_PARTIAL_DLL))); },
         L"Function \"MAPIDetails\" is not exported by client"},
    };
    for (ULONG code = 2; code <= 26; ++code)
        rows.push_back({"result " + std::to_string(code),
                        [&, code] {
                            auto client = std::make_unique<testing::TSimpleMapiClient>(testing::StandinMailClient(
                                BuildPath(ZEL_TEST_SIMPLEMAPI_DLL), FRecord.wstring()));
                            client->SetResult(code);
                            return client;
                        },
                        std::wstring(AsWide(MapiErrorMessage(code)))});

    for (const TRow& row : rows) {
        FClient.reset();
        FClient = row.client();
        SendErrorReport();
        const std::optional<std::wstring> shown = testing::TakeMessageBox(FOutlook->ProcessId());
        ASSERT_TRUE(shown) << row.what << ": no message shown";
        if (row.partial)
            EXPECT_EQ(shown->rfind(row.message, 0), 0u) << row.what << ": " << Narrow(*shown);
        else
            EXPECT_EQ(*shown, row.message) << row.what;
        const std::string log = FPlaces->ReadLog();
        EXPECT_NE(log.find(row.className), std::string::npos) << row.what;
        EXPECT_NE(log.find(Ansi(shown->substr(0, shown->find(L'\r')))), std::string::npos) << row.what << ": not in error.log";
    }
    EXPECT_FALSE(HasLine(State().Lines, L"addin ZelHotkeys.CZelHotkeys failed"));
}

TEST_F(ErrorReportHostTest, TheAboutWindowShowsTheVersionAndTheReadmeBesideTheDll)
{
    PostMessageW(FForm, WM_COMMAND, TMainForm::cmAbout, 0);
    const HWND about = testing::WaitForShownWindow(FOutlook->ProcessId(), L"TAboutForm");
    ASSERT_NE(about, nullptr);
    const HWND panel = GetDlgItem(about, TAboutForm::idPanel);
    const std::wstring caption = testing::WindowTextOf(GetDlgItem(panel, TAboutForm::idAboutText));
    EXPECT_NE(caption.find(L"Zelkor Hotkeys for Outlook 2.10.5129"), std::wstring::npos) << Narrow(caption);
    const std::filesystem::path readme = std::filesystem::path(BuildPath(ZEL_TEST_ZELHOTKEYS_DLL)).parent_path() / "readme_zelhotkeys.txt";
    const std::string readmeText = FileBytes(readme);
    ASSERT_FALSE(readmeText.empty());
    const std::wstring memo = testing::WindowTextOf(GetDlgItem(panel, TAboutForm::idLicMemo));
    EXPECT_EQ(Ansi(memo.substr(0, memo.find(L'\r'))), readmeText.substr(0, readmeText.find('\r')));
    PostMessageW(GetDlgItem(panel, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindowVisible(about); ++i)
        Sleep(50);
    EXPECT_FALSE(IsWindowVisible(about));
    EXPECT_TRUE(IsWindowEnabled(FForm)) << "the owner is enabled again";
}

} // namespace
} // namespace zel
