// Hostile files, folders and libraries on the user's desktop, end to end: the add-in registered
// per user and loaded by the stand-in Outlook program, with its data folder, its temporary
// folder and its private extended-MAPI library prepared badly. Each row states what a user must
// see: the add-in connects, the status bar of the settings window and error.log say what is
// wrong, nothing of the user's is overwritten, and nothing hangs.
//
// ZEL_BAD_INPUT_LONG=1 adds the slow rows (a 100 MB config.xml, a 50 MB error.log).
#include "support/AddinPlaces.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/RegisteredAddin.h"
#include "support/SettingsWindowRemote.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::BuildPath;
using testing::ChordFreeForOthers;
using testing::ConfigRow;
using testing::ConfigWithRows;
using testing::PressChord;
using testing::TStandinOutlookProcess;
using testing::TStandinOutlookReply;

::testing::Environment* const GCom = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

namespace fs = std::filesystem;

constexpr const wchar_t* TextChord = L"Shift+Ctrl+Alt+F6";
constexpr const wchar_t* FailingChord = L"Shift+Ctrl+Alt+F7"; // a folder that does not exist: logged
constexpr const wchar_t* ShotChord = L"Shift+Ctrl+Alt+F8";

bool LongRows()
{
    const char* value = std::getenv("ZEL_BAD_INPUT_LONG");
    return value && std::string(value) == "1";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
std::string Joined(const std::vector<std::wstring>& lines)
{
    std::string text;
    for (const std::wstring& line : lines)
        text += Narrow(line) + "\n";
    return text;
}
bool Has(const std::vector<std::wstring>& lines, const std::wstring& part)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(part) != std::wstring::npos; });
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A real config.xml as the add-in writes it: three rows (text, a folder that is missing, the
// screenshot) and the window's placement and column widths.
std::string RealConfig()
{
    std::string text = ConfigWithRows({ConfigRow(0, "Shift+Ctrl+Alt+F6", "Insert Text", "Kind regards"),
                                       ConfigRow(1, "Shift+Ctrl+Alt+F7", "Switch To Folder", "\\\\Nowhere\\Missing"),
                                       ConfigRow(2, "Shift+Ctrl+Alt+F8", "Send Desktop Screenshot", "a@example.com")});
    text.insert(text.find("  </MainForm>"),
                "    <FormVersion>0</FormVersion>\r\n    <ShowCmd>1</ShowCmd>\r\n    <ItemsVST>\r\n"
                "      <Column0Width>160</Column0Width>\r\n      <Column1Width>200</Column1Width>\r\n"
                "      <Column2Width>240</Column2Width>\r\n    </ItemsVST>\r\n");
    return text;
}

// A file opened by "another program" that shares nothing, for the object's lifetime.
class TLockedFile {
public:
    explicit TLockedFile(const fs::path& path)
        : FHandle(CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr))
    {
    }
    ~TLockedFile()
    {
        if (FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
    }
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;
    bool Locked() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};

// What one run of the stand-in Outlook showed.
struct TRun {
    std::vector<std::wstring> Startup;
    double ConnectionMs = -1;
    std::wstring Status;     // the settings window's status bar once shown
    bool AddEnabled = false; // editing
    int TableRows = -1;      // rows of the table control
    bool TextChordHeld = false;
    std::vector<std::wstring> Shutdown;
    DWORD ExitCode = STILL_ACTIVE;
};

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPlaces = std::make_unique<testing::TAddinPlaces>(BuildPath(ZEL_TEST_ZELRE_DLL));
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

    // The settings window's status text, read from the other process (WM_GETTEXT is carried
    // across processes; the status bar answers it with its first part).
    static std::wstring StatusOf(HWND form)
    {
        const testing::TSettingsWindowRemote remote(form);
        HWND status = nullptr;
        for (int i = 0; i < 100 && !(status = remote.Control(TMainForm::idStatusBar)); ++i)
            Sleep(50);
        if (!status)
            return L"<no status bar>";
        wchar_t text[4096] = {};
        DWORD_PTR result = 0;
        SendMessageTimeoutW(status, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 10000,
                            &result);
        return text;
    }

    // Starts the program, shows the settings window, reads it, runs `during` and ends the
    // program normally.
    TRun Run(const std::function<void(TStandinOutlookProcess&, HWND form)>& during = {},
             const std::wstring& arguments = L"--explorers 1 --inspectors 1")
    {
        TRun run;
        FOutlook = std::make_unique<TStandinOutlookProcess>(BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE), arguments);
        EXPECT_TRUE(FOutlook->Started());
        run.Startup = FOutlook->WaitReady(120000);
        for (const std::wstring& line : run.Startup) {
            const size_t at = line.find(L"OnConnection ");
            if (line.rfind(L"addin ZelHotkeys.CZelHotkeys", 0) == 0 && at != std::wstring::npos)
                run.ConnectionMs = std::wcstod(line.c_str() + at + 13, nullptr);
        }
        run.TextChordHeld = !ChordFreeForOthers(TextChord);
        FOutlook->Send(L"click explorer 1 Zelkor Hotkeys", 120000);
        const HWND form = testing::TSettingsWindowRemote::Find(FOutlook->ProcessId());
        EXPECT_NE(form, nullptr);
        if (form) {
            run.Status = StatusOf(form);
            const testing::TSettingsWindowRemote remote(form);
            run.AddEnabled = IsWindowEnabled(remote.Control(TMainForm::idAddButton)) != FALSE;
            run.TableRows = static_cast<int>(SendMessageW(remote.Control(TMainForm::idItemsVST), LVM_GETITEMCOUNT, 0, 0));
            if (during)
                during(*FOutlook, form);
        }
        const TStandinOutlookReply end = FOutlook->Send(L"quit", 120000);
        run.Shutdown = end.Lines;
        run.ExitCode = FOutlook->WaitForExit(60000);
        FOutlook.reset();
        return run;
    }

    // The drafts the stand-in Outlook shows.
    static int Drafts(TStandinOutlookProcess& outlook)
    {
        const TStandinOutlookReply state = outlook.Send(L"state");
        return static_cast<int>(std::count_if(state.Lines.begin(), state.Lines.end(),
                                              [](const std::wstring& l) { return l.rfind(L"draft ", 0) == 0; }));
    }
    template <class Condition>
    static bool Until(TStandinOutlookProcess& outlook, Condition condition, int attempts = 50)
    {
        for (int i = 0; i < attempts; ++i) {
            if (condition())
                return true;
            outlook.Send(L"wait 100");
        }
        return condition();
    }

    std::unique_ptr<testing::TAddinPlaces> FPlaces;
    std::unique_ptr<testing::TZelreRegistration> FZelre;
    std::unique_ptr<testing::TRegisteredAddin> FAddin;
    std::unique_ptr<TStandinOutlookProcess> FOutlook;
};

