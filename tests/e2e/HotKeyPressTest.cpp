// End to end: chords pressed by a second process (SendInput) reach hotkeys registered on a real
// window, and the dispatch makes the stand-in Outlook do the row's action through the stand-in
// extended-MAPI library, as the settings window will wire it.
#include "diagnostics/LogException.h"
#include "hotkeys/actions/DesktopScreenshotMail.h"
#include "support/JpegDecode.h"
#include "hotkeys/JvAppHotKey.h"
#include "hotkeys/actions/ScreenCapture.h"
#include "outlook/LateBinding.h"
#include "standins/outlook/StandinOutlook.h"
#include "support/HotKeyPress.h"
#include "support/DispatchFixture.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::Decode;
using testing::TDecoded;

using standin::TStandinApplication;
using testing::BuildPath;
using testing::PumpUntil;

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A hidden top-level window owns the registrations, as the settings window does.
using TOwnerWindow = testing::TTestWindow;

class HotKeyPress : public testing::TDispatchFixture {
protected:
    void TearDown() override
    {
        FHotKeys.clear();
        TDispatchFixture::TearDown();
    }

    // A row and its registered hotkey, whose presses go to the dispatch.
    void AddHotKey(const char16_t* hotKey, const char16_t* action, std::u16string settings)
    {
        AddRow(hotKey, action, std::move(settings));
        auto component = std::make_unique<TJvApplicationHotKey>(FWindow.Handle());
        component->SetHotKey(TextToShortCut(hotKey));
        component->OnHotKey = [this](TJvApplicationHotKey* sender) {
            FDispatch.DoHotKey(sender);
            ++FPresses;
        };
        component->SetActive(true);
        ASSERT_TRUE(component->Active()) << "the chord is free";
        FHotKeys.push_back(std::move(component));
    }
    // Presses the chord in a second process and waits for the dispatch to finish with it.
    void Press(const wchar_t* chord)
    {
        const int before = FPresses;
        ASSERT_EQ(testing::PressChord(chord, false, BuildPath(ZEL_TEST_SENDKEYS_EXE)), 0u);
        ASSERT_TRUE(PumpUntil([&] { return FPresses > before; })) << "no WM_HOTKEY arrived";
        EXPECT_EQ(FPresses, before + 1);
    }

    TOwnerWindow FWindow;
    std::vector<std::unique_ptr<TJvApplicationHotKey>> FHotKeys;
    int FPresses = 0;
};

TEST_F(HotKeyPress, InsertsTheTextAtTheCaretOfTheActiveInspector)
{
    AddHotKey(u"Shift+Ctrl+Alt+F9", u"Insert Text", u"Kind regards,\r\nAnna");
    AddHotKey(u"Shift+Ctrl+Alt+F10", u"Insert Text", u"the other row");
    auto inspector = FOutlook->OpenInspector(nullptr, L"Hello\r\n\r\n");
    Press(L"Shift+Ctrl+Alt+F9");
    EXPECT_EQ(inspector->Body(), L"Hello\r\n\r\nKind regards,\r\nAnna");
    EXPECT_EQ(FStatus, std::vector<std::u16string>{u"Shift+Ctrl+Alt+F9 pressed."});
}

TEST_F(HotKeyPress, SwitchesTheActiveExplorerToTheFolderOfThePath)
{
    AddHotKey(u"Shift+Ctrl+Alt+F9", u"Switch To Folder", u"\\\\Personal Folders\\Inbox\\Projects\\Alpha");
    AddHotKey(u"Shift+Ctrl+Alt+F10", u"Switch To Folder", u"\\\\Personal Folders\\No Such Folder");
    standin::TStandinFolder* inbox = FOutlook->NameSpace()->DefaultFolder(6);
    auto explorer = FOutlook->OpenExplorer(inbox);
    Press(L"Shift+Ctrl+Alt+F10");
    EXPECT_EQ(explorer->CurrentFolder(), inbox) << "an unresolvable path changes nothing";
    EXPECT_EQ(FOutlook->Calls(L"ActiveExplorer"), 0) << "and touches no explorer";
    Press(L"Shift+Ctrl+Alt+F9");
    EXPECT_EQ(explorer->CurrentFolder(), FOutlook->NameSpace()->FindFolder(L"Alpha"));
    EXPECT_EQ(explorer->Calls(L"Activate"), 1) << "the explorer was brought to the front";
    EXPECT_EQ(FOutlook->Explorers()->Count(), 1u) << "no explorer window was opened";
    EXPECT_TRUE(FOutlook->DisplayedFolders.empty());
}

