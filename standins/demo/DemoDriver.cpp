// The scripted demo of the product: the stand-in Outlook program started with the registered
// add-in, three hotkeys added in the settings window as a user adds them, each chord pressed from
// this second process, and the results shown. Screenshots and a summary go to the folder named
// on the command line.
//
//   zel_demo.exe <StandinOutlook.exe> <output folder>
#include "diagnostics/About.h"
#include "diagnostics/LinkMarkup.h"
#include "hotkeys/Main.h"
#include "platform/WideText.h"
#include "support/HotKeyPress.h"
#include "support/ProcessWindows.h"
#include "support/SettingsWindowRemote.h"
#include "support/StandinOutlookProcess.h"

#include <objbase.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace zel;
using testing::ParseStateLine;
using testing::TSettingsWindowRemote;
using testing::TStandinOutlookProcess;
using testing::TStandinOutlookReply;

struct TDemoHotKey {
    const char16_t* Chord;
    int Action; // place in the action list
    const char16_t* Settings;
    const wchar_t* Shows;
};

const TDemoHotKey DemoHotKeys[] = {
    {u"Shift+Ctrl+Alt+F9", 0, u"Kind regards,\r\nAnna Example", L"the text at the caret of the open message"},
    {u"Shift+Ctrl+Alt+F10", 1, u"\\\\Personal Folders\\Sent Items", L"the explorer on the folder \"Sent Items\""},
    {u"Shift+Ctrl+Alt+F11", 2, u"support@example.com", L"a new mail with the desktop's picture attached"},
};

class TDemo {
public:
    TDemo(std::wstring host, std::filesystem::path output) : FHost(std::move(host)), FOutput(std::move(output)) {}