// Every run: connected, no failure printed, the program ended normally.
void ExpectAHealthyRun(const TRun& run, const std::string& row)
{
    EXPECT_TRUE(Has(run.Startup, L"addin ZelHotkeys.CZelHotkeys OnConnection ")) << row << "\n" << Joined(run.Startup);
    EXPECT_FALSE(Has(run.Startup, L"addin ZelHotkeys.CZelHotkeys failed")) << row << "\n" << Joined(run.Startup);
    EXPECT_TRUE(Has(run.Shutdown, L"addin ZelHotkeys.CZelHotkeys OnDisconnection 0x00000000")) << row << "\n"
                                                                                              << Joined(run.Shutdown);
    EXPECT_EQ(run.ExitCode, 0u) << row;
}

// ---- config.xml

struct TConfigRow {
    std::string name;
    std::function<std::string()> bytes; // the file's content (nothing written for an empty function)
    bool readable;                      // the table loads and can be edited; otherwise empty and locked
    std::wstring status;                // a part of the status bar's text ("" for a row that loads)
    std::string logged;                 // a part of error.log ("" when nothing need be logged)
    int rows = -1;                      // rows shown when readable (-1: three, as RealConfig)
    bool slow = false;
};

TEST_F(BadInputTest, ConfigFilesThatCannotBeReadAreReportedAndNeverOverwritten)
{
    const std::string real = RealConfig();
    const auto cut = [real](size_t at) { return [real, at] { return real.substr(0, at); }; };
    const auto replace = [real](std::string from, std::string to) {
        return [real, from, to] {
            std::string text = real;
            text.replace(text.find(from), from.size(), to);
            return text;
        };
    };
    const std::wstring unreadable = L"could not be read; it is left as it is, and the table cannot be edited.";
    const std::wstring tableUnreadable = L"could not be read; the stored hotkeys are kept, and the table cannot be edited.";
    std::vector<TConfigRow> rows = {
        {"empty file", [] { return std::string(); }, true, L"", "", 0},
        {"cut inside the declaration", cut(20), false, unreadable, "cannot be read"},
        {"cut inside the first row", cut(real.find("Kind re")), false, unreadable, "the file ends inside"},
        {"cut before the root's end tag", cut(real.rfind("</Configuration>")), false, unreadable, "cannot be read"},
        {"cut inside the root's end tag", cut(real.size() - 5), false, unreadable, "cannot be read"},
        {"nested 100,000 deep",
         [] {
             std::string text;
             for (int i = 0; i < 100000; ++i)
                 text += "<a>";
             return text;
         },
         false, unreadable, "nested too deeply"},
        {"invalid UTF-8 in a file declared UTF-8",
         [real] {
             std::string text = real;
             text.replace(text.find("Windows-1252"), 12, "utf-8");
             text.replace(text.find("Kind"), 4, "K\xE9nd"); // a Windows-1252 letter, no UTF-8
             return text;
         },
         false, unreadable, "UTF-8"},
        {"UTF-8 byte-order mark, declaration utf-16",
         [real] {
             std::string text = "\xEF\xBB\xBF" + real;
             text.replace(text.find("Windows-1252"), 12, "utf-16");
             return text;
         },
         true, L"", ""},
        {"UTF-16 byte-order mark, declaration Windows-1252",
         [real] {
             std::string text = "\xFF\xFE";
             for (char c : real)
                 text += std::string{c, '\0'};
             return text;
         },
         true, L"", ""},
        {"Count 1000000000", replace("<Count>3</Count>", "<Count>1000000000</Count>"), true, L"", ""},
        {"Count -5 (no rows, as the stored count says)", replace("<Count>3</Count>", "<Count>-5</Count>"), true, L"", "", 0},
        {"Count not a number", replace("<Count>3</Count>", "<Count>three</Count>"), false, tableUnreadable,
         "is not a valid integer value"},
        {"a 100 MB file (a comment of 100 MB)",
         [real] {
             std::string text = real;
             text.insert(text.find("<Configuration>"), "<!--" + std::string(100u << 20, 'x') + "-->\r\n");
             return text;
         },
         true, L"", "", -1, true},
    };

    for (const TConfigRow& row : rows) {
        if (row.slow && !LongRows())
            continue;
        SCOPED_TRACE(row.name);
        fs::remove(FPlaces->LogFile());
        const std::string before = row.bytes();
        FPlaces->WriteConfig(before);
        const auto started = std::chrono::steady_clock::now();
        const TRun run = Run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("config.xml %s: OnConnection %.1f ms, run %.1f s\n", row.name.c_str(), run.ConnectionMs, seconds);
        ExpectAHealthyRun(run, row.name);
        EXPECT_EQ(run.AddEnabled, row.readable) << Narrow(run.Status);
        if (row.readable) {
            EXPECT_EQ(run.TableRows, row.rows < 0 ? 3 : row.rows);
            EXPECT_EQ(run.TextChordHeld, row.rows != 0);
        } else {
            EXPECT_EQ(run.TableRows, 0);
            EXPECT_FALSE(run.TextChordHeld) << "no hotkey of a table that was not loaded";
            EXPECT_NE(run.Status.find(row.status), std::wstring::npos) << Narrow(run.Status);
            EXPECT_NE(run.Status.find(L"config.xml"), std::wstring::npos) << Narrow(run.Status);
            EXPECT_TRUE(ReadBytes(FPlaces->ConfigFile()) == before) << "the user's file is untouched";
        }
        if (!row.logged.empty()) {
            EXPECT_NE(FPlaces->ReadLog().find(row.logged), std::string::npos) << FPlaces->ReadLog().substr(0, 2000);
        }
        EXPECT_FALSE(fs::exists(FPlaces->ConfigFile().string() + ".tmp"));
    }
}

