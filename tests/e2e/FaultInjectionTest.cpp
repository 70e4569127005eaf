// Every outside call of a full scenario made to fail, one at a time. A first run records the
// calls that the stand-in Outlook, the extended-MAPI stand-in and the Simple MAPI stand-in
// receive while the add-in connects with windows open, its button opens the settings window,
// rows are added, edited and removed, each action's hotkey is pressed, the About window and the
// error report are used, windows close and the add-in is disconnected. Then the scenario is
// replayed once per recorded call and failure kind (a failure code with error information, a
// null object, the stand-in's own exception), and each replay must show:
//   - the program survives and ends normally;
//   - no failure crosses into it, except the results of OnConnection and OnDisconnection;
//   - each failure met while the settings window lives has its block in error.log;
//   - config.xml parses and holds the table as the window last committed it;
//   - no stand-in object is left referenced once the add-in is released.
//
// ZEL_FAULTS sets how many replays (default 12, spread over the list); "all" replays every
// call with every kind that applies to it (ZEL_FAULT_ONLY=<text>: only the plans holding it):
//   ZEL_FAULTS=all build/win64/wine-run build/win64/tests/e2e/fault_injection_e2e_tests.exe
#include "platform/Exceptions.h"
#include "standins/common/OutsideCalls.h"
#include "storage/XMLFileStorage.h"
#include "support/AddinPlaces.h"
#include "support/ChordServer.h"
#include "support/ComApartment.h"
#include "support/ProcessWindows.h"
#include "support/RegisteredAddin.h"
#include "support/SettingsWindowRemote.h"
#include "support/SimpleMapiClient.h"
#include "support/StandinOutlookProcess.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include "diagnostics/About.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::BuildPath;
using testing::TStandinOutlookProcess;
using standin::TFaultKind;

::testing::Environment* const GCom = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

constexpr const char* TextChord = "Shift+Ctrl+Alt+F7";
constexpr const char* FolderChord = "Shift+Ctrl+Alt+F8";
constexpr const char* ScreenshotChord = "Shift+Ctrl+Alt+F9";
constexpr char16_t RemovedChord[] = u"Shift+Ctrl+Alt+F10";
constexpr wchar_t FolderPath[] = L"\\\\Personal Folders\\Sent Items";