TEST_F(HotKeyPress, MailsTheScreenshotToTheRecipientsAndLeavesNoFile)
{
    AddHotKey(u"Shift+Ctrl+Alt+F9", u"Send Desktop Screenshot", u"a@example.com\r\nb@example.com\r\n");
    Press(L"Shift+Ctrl+Alt+F9");
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
    auto* drafts = FOutlook->NameSpace()->DefaultFolder(16)->Items();
    ASSERT_EQ(drafts->Count(), 1u);
    IDispatch* draft = drafts->At(0);
    EXPECT_EQ(FOutlook->ItemDisplays, 1);
    EXPECT_EQ(OleGet(draft, L"Subject").AsString(), L"Desktop Screenshot");
    TOleVariant recipients = OleGet(draft, L"Recipients");
    ASSERT_EQ(OleGet(recipients, L"Count").AsInteger(), 2);
    EXPECT_EQ(OleGet(OleCall(recipients, L"Item", {TOleVariant(std::int32_t{2})}), L"Name").AsString(), L"b@example.com");

    TOleVariant attachments = OleGet(draft, L"Attachments");
    ASSERT_EQ(OleGet(attachments, L"Count").AsInteger(), 1);
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring copy = std::wstring(folder) + L"zel_e2e_attachment.jpg";
    OleCall(OleCall(attachments, L"Item", {TOleVariant(std::int32_t{1})}), L"SaveAsFile", {TOleVariant(copy)});
    std::ifstream in(std::filesystem::path(copy), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    in.close();
    DeleteFileW(copy.c_str());
    const unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    const unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    TDecoded picture = Decode(bytes, width, height);
    EXPECT_EQ(picture.Width, width);
    EXPECT_EQ(picture.Height, height);
    EXPECT_EQ(picture.Components, 3);
    EXPECT_FALSE(picture.Progressive);
}

TEST_F(HotKeyPress, AFailedMessageLeavesNoPictureAndTheNextPressWorks)
{
    AddHotKey(u"Shift+Ctrl+Alt+F9", u"Send Desktop Screenshot", u"a@example.com");
    standin::InjectFailure(L"AddItem", E_FAIL);
    Press(L"Shift+Ctrl+Alt+F9");
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
    EXPECT_EQ(FOutlook->ItemDisplays, 0);
    standin::ClearInjectedFailures();
    Press(L"Shift+Ctrl+Alt+F9");
    EXPECT_EQ(FOutlook->ItemDisplays, 1);
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
}

// The error log as the settings window keeps it: every raise of the add-in is written into it.
class HotKeyPressLogged : public HotKeyPress {
protected:
    void SetUp() override
    {
        HotKeyPress::SetUp();
        DeleteFileW(FLogFile.c_str());
        FLog.SetFileName(std::u16string(FLogFile.begin(), FLogFile.end()));
        FLog.SetAutoSave(true);
        InitializeExceptionTracking();
        JclAddExceptNotifier(LogExceptionNotifier(FLog), npNormal);
    }
    void TearDown() override
    {
        JclRemoveExceptNotifier(LogExceptionNotifier(FLog));
        DeleteFileW(FLogFile.c_str());
        HotKeyPress::TearDown();
    }
    // What the log file holds now.
    std::string LogText()
    {
        std::ifstream in(std::filesystem::path(FLogFile), std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), {}};
    }

    const std::wstring FLogFile = [] {
        wchar_t folder[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, folder);
        return std::wstring(folder) + L"zel_e2e_error.log";
    }();
    TJvLogFile FLog;
};

TEST_F(HotKeyPressLogged, ASuccessfulPressWritesNothingIntoTheErrorLog)
{
    AddHotKey(u"Shift+Ctrl+Alt+F9", u"Insert Text", u"Kind regards");
    AddHotKey(u"Shift+Ctrl+Alt+F10", u"Switch To Folder", u"\\\\Personal Folders\\Drafts");
    auto explorer = FOutlook->OpenExplorer(FOutlook->NameSpace()->DefaultFolder(6));
    auto inspector = FOutlook->OpenInspector(nullptr, L"");
    Press(L"Shift+Ctrl+Alt+F9");
    Press(L"Shift+Ctrl+Alt+F10");
    EXPECT_EQ(inspector->Body(), L"Kind regards");
    EXPECT_EQ(explorer->CurrentFolder()->Name(), L"Drafts");
    EXPECT_EQ(LogText(), "");
}

TEST_F(HotKeyPressLogged, AFailedActionIsOnRecordInTheErrorLog)
{
    AddHotKey(u"Shift+Ctrl+Alt+F9", u"Insert Text", u"no inspector is open");
    Press(L"Shift+Ctrl+Alt+F9");
    const std::string text = LogText();
    // The safe inspector refuses an item of Nothing: one block, raised in the late-binding call.
    EXPECT_NE(text.find("]Error>Exception EOleSysError: 0x80070057"), std::string::npos) << text;
    EXPECT_NE(text.find("Procedure \"zel::RaiseOleError\", Unit \"LateBinding.cpp\""), std::string::npos) << text;
    // The frame that handles it is the dispatch's boundary: the late-binding call raised only once
    // it had failed.
    EXPECT_NE(text.find("(type: efkAutoException, handles exception)"), std::string::npos) << text;
    EXPECT_NE(text.find("Procedure \"zel::THotKeyDispatch::DoHotKey\""), std::string::npos) << text;
    EXPECT_EQ(text.find("efkOnException"), std::string::npos) << text;
}

} // namespace
} // namespace zel