// Every prefix of a real file read by the add-in itself would take an hour; a few prefixes run
// end to end above, and every prefix runs through the reader natively (tests/storage).

TEST_F(BadInputTest, AConfigFileThatCannotBeOpenedOrReplacedIsLeftAsItIs)
{
    const std::string real = RealConfig();
    const auto firstRowIntact = [](const std::string& text) {
        return text.find("<HotKey>Shift+Ctrl+Alt+F6</HotKey>") != std::string::npos;
    };

    {
        SCOPED_TRACE("locked by another program");
        FPlaces->WriteConfig(real);
        TLockedFile lock(FPlaces->ConfigFile());
        ASSERT_TRUE(lock.Locked());
        const TRun run = Run();
        ExpectAHealthyRun(run, "locked");
        EXPECT_FALSE(run.AddEnabled);
        EXPECT_NE(run.Status.find(L"config.xml could not be read"), std::wstring::npos) << Narrow(run.Status);
        EXPECT_NE(FPlaces->ReadLog().find("config.xml"), std::string::npos);
    }
    EXPECT_EQ(ReadBytes(FPlaces->ConfigFile()), real);

    {
        SCOPED_TRACE("a folder in its place");
        fs::remove(FPlaces->ConfigFile());
        fs::create_directory(FPlaces->ConfigFile());
        WriteBytes(FPlaces->ConfigFile() / "inside.txt", "the user's");
        const TRun run = Run();
        ExpectAHealthyRun(run, "folder");
        EXPECT_FALSE(run.AddEnabled);
        EXPECT_NE(run.Status.find(L"config.xml could not be read"), std::wstring::npos) << Narrow(run.Status);
        EXPECT_EQ(ReadBytes(FPlaces->ConfigFile() / "inside.txt"), "the user's");
        fs::remove_all(FPlaces->ConfigFile());
    }

    {
        SCOPED_TRACE("read-only");
        FPlaces->WriteConfig(real);
        SetFileAttributesW(FPlaces->ConfigFile().wstring().c_str(), FILE_ATTRIBUTE_READONLY);
        const TRun run = Run([](TStandinOutlookProcess&, HWND form) {
            testing::TSettingsWindowRemote(form).AddHotKey(u"Shift+Ctrl+Alt+F9");
        });
        ExpectAHealthyRun(run, "read-only");
        EXPECT_TRUE(run.AddEnabled) << "the table is read and can be used";
        EXPECT_TRUE(run.TextChordHeld);
        SetFileAttributesW(FPlaces->ConfigFile().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadBytes(FPlaces->ConfigFile()), real) << "a read-only file is not replaced";
        EXPECT_NE(FPlaces->ReadLog().find("config.xml"), std::string::npos) << "the failed save is on record";
        EXPECT_FALSE(fs::exists(FPlaces->ConfigFile().string() + ".tmp"));
    }
    EXPECT_TRUE(firstRowIntact(ReadBytes(FPlaces->ConfigFile())));
}