std::string FileText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The table's rows (hotkey, action, settings) as config.xml holds them; nothing when it does not parse.
using TRows = std::vector<std::vector<std::u16string>>;
std::optional<TRows> TableOf(const std::string& bytes)
{
    TXMLFileStorage store;
    try {
        store.LoadFromBytes(bytes);
        const int count = std::stoi(ToUtf8(store.ReadString(u"MainForm\\HotKeys\\Count", u"0")));
        TRows rows;
        for (int i = 0; i < count; ++i) {
            const std::u16string row = u"MainForm\\HotKeys\\" + U16(std::to_string(i)) + u"\\";
            rows.push_back({store.ReadString(row + u"HotKey", u""), store.ReadString(row + u"Action", u""),
                            store.ReadString(row + u"Settings", u"")});
        }
        return rows;
    } catch (const Exception&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// One call of the record: "Type.Member", and whether it answers with an object.
struct TCall {
    std::wstring Name;
    bool Object = false;
};

// What the calls file holds after a run.
struct TCallRecord {
    std::vector<TCall> Calls;  // distinct, in the order first made
    int Faults = 0;            // calls made to fail
    int FaultsWhileConnected = 0;
    std::vector<std::wstring> SinkFailures;
};

TCallRecord ReadCallRecord(const std::filesystem::path& file)
{
    TCallRecord record;
    std::map<std::wstring, size_t> seen;
    bool connected = false;
    std::istringstream lines(FileText(file));
    for (std::string line; std::getline(lines, line);) {
        const std::wstring wide(line.begin(), line.end());
        std::wistringstream words(wide);
        std::wstring kind, name, extra;
        words >> kind >> name >> extra;
        if (kind == L"call") {
            auto [it, added] = seen.emplace(name, record.Calls.size());
            if (added)
                record.Calls.push_back({name, false});
            record.Calls[it->second].Object = record.Calls[it->second].Object || extra == L"object";
        } else if (kind == L"fault") {
            ++record.Faults;
            record.FaultsWhileConnected += connected ? 1 : 0;
        } else if (kind == L"phase") {
            connected = name == L"connected";
        } else if (kind == L"sink-failed") {
            record.SinkFailures.push_back(wide);
        }
    }
    return record;
}

void AppendPhase(const std::filesystem::path& file, const char* phase)
{
    std::ofstream(file, std::ios::binary | std::ios::app) << "phase " << phase << "\n";
}

// What one run of the scenario showed.
struct TRun {
    bool Survived = false;           // every command answered, the program ended with 0
    bool Connected = false;          // OnConnection succeeded
    std::wstring ConnectionFailure;  // the program's line for a failed OnConnection
    std::vector<std::wstring> Crossed;   // failures that reached the program, beyond the allowed ones
    std::vector<std::wstring> Steps;     // the scenario's steps that did not do their work
    TCallRecord Record;
    std::string Log;
    std::optional<TRows> Table;
    long long LiveObjects = -1, LiveZelreObjects = 0;
    bool Unloadable = false;
};

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPlaces = std::make_unique<testing::TAddinPlaces>(BuildPath(ZEL_TEST_ZELRE_DLL));
        FZelre = std::make_unique<testing::TZelreRegistration>(BuildPath(ZEL_TEST_ZELRE_DLL));
        ASSERT_TRUE(FZelre->Registered());
        FAddin = std::make_unique<testing::TRegisteredAddin>(BuildPath(ZEL_TEST_ZELHOTKEYS_DLL));
        ASSERT_TRUE(FAddin->Registered());
        FCallsFile = FPlaces->DataFolder().parent_path() / "zel-outside-calls.txt";
        FMailRecord = FPlaces->DataFolder().parent_path() / "zel-fault-mail-record.txt";
        FMailClient = std::make_unique<testing::TSimpleMapiClient>(
            testing::StandinMailClient(BuildPath(ZEL_TEST_SIMPLEMAPI_DLL), FMailRecord.wstring()));
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(standin::CallsFileVariable, nullptr);
        SetEnvironmentVariableW(standin::FaultVariable, nullptr);
        FMailClient.reset();
        FAddin.reset();
        FZelre.reset();
        FPlaces.reset();
        std::error_code error;
        std::filesystem::remove(FCallsFile, error);
        std::filesystem::remove(FMailRecord, error);
    }

    // The whole scenario, with the fault ("Type.Member=kind") or none.
    TRun Scenario(const std::wstring& fault)
    {
        TRun run;
        std::error_code error;
        std::filesystem::remove(FCallsFile, error);
        std::filesystem::remove(FMailRecord, error);
        std::filesystem::remove(FPlaces->LogFile(), error);
        FPlaces->WriteConfig(testing::ConfigWithRows({testing::ConfigRow(0, "Shift+Ctrl+Alt+F6", "Insert Text", "x")}));
        SetEnvironmentVariableW(standin::CallsFileVariable, FCallsFile.c_str());
        SetEnvironmentVariableW(standin::FaultVariable, fault.empty() ? nullptr : fault.c_str());

        bool answered = true;
        std::vector<std::wstring> output;
        {
            TStandinOutlookProcess outlook(BuildPath(ZEL_TEST_STANDIN_OUTLOOK_EXE), L"--explorers 2 --inspectors 1");
            if (!outlook.Started())
                return run;
            const std::vector<std::wstring> start = outlook.WaitReady();
            for (const std::wstring& line : start)
                if (line.find(L"failed: OnConnection") != std::wstring::npos)
                    run.ConnectionFailure = line;
            run.Connected = run.ConnectionFailure.empty();
            if (run.Connected)
                AppendPhase(FCallsFile, "connected");
            const auto send = [&](const std::wstring& command) {
                const testing::TStandinOutlookReply reply = outlook.Send(command);
                answered = answered && !reply.TimedOut;
                return reply;
            };
            const auto until = [&](auto done) {
                for (int i = 0; i < 60 && answered; ++i) {
                    if (done())
                        return true;
                    send(L"wait 25");
                }
                return false;
            };
            const auto stateField = [&](const wchar_t* kind, const wchar_t* field) {
                for (const std::wstring& line : send(L"state").Lines) {
                    auto fields = testing::ParseStateLine(line);
                    if (fields[L""] == kind)
                        return fields[field];
                }
                return std::wstring();
            };
            const auto step = [&](const char* name, bool done) {
                if (!done)
                    run.Steps.push_back(std::wstring(name, name + std::strlen(name)));
            };

            send(L"click explorer 1 Zelkor Hotkeys");
            const HWND form = run.Connected ? testing::TSettingsWindowRemote::Find(outlook.ProcessId(), 3000) : nullptr;
            step("settings window", form && IsWindowVisible(form));
            if (form) {
                testing::TSettingsWindowRemote remote(form);
                remote.AddHotKey(u"Shift+Ctrl+Alt+F7");
                step("edit text", remote.EditLastRowText(u"Kind regards"));
                remote.AddHotKey(u"Shift+Ctrl+Alt+F8");
                step("choose folder action", remote.ChooseLastRowAction(1));
                step("edit folder", remote.EditLastRowText(u"\\\\Personal Folders\\Sent Items"));
                remote.AddHotKey(u"Shift+Ctrl+Alt+F9");
                step("choose screenshot action", remote.ChooseLastRowAction(2));
                step("edit recipient", remote.EditLastRowText(u"a@example.com"));
                remote.AddHotKey(RemovedChord);
                remote.TableKey(VK_END);
                SendMessageW(remote.Control(TMainForm::idRemoveButton), BM_CLICK, 0, 0);

                testing::TChordServer chords;
                send(L"activate inspector 1");
                chords.Press(TextChord);
                step("insert text", until([&] { return stateField(L"inspector", L"body").find(L"Kind regards") != std::wstring::npos; }));
                send(L"activate explorer 1");
                chords.Press(FolderChord);
                step("switch folder", until([&] { return stateField(L"explorer", L"folder") == FolderPath; }));
                chords.Press(ScreenshotChord);
                step("screenshot mail", until([&] { return !stateField(L"draft", L"subject").empty(); }));

                PostMessageW(form, WM_COMMAND, TMainForm::cmAbout, 0);
                const HWND about = testing::WaitForShownWindow(outlook.ProcessId(), L"TAboutForm", 3000);
                step("about window", about != nullptr);
                if (about) {
                    PostMessageW(GetDlgItem(GetDlgItem(about, TAboutForm::idPanel), IDOK), BM_CLICK, 0, 0);
                    until([&] { return !IsWindowVisible(about); });
                }
                PostMessageW(form, WM_COMMAND, TMainForm::cmSendErrorReport, 0);
                const bool mailed = until([&] { return std::filesystem::exists(FMailRecord); });
                step("error report", mailed);
                if (!mailed) // a failed report shows its message; the user closes it
                    testing::TakeMessageBox(outlook.ProcessId(), 2000);
                PostMessageW(form, WM_CLOSE, 0, 0);
                send(L"wait 100");
            }
            send(L"close inspector 1");
            send(L"close explorer 2");
            AppendPhase(FCallsFile, "disconnect");
            output = send(L"disconnect").Lines;
            const testing::TStandinOutlookReply end = send(L"quit");
            output.insert(output.end(), start.begin(), start.end());
            output.insert(output.end(), end.Lines.begin(), end.Lines.end());
            run.Survived = answered && outlook.WaitForExit(20000) == 0;
        }
        for (const std::wstring& line : output) {
            const bool allowed = line.find(L"failed: OnConnection") != std::wstring::npos ||
                                 line.find(L"failed: OnDisconnection") != std::wstring::npos;
            if (line.find(L" failed: ") != std::wstring::npos && !allowed)
                run.Crossed.push_back(line);
            if (line.rfind(L"live standin-objects=", 0) == 0)
                run.LiveObjects = std::stoll(line.substr(21));
            if (line.rfind(L"live zelre-objects=", 0) == 0)
                run.LiveZelreObjects = std::stoll(line.substr(19));
            run.Unloadable = run.Unloadable || line.find(L"DllCanUnloadNow S_OK") != std::wstring::npos;
        }
        run.Record = ReadCallRecord(FCallsFile);
        for (const std::wstring& sink : run.Record.SinkFailures)
            run.Crossed.push_back(sink);
        run.Log = FileText(FPlaces->LogFile());
        run.Table = TableOf(FPlaces->ReadConfig());
        return run;
    }

    std::unique_ptr<testing::TAddinPlaces> FPlaces;
    std::unique_ptr<testing::TZelreRegistration> FZelre;
    std::unique_ptr<testing::TRegisteredAddin> FAddin;
    std::unique_ptr<testing::TSimpleMapiClient> FMailClient;
    std::filesystem::path FCallsFile, FMailRecord;
};