    int Run()
    {
        std::filesystem::create_directories(FOutput);
        Say(L"ZelHotkeys demo: the add-in inside the stand-in Outlook program");
        TStandinOutlookProcess outlook(FHost, L"--explorers 1 --inspectors 1");
        FOutlook = &outlook;
        Say(L"");
        Say(L"Outlook started; what it printed while loading its add-ins:");
        for (const std::wstring& line : outlook.WaitReady())
            Say(L"  " + line);
        Command(L"activate explorer 1");
        Screenshot(L"1-explorer-with-button.png", L"the explorer with the \"Zelkor Hotkeys\" button");

        Say(L"");
        Say(L"A click on \"Zelkor Hotkeys\" shows the settings window; three hotkeys are added there:");
        Command(L"click explorer 1 Zelkor Hotkeys");
        const HWND form = TSettingsWindowRemote::Find(outlook.ProcessId());
        if (!form)
            return Fail(L"the settings window did not appear");
        TSettingsWindowRemote remote(form);
        Settle();
        for (const TDemoHotKey& hotKey : DemoHotKeys) {
            remote.AddHotKey(hotKey.Chord);
            Settle();
            if (hotKey.Action != 0 && !remote.ChooseLastRowAction(hotKey.Action))
                return Fail(L"the action list did not open");
            Settle();
            if (!remote.EditLastRowText(hotKey.Settings))
                return Fail(L"the settings cell did not open");
            Settle();
            Say(L"  " + std::wstring(AsWide(hotKey.Chord)) + L": " + Printable(std::wstring(AsWide(hotKey.Settings))));
        }
        Screenshot(L"2-settings-window.png", L"the settings window with the three hotkeys");
        const std::string config = ReadFile(std::filesystem::path(AsWide(DefaultDataFolder())) / "config.xml");
        Say(L"  config.xml now holds " + std::to_wstring(CountOf(config, "<HotKey>")) + L" rows (" +
            std::to_wstring(config.size()) + L" bytes)");
        PostMessageW(form, WM_CLOSE, 0, 0);
        Settle();

        Say(L"");
        Say(L"Each chord pressed from another program:");
        Command(L"activate inspector 1");
        Command(L"caret inspector 1 0");
        Press(DemoHotKeys[0]);
        Report(L"inspector", L"body");
        Screenshot(L"3-text-inserted.png", L"the text inserted into the open message");
        Command(L"activate explorer 1");
        Press(DemoHotKeys[1]);
        Report(L"explorer", L"folder");
        Screenshot(L"4-folder-switched.png", L"the explorer switched to \"Sent Items\"");
        Press(DemoHotKeys[2]);
        Report(L"draft", L"attachments");
        Screenshot(L"5-screenshot-mail.png", L"the new mail with the screenshot attached");

        if (!AboutAndErrorReport(form))
            return 1;

        Say(L"");
        Say(L"Outlook closed; what it printed:");
        for (const std::wstring& line : outlook.Send(L"quit").Lines)
            Say(L"  " + line);
        outlook.WaitForExit(20000);
        FOutlook = nullptr;
        WriteSummary();
        return FFailures == 0 ? 0 : 1;
    }

private:
    // The Help menu's "About..." and "Send Error Report...": the About window, and the report in
    // the mail client's compose window (the stand-in mail client), sent from there.
    bool AboutAndErrorReport(HWND form)
    {
        Say(L"");
        Say(L"The settings window's Help menu, \"About...\":");
        PostMessageW(form, WM_COMMAND, TMainForm::cmAbout, 0);
        const HWND about = testing::WaitForShownWindow(FOutlook->ProcessId(), L"TAboutForm");
        if (!about)
            return Fail(L"the About window did not appear") == 0;
        const HWND panel = GetDlgItem(about, TAboutForm::idPanel);
        const std::u16string caption = MarkupPlainText(AsU16(testing::WindowTextOf(GetDlgItem(panel, TAboutForm::idAboutText))));
        Say(L"  " + Printable(std::wstring(AsWide(caption))));
        Screenshot(L"6-about-window.png", L"the About window");
        PostMessageW(GetDlgItem(panel, IDOK), BM_CLICK, 0, 0);
        Settle();

        Say(L"\"Send Error Report...\": the mail client shows the report before it is sent:");
        PostMessageW(form, WM_COMMAND, TMainForm::cmSendErrorReport, 0);
        const HWND compose = testing::WaitForShownWindow(FOutlook->ProcessId(), L"ZelStandinMailCompose");
        if (!compose)
            return Fail(L"the mail client's window did not appear") == 0;
        Say(L"  " + testing::WindowTextOf(compose));
        Screenshot(L"7-error-report-mail.png", L"the error report in the mail client's compose window");
        PostMessageW(GetDlgItem(compose, IDOK), BM_CLICK, 0, 0);
        Settle();
        Say(L"  sent");
        return true;
    }
    void Say(const std::wstring& line)
    {
        FSummary += line + L"\r\n";
        std::fwprintf(stdout, L"%ls\n", line.c_str());
        std::fflush(stdout);
    }
    int Fail(const std::wstring& what)
    {
        ++FFailures;
        Say(L"FAILED: " + what);
        WriteSummary();
        return 1;
    }
    TStandinOutlookReply Command(const std::wstring& command)
    {
        TStandinOutlookReply reply = FOutlook->Send(command);
        if (!reply.Ok) {
            ++FFailures;
            Say(L"  FAILED: " + command + L": " + reply.Text);
        }
        return reply;
    }
    void Screenshot(const std::wstring& name, const std::wstring& what)
    {
        Settle(400);
        Command(L"screenshot " + (FOutput / name).wstring());
        FShots.push_back(name + L": " + what);
    }
    void Press(const TDemoHotKey& hotKey)
    {
        const std::wstring chord(AsWide(hotKey.Chord));
        const DWORD result = testing::PressChord(chord);
        Command(L"wait 700");
        Say(L"  " + chord + L" pressed" + (result == 0 ? L"" : L" (the key events failed)") + L": expect " + hotKey.Shows);
    }
    // The last state line of the kind, with one of its fields.
    void Report(const wchar_t* kind, const wchar_t* field)
    {
        std::wstring value = L"(no " + std::wstring(kind) + L")";
        for (const std::wstring& line : Command(L"state").Lines) {
            auto fields = ParseStateLine(line);
            if (fields[L""] == kind)
                value = fields[field];
        }
        Say(L"    " + std::wstring(kind) + L" " + field + L": " + Printable(value));
        if (value.empty() || value.rfind(L"(no ", 0) == 0)
            ++FFailures;
    }
    void WriteSummary()
    {
        std::wstring text = FSummary + L"\r\nScreenshots:\r\n";
        for (const std::wstring& shot : FShots)
            text += L"  " + shot + L"\r\n";
        text += FFailures == 0 ? L"\r\nEverything worked.\r\n" : L"\r\nSome steps failed (see above).\r\n";
        std::ofstream(FOutput / "summary.txt", std::ios::binary) << std::string(text.begin(), text.end());
    }
    static void Settle(DWORD milliseconds = 250) { Sleep(milliseconds); }
    static std::wstring Printable(std::wstring text)
    {
        for (size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;)
            text.replace(at, 2, L" / ");
        return text;
    }
    static std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static size_t CountOf(const std::string& text, const std::string& part)
    {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    }

    std::wstring FHost;
    std::filesystem::path FOutput;
    TStandinOutlookProcess* FOutlook = nullptr;
    std::wstring FSummary;
    std::vector<std::wstring> FShots;
    int FFailures = 0;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: zel_demo <StandinOutlook.exe> <output folder>\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = TDemo(argv[1], argv[2]).Run();
    CoUninitialize();
    return result;
}