TEST_F(BadInputTest, ADataFolderThatCannotBeCreatedIsReported)
{
    const fs::path folder = FPlaces->DataFolder();
    fs::remove_all(folder);
    WriteBytes(folder, "a file of the user's where the data folder would be");
    const TRun run = Run();
    ExpectAHealthyRun(run, "data folder");
    EXPECT_FALSE(run.AddEnabled);
    EXPECT_NE(run.Status.find(L"Zelkor Hotkeys for Outlook"), std::wstring::npos) << Narrow(run.Status);
    EXPECT_EQ(ReadBytes(folder), "a file of the user's where the data folder would be");
    fs::remove(folder);
    fs::create_directories(folder);
}

// ---- error.log

TEST_F(BadInputTest, AnErrorLogThatIsDamagedHugeOrHeldCostsNothingElse)
{
    struct TLogRow {
        std::string name;
        std::function<void()> prepare;
        bool appended; // the new entries reach the file during the run
        bool slow = false;
    };
    const fs::path log = FPlaces->LogFile();
    std::unique_ptr<TLockedFile> lock;
    const std::string junk = std::string("\0\0\xFF\xFE garbage ]]]>[\r\n[no close\n\x80\x81\x82\r", 40) +
                             "[01.01.2026 10:00:00]Error>an earlier entry>\r\n";
    std::vector<TLogRow> rows = {
        {"corrupt content", [&] { WriteBytes(log, junk); }, true},
        {"held by another program, sharing nothing",
         [&] {
             WriteBytes(log, junk);
             lock = std::make_unique<TLockedFile>(log);
         },
         false},
        {"a folder in its place",
         [&] {
             fs::remove(log);
             fs::create_directory(log);
         },
         false},
        {"50 MB",
         [&] {
             std::string line = "[01.01.2026 10:00:00]Error>" + std::string(100, 'x') + ">\r\n";
             std::string text;
             text.reserve(50u << 20);
             while (text.size() < (50u << 20))
                 text += line;
             WriteBytes(log, text);
         },
         true, true},
    };
    for (const TLogRow& row : rows) {
        if (row.slow && !LongRows())
            continue;
        SCOPED_TRACE(row.name);
        FPlaces->WriteConfig(RealConfig());
        row.prepare();
        const auto started = std::chrono::steady_clock::now();
        const TRun run = Run([](TStandinOutlookProcess& outlook, HWND form) {
            // A press whose action fails (its folder is missing) is logged; the text press works.
            EXPECT_EQ(PressChord(FailingChord), 0u);
            outlook.Send(L"activate inspector 1");
            EXPECT_EQ(PressChord(TextChord), 0u);
            EXPECT_TRUE(Until(outlook, [&] {
                const TStandinOutlookReply state = outlook.Send(L"state");
                return Has(state.Lines, L"Kind regards");
            })) << "the text press works";
            testing::TSettingsWindowRemote(form).AddHotKey(u"Shift+Ctrl+Alt+F9");
        });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("error.log %s: OnConnection %.1f ms, run %.1f s\n", row.name.c_str(), run.ConnectionMs, seconds);
        lock.reset();
        ExpectAHealthyRun(run, row.name);
        EXPECT_TRUE(run.TextChordHeld);
        EXPECT_TRUE(run.AddEnabled);
        EXPECT_NE(ReadBytes(FPlaces->ConfigFile()).find("<HotKey>Shift+Ctrl+Alt+F9</HotKey>"), std::string::npos)
            << "the settings are saved whatever the log";
        if (row.appended) {
            const std::string text = ReadBytes(log);
            EXPECT_NE(text.find("Error>Exception ", junk.size()), std::string::npos) << "the failed press is on record";
            EXPECT_LE(text.size(), 1048576u + 1048576u / 16 + 4096) << "the log is kept about its limit";
        }
        std::error_code error;
        fs::remove_all(log, error);
    }
}