// Faults that the add-in meets silently by design, and why.
const std::map<std::wstring, const char*> SilentByDesign = {
    {L"CommandBars.Item=null", "no \"Standard\" bar yet: no button now, tried again at the explorer's next activation"},
};

// Whether error.log names the failure of the call: its error text, or the failed step of a
// connection point.
bool LogNames(const std::string& log, const std::wstring& call)
{
    const std::string name = Narrow(call);
    const std::string member = name.substr(name.find('.') + 1);
    if (member == "FindConnectionPoint" || member == "Advise" || member == "Unadvise")
        return log.find(member + " failed") != std::string::npos;
    return log.find("Injected failure of " + name) != std::string::npos;
}

// The faults to try: every recorded call with each kind that applies to it (a null object only
// where the call answers one; the mail client only fails with its error code).
std::vector<std::wstring> FaultPlans(const std::vector<TCall>& calls)
{
    std::vector<std::wstring> plans;
    for (const TCall& call : calls) {
        plans.push_back(call.Name + L"=error");
        if (call.Name.rfind(L"SimpleMapi.", 0) == 0)
            continue;
        if (call.Object)
            plans.push_back(call.Name + L"=null");
        plans.push_back(call.Name + L"=exception");
    }
    return plans;
}

// The plans of this run: all, or a number of them spread evenly over the list; ZEL_FAULT_ONLY
// keeps those that contain its text.
std::vector<std::wstring> ChosenPlans(std::vector<std::wstring> all)
{
    if (const char* only = std::getenv("ZEL_FAULT_ONLY")) {
        const std::wstring text(only, only + std::strlen(only));
        std::erase_if(all, [&](const std::wstring& plan) { return plan.find(text) == std::wstring::npos; });
    }
    const char* setting = std::getenv("ZEL_FAULTS");
    if (setting && std::string(setting) == "all")
        return all;
    const size_t wanted = setting && std::atoi(setting) > 0 ? static_cast<size_t>(std::atoi(setting)) : 12;
    if (wanted >= all.size())
        return all;
    std::vector<std::wstring> chosen;
    for (size_t i = 0; i < wanted; ++i)
        chosen.push_back(all[i * all.size() / wanted]);
    return chosen;
}