// ---- the temporary folder of the screenshot

TEST_F(BadInputTest, AMissingOrUnwritableTempFolderFailsThePressUntilItIsFixed)
{
    FPlaces->WriteConfig(RealConfig());
    const fs::path temp = FPlaces->DataFolder().parent_path() / "zel-bad-temp";
    struct TTempRow {
        std::string name;
        std::function<void()> spoil;
    };
    const std::vector<TTempRow> rows = {
        {"missing", [&] { fs::remove_all(temp); }},
        {"a file in its place", [&] { fs::remove_all(temp); WriteBytes(temp, "x"); }},
    };
    for (const TTempRow& row : rows) {
        SCOPED_TRACE(row.name);
        row.spoil();
        fs::remove(FPlaces->LogFile());
        testing::TEnvironmentSetting tempVariable(L"TEMP", temp.wstring().c_str());
        const TRun run = Run([&](TStandinOutlookProcess& outlook, HWND form) {
            EXPECT_EQ(PressChord(ShotChord), 0u);
            EXPECT_TRUE(Until(outlook, [&] { return StatusOf(form) == L"Shift+Ctrl+Alt+F8 pressed."; }));
            outlook.Send(L"wait 500");
            EXPECT_EQ(Drafts(outlook), 0);
            EXPECT_NE(FPlaces->ReadLog().find("Screenshot.jpg"), std::string::npos)
                << "the failure names the file: " << FPlaces->ReadLog().substr(0, 3000);
            // Fixed: the next press works.
            fs::remove_all(temp);
            fs::create_directories(temp);
            EXPECT_EQ(PressChord(ShotChord), 0u);
            EXPECT_TRUE(Until(outlook, [&] { return Drafts(outlook) == 1; })) << "the press after the fix works";
            EXPECT_FALSE(fs::exists(temp / "Screenshot.jpg")) << "no picture is left behind";
        });
        ExpectAHealthyRun(run, row.name);
    }
    fs::remove_all(temp);
}

// ---- the private extended-MAPI library

TEST_F(BadInputTest, ABadMailLibraryIsReportedAndTheTableAndHotkeysStillLoad)
{
    const fs::path library = PrivateLibraryPath();
    const std::string good = ReadBytes(library);
    ASSERT_FALSE(good.empty());
    struct TLibraryRow {
        std::string name;
        std::function<void()> spoil;
    };
    std::vector<TLibraryRow> rows = {
        {"missing", [&] { fs::remove(library); }},
        {"truncated", [&] { WriteBytes(library, good.substr(0, 4096)); }},
        {"not a library at all", [&] { WriteBytes(library, "MZ but nothing else"); }},
        {"without DllGetClassObject", [&] { fs::copy_file(fs::path(BuildPath(ZEL_TEST_NOEXPORT_DLL)), library,
                                                          fs::copy_options::overwrite_existing); }},
    };
    const fs::path other = fs::path(BuildPath(ZEL_TEST_ZELRE32_DLL));
    if (fs::exists(other))
        rows.push_back({"the 32-bit library", [&] { fs::copy_file(other, library, fs::copy_options::overwrite_existing); }});
    else
        std::printf("the 32-bit zelre.dll is not built (%s): its row is left out\n", other.string().c_str());

    for (const TLibraryRow& row : rows) {
        SCOPED_TRACE(row.name);
        FPlaces->WriteConfig(RealConfig());
        fs::remove(FPlaces->LogFile());
        row.spoil();
        const TRun run = Run();
        WriteBytes(library, good);
        ExpectAHealthyRun(run, row.name);
        EXPECT_NE(run.Status.find(L"The mail library could not be started"), std::wstring::npos) << Narrow(run.Status);
        EXPECT_TRUE(run.AddEnabled);
        EXPECT_EQ(run.TableRows, 3);
        EXPECT_TRUE(run.TextChordHeld) << "the hotkeys are registered without the library";
        EXPECT_FALSE(FPlaces->ReadLog().empty()) << "the failure is on record";
    }

    SCOPED_TRACE("the safe inspector's ProgID unregistered");
    FZelre.reset();
    FPlaces->WriteConfig(RealConfig());
    fs::remove(FPlaces->LogFile());
    const TRun run = Run([](TStandinOutlookProcess& outlook, HWND form) {
        outlook.Send(L"activate inspector 1");
        EXPECT_EQ(PressChord(TextChord), 0u);
        EXPECT_TRUE(Until(outlook, [&] { return StatusOf(form) == L"Shift+Ctrl+Alt+F6 pressed."; }));
        outlook.Send(L"wait 300");
        EXPECT_FALSE(Has(outlook.Send(L"state").Lines, L"Kind regards"));
    });
    ExpectAHealthyRun(run, "ProgID");
    EXPECT_TRUE(run.TextChordHeld);
    EXPECT_EQ(run.TableRows, 3);
    // CO_E_CLASSSTRING: the ProgID is not known.
    EXPECT_NE(FPlaces->ReadLog().find("0x800401F3"), std::string::npos) << FPlaces->ReadLog().substr(0, 3000);
}

// ---- the table's hotkeys