TEST_F(FaultInjection, EveryOutsideCallFailingLeavesOutlookTheTableAndTheLogSound)
{
    const TRun clean = Scenario({});
    ASSERT_TRUE(clean.Survived);
    ASSERT_TRUE(clean.Connected);
    EXPECT_TRUE(clean.Steps.empty()) << "a step failed without a fault: " << Narrow(clean.Steps.front());
    EXPECT_TRUE(clean.Crossed.empty());
    EXPECT_TRUE(clean.Log.empty()) << clean.Log;
    ASSERT_TRUE(clean.Table);
    const TRows committed = *clean.Table;
    EXPECT_EQ(committed.size(), 4u);
    EXPECT_EQ(clean.LiveObjects, 0);
    EXPECT_EQ(clean.LiveZelreObjects, 0);
    ASSERT_GT(clean.Record.Calls.size(), 20u);

    const std::vector<std::wstring> all = FaultPlans(clean.Record.Calls);
    const std::vector<std::wstring> plans = ChosenPlans(all);
    std::printf("outside calls recorded: %zu distinct; fault plans %zu, replayed %zu\n", clean.Record.Calls.size(),
                all.size(), plans.size());
    int met = 0, found = 0;
    std::map<std::wstring, int> stepsFailed;
    for (const std::wstring& plan : plans) {
        const TRun run = Scenario(plan);
        met += run.Record.Faults > 0 ? 1 : 0;
        std::vector<std::string> faults;
        if (!run.Survived)
            faults.push_back("the program did not survive");
        for (const std::wstring& line : run.Crossed)
            faults.push_back("crossed into the program: " + Narrow(line));
        // A failure met while the settings window (and with it the log) exists must be logged; a
        // null object that the add-in does not use (every step still did its work) is none.
        const std::wstring call = plan.substr(0, plan.rfind(L'='));
        const std::wstring kind = plan.substr(plan.rfind(L'=') + 1);
        const bool harmless = kind == L"null" && run.Steps.empty();
        if (run.Record.FaultsWhileConnected > 0 && !harmless && !SilentByDesign.count(plan)) {
            if (run.Log.empty())
                faults.push_back("a failure while connected has no block in error.log");
            else if (kind == L"error" && call.rfind(L"SimpleMapi.", 0) != 0 && !LogNames(run.Log, call))
                faults.push_back("error.log does not name the failure");
        }
        // A failed connection answers with the failure's own code: the injected one, or the
        // E_UNEXPECTED that the stand-in's exception became.
        const wchar_t* code = kind == L"error" ? L"0x80047A11" : kind == L"exception" ? L"0x8000FFFF" : nullptr;
        if (!run.Connected && code && run.ConnectionFailure.find(code) == std::wstring::npos)
            faults.push_back("OnConnection answered otherwise: " + Narrow(run.ConnectionFailure));
        if (!run.Table)
            faults.push_back("config.xml does not parse");
        else if (run.Connected && *run.Table != committed && run.Steps.empty())
            faults.push_back("config.xml does not hold the committed table");
        if (run.LiveObjects != 0 || run.LiveZelreObjects != 0)
            faults.push_back("stand-in objects left referenced: " + std::to_string(run.LiveObjects) + " + " +
                             std::to_string(run.LiveZelreObjects));
        for (const std::wstring& s : run.Steps)
            ++stepsFailed[s];
        std::string steps;
        for (const std::wstring& s : run.Steps)
            steps += (steps.empty() ? "" : ", ") + Narrow(s);
        std::printf("%-48s faults met %3d%s%s%s\n", Narrow(plan).c_str(), run.Record.Faults, run.Connected ? "" : ", not connected",
                    steps.empty() ? "" : "; steps without effect: ", steps.c_str());
        for (const std::string& f : faults)
            std::printf("    FAULT: %s\n", f.c_str());
        std::fflush(stdout);
        found += faults.empty() ? 0 : 1;
        EXPECT_TRUE(faults.empty()) << Narrow(plan);
    }
    std::printf("replays %zu, faults met in %d, replays with a fault of the add-in %d\n", plans.size(), met, found);
}

} // namespace
} // namespace zel