TEST_F(BadInputTest, HotkeyTextsThatDoNotParseDuplicatesAndAThousandRows)
{
    {
        SCOPED_TRACE("texts that do not parse, and a duplicate");
        FPlaces->WriteConfig(ConfigWithRows({ConfigRow(0, "Ctrl+Bogus", "Insert Text", "a"),
                                             ConfigRow(1, "Shift+Ctrl+Alt+F6", "Insert Text", "Kind regards"),
                                             ConfigRow(2, "Shift+Ctrl+Alt+F6", "Insert Text", "second"),
                                             ConfigRow(3, "+++", "Nothing Known", "b"),
                                             ConfigRow(4, std::string(5000, 'K'), "Insert Text", "c")}));
        const TRun run = Run([](TStandinOutlookProcess& outlook, HWND) {
            outlook.Send(L"activate inspector 1");
            EXPECT_EQ(PressChord(TextChord), 0u);
            EXPECT_TRUE(Until(outlook, [&] { return Has(outlook.Send(L"state").Lines, L"Kind regards"); }))
                << "a press runs the first of the two rows";
        });
        ExpectAHealthyRun(run, "texts");
        EXPECT_EQ(run.TableRows, 5);
        EXPECT_TRUE(run.TextChordHeld);
        EXPECT_NE(run.Status.find(L"already in the table"), std::wstring::npos) << Narrow(run.Status);
    }
    {
        SCOPED_TRACE("1,000 rows");
        std::vector<std::string> rows;
        for (int i = 0; i < 1000; ++i)
            rows.push_back(ConfigRow(i, i == 999 ? "Shift+Ctrl+Alt+F6" : "Shift+Ctrl+Alt+F" + std::to_string(10 + i % 3),
                                     "Insert Text", "row " + std::to_string(i)));
        const std::string config = ConfigWithRows(rows);
        FPlaces->WriteConfig(config);
        const auto started = std::chrono::steady_clock::now();
        const TRun run = Run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("1,000 rows: OnConnection %.1f ms, run %.1f s\n", run.ConnectionMs, seconds);
        ExpectAHealthyRun(run, "1000");
        EXPECT_EQ(run.TableRows, 1000) << "every row is there";
        EXPECT_TRUE(run.TextChordHeld) << "the last row's hotkey is registered";
        const std::string written = ReadBytes(FPlaces->ConfigFile());
        EXPECT_NE(written.find("<Count>1000</Count>"), std::string::npos);
        EXPECT_NE(written.find("<Settings>row 999</Settings>"), std::string::npos);
    }
}

} // namespace
} // namespace zel

namespace zel {
namespace {

// A full disk while config.xml is replaced. Only when the data folder's parent ("Zelkor" in the
// application-data folder) is a small disk of its own, which the caller mounts, e.g. as root:
//   mount -t tmpfs -o size=1m tmpfs "$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/Zelkor"
//   ZEL_BAD_INPUT_FULL_DISK=1 build/win64/wine-run build/win64/tests/e2e/bad_input_e2e_tests.exe
TEST_F(BadInputTest, AFullDiskLeavesTheOldConfigFileWhole)
{
    const char* enabled = std::getenv("ZEL_BAD_INPUT_FULL_DISK");
    if (!enabled || std::string(enabled) != "1")
        GTEST_SKIP() << "ZEL_BAD_INPUT_FULL_DISK=1 with a small disk mounted on the data folder's parent";
    const std::string real = RealConfig();
    FPlaces->WriteConfig(real);
    fs::remove(FPlaces->LogFile());
    // The disk filled up to its last byte.
    const fs::path filler = FPlaces->DataFolder().parent_path() / "filler";
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(4096, 'f');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
            out.flush();
    }
    {
        std::ofstream out(filler, std::ios::binary | std::ios::app);
        for (int i = 0; i < 4096 && out.put('f'); ++i)
            out.flush();
    }
    const TRun run = Run([](TStandinOutlookProcess&, HWND form) {
        testing::TSettingsWindowRemote(form).AddHotKey(u"Shift+Ctrl+Alt+F9");
    });
    fs::remove(filler);
    ExpectAHealthyRun(run, "full disk");
    EXPECT_TRUE(run.TextChordHeld);
    EXPECT_EQ(ReadBytes(FPlaces->ConfigFile()), real) << "the old file survives whole";
    EXPECT_FALSE(fs::exists(FPlaces->ConfigFile().string() + ".tmp"));
}

} // namespace
} // namespace zel
