// The dispatch of a pressed hotkey to its row's action and the commits of cell edits, driven
// without a window against the stand-in Outlook and the stand-in extended-MAPI library (loaded
// from its file and registered for the current user, so its ProgID resolves).
#include "platform/Exceptions.h"
#include "diagnostics/ZelUtils.h"
#include "outlook/FolderPath.h"
#include "hotkeys/actions/DesktopScreenshotMail.h"
#include "support/JpegDecode.h"
#include "hotkeys/JvAppHotKey.h"
#include "hotkeys/actions/ScreenCapture.h"
#include "outlook/LateBinding.h"
#include "standins/outlook/StandinOutlook.h"
#include "support/DispatchFixture.h"
#include "support/RaiseCounter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::Decode;
using testing::TDecoded;

using standin::TStandinApplication;
using standin::TStandinFolder;
using testing::BuildPath;
using testing::TEnvironmentSetting;

constexpr TShortCut CtrlAltA = 0xC041;

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    return std::wstring(folder) + name;
}

std::vector<std::uint8_t> FileBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::u16string U16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

class HotKeyDispatchTest : public testing::TDispatchFixture {
protected:
    void SetUp() override
    {
        TDispatchFixture::SetUp();
        DeleteFileW(FConfigFile.c_str());
    }
    void TearDown() override
    {
        TDispatchFixture::TearDown();
        DeleteFileW(FConfigFile.c_str());
    }

    // A press of the shortcut, with a component that holds it as sender (not registered).
    void Press(TShortCut shortCut)
    {
        TJvApplicationHotKey hotKey(static_cast<HWND>(nullptr));
        hotKey.SetHotKey(shortCut);
        FDispatch.DoHotKey(&hotKey);
    }
    // A folder of the stand-in by its names from the store down; null when there is none.
    TStandinFolder* Folder(const std::vector<const wchar_t*>& names) const
    {
        standin::TStandinFolders* folders = FOutlook->NameSpace()->Folders();
        TStandinFolder* folder = nullptr;
        for (const wchar_t* name : names) {
            folder = folders->Find(name);
            if (!folder)
                return nullptr;
            folders = folder->Folders();
        }
        return folder;
    }

    const std::wstring FConfigFile = TempPath(L"zel_dispatch_config.xml");
};

// ---- the dispatch

TEST_F(HotKeyDispatchTest, EveryPressIsReportedWhetherOrNotARowMatches)
{
    Press(CtrlAltA);
    AddRow(u"Ctrl+Alt+A", u"Insert Text", u"x");
    Press(0x2074); // Shift+F5
    EXPECT_EQ(FStatus, (std::vector<std::u16string>{u"Ctrl+Alt+A pressed.", u"Shift+F5 pressed."}));
}

TEST_F(HotKeyDispatchTest, TheFirstRowWhoseHotKeyTextMatchesRunsAlone)
{
    auto inspector = FOutlook->OpenInspector(nullptr, L"ab");
    ASSERT_EQ(inspector->SetSelection(1, 0), S_OK);
    AddRow(u"Ctrl+Alt+B", u"Insert Text", u"other");
    AddRow(u"cTRL+aLT+a", u"Insert Text", u"first");
    AddRow(u"Ctrl+Alt+A", u"Insert Text", u"second");
    Press(CtrlAltA);
    EXPECT_EQ(inspector->Body(), L"afirstb");
}

TEST_F(HotKeyDispatchTest, AnActionNameOutsideTheCatalogueRunsNothingAndEndsTheVisit)
{
    auto inspector = FOutlook->OpenInspector(nullptr, L"body");
    AddRow(u"Ctrl+Alt+A", u"insert text", u"lower case");
    AddRow(u"Ctrl+Alt+A", u"Insert Text", u"later row");
    Press(CtrlAltA);
    EXPECT_EQ(inspector->Body(), L"body");
    EXPECT_EQ(FStatus.size(), 1u);
}

TEST_F(HotKeyDispatchTest, WithoutASenderNothingHappensAndNothingEscapes)
{
    AddRow(u"Ctrl+Alt+A", u"Insert Text", u"x");
    FDispatch.DoHotKey(nullptr);
    EXPECT_TRUE(FStatus.empty());
}

// Every raise writes a block into error.log: a press that does its work raises nothing on its way.
struct CleanPressCase {
    const char* name;
    std::u16string action, settings;
    std::function<bool(TStandinApplication&)> done;
};

class CleanPress : public HotKeyDispatchTest, public ::testing::WithParamInterface<CleanPressCase> {};

TEST_P(CleanPress, RaisesNothing)
{
    const CleanPressCase& c = GetParam();
    auto explorer = FOutlook->OpenExplorer(FOutlook->NameSpace()->DefaultFolder(6));
    auto inspector = FOutlook->OpenInspector(nullptr, L"body");
    AddRow(u"Ctrl+Alt+A", c.action, c.settings);
    testing::TRaiseCounter raises;
    Press(CtrlAltA);
    EXPECT_EQ(raises.Count(), 0);
    EXPECT_TRUE(c.done(*FOutlook)) << "the action did its work";
}

INSTANTIATE_TEST_SUITE_P(Table, CleanPress, ::testing::Values(
    CleanPressCase{"InsertText", u"Insert Text", u"text",
                   [](TStandinApplication& o) { return o.Inspectors()->At(0)->Body() == L"bodytext"; }},
    CleanPressCase{"SwitchToFolder", u"Switch To Folder", u"\\\\Personal Folders\\Drafts",
                   [](TStandinApplication& o) { return o.ActiveExplorer()->CurrentFolder()->Name() == L"Drafts"; }},
    CleanPressCase{"SendDesktopScreenshot", u"Send Desktop Screenshot", u"a@example.com",
                   [](TStandinApplication& o) { return o.ItemDisplays == 1; }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- "Insert Text"

TEST_F(HotKeyDispatchTest, InsertTextGoesUnchangedToTheCaretOfTheActiveInspector)
{
    auto background = FOutlook->OpenInspector(nullptr, L"background");
    auto front = FOutlook->OpenInspector(nullptr, L"Hello world");
    ASSERT_EQ(front->SetSelection(6, 5), S_OK);
    AddRow(u"Ctrl+Alt+A", u"Insert Text", u"there,\r\n\tline \u00E9\u20AC ");
    Press(CtrlAltA);
    EXPECT_EQ(front->Body(), L"Hello there,\r\n\tline \u00E9\u20AC ");
    EXPECT_EQ(background->Body(), L"background");
}

TEST_F(HotKeyDispatchTest, InsertTextWithoutInspectorOrWithoutTheProgIdDoesNothing)
{
    AddRow(u"Ctrl+Alt+A", u"Insert Text", u"x");
    Press(CtrlAltA); // no inspector open
    auto inspector = FOutlook->OpenInspector(nullptr, L"body");
    FStandins->Unregister(); // "zelre.SafeInspector" no longer resolves
    Press(CtrlAltA);
    EXPECT_EQ(inspector->Body(), L"body");
    EXPECT_EQ(FStatus.size(), 2u);
}

// ---- "Switch To Folder" and the folder path resolution

struct FolderPathCase {
    const char* name;
    const wchar_t* path;
    std::vector<const wchar_t*> folder; // names from the store down; empty: no folder
};

class FolderPath : public HotKeyDispatchTest, public ::testing::WithParamInterface<FolderPathCase> {};

TEST_P(FolderPath, ResolvesByNameAndSwitchesTheActiveExplorer)
{
    const FolderPathCase& c = GetParam();
    TStandinFolder* expected = c.folder.empty() ? nullptr : Folder(c.folder);
    ASSERT_EQ(expected == nullptr, c.folder.empty()) << "the stand-in's tree holds the folder";
    ComPtr<IDispatch> found = FindFolderByPath(FOutlook->NameSpace()->Dispatch(), U16(c.path));
    EXPECT_EQ(found.Get(), expected ? expected->Dispatch() : nullptr);
    found.Reset();

    TStandinFolder* inbox = FOutlook->NameSpace()->DefaultFolder(6);
    auto explorer = FOutlook->OpenExplorer(inbox);
    AddRow(u"Ctrl+Alt+A", u"Switch To Folder", U16(c.path));
    Press(CtrlAltA);
    EXPECT_EQ(FOutlook->Explorers()->Count(), 1u) << "no explorer window was opened";
    EXPECT_TRUE(FOutlook->DisplayedFolders.empty());
    EXPECT_EQ(FOutlook->ActiveExplorer(), explorer.Get());
    if (expected) {
        EXPECT_EQ(explorer->CurrentFolder(), expected);
        EXPECT_EQ(explorer->Calls(L"Activate"), 1) << "the explorer was brought to the front";
    } else {
        EXPECT_EQ(explorer->CurrentFolder(), inbox);
        EXPECT_EQ(FOutlook->Calls(L"ActiveExplorer"), 0) << "no explorer was asked for";
        EXPECT_EQ(explorer->Calls(L"CurrentFolder"), 0);
        EXPECT_EQ(explorer->Calls(L"Activate"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FolderPath, ::testing::Values(
    FolderPathCase{"InboxAsTheSessionReportsIt", L"\\\\Personal Folders\\Inbox", {L"Personal Folders", L"Inbox"}},
    FolderPathCase{"WithoutTheLeadingPair", L"Personal Folders\\Inbox", {L"Personal Folders", L"Inbox"}},
    FolderPathCase{"Nested", L"\\\\Personal Folders\\Inbox\\Projects\\Alpha", {L"Personal Folders", L"Inbox", L"Projects", L"Alpha"}},
    FolderPathCase{"NamesWithoutRegardToCase", L"\\\\personal folders\\DRAFTS", {L"Personal Folders", L"Drafts"}},
    FolderPathCase{"OnePartIsAStoreRoot", L"\\\\Archive Folders", {L"Archive Folders"}},
    FolderPathCase{"ANumberIsAName", L"\\\\Archive Folders\\2025", {L"Archive Folders", L"2025"}},
    FolderPathCase{"ANumberIsNeverAPosition", L"\\\\Archive Folders\\1", {}},
    FolderPathCase{"OneLeadingBackslash", L"\\Personal Folders\\Inbox", {}},
    FolderPathCase{"ThreeLeadingBackslashes", L"\\\\\\Personal Folders\\Inbox", {}},
    FolderPathCase{"TrailingBackslash", L"\\\\Personal Folders\\Inbox\\", {}},
    FolderPathCase{"EmptyMiddlePart", L"\\\\Personal Folders\\\\Inbox", {}},
    FolderPathCase{"MiddlePartNamesNoSubfolder", L"\\\\Personal Folders\\Projects\\Alpha", {}},
    FolderPathCase{"UnknownStore", L"\\\\Mailbox\\Inbox", {}},
    FolderPathCase{"Empty", L"", {}},
    FolderPathCase{"OnlyThePair", L"\\\\", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HotKeyDispatchTest, EveryPressOfSwitchToFolderKeepsOneExplorerWindow)
{
    auto explorer = FOutlook->OpenExplorer(FOutlook->NameSpace()->DefaultFolder(6));
    AddRow(u"Ctrl+Alt+A", u"Switch To Folder", u"\\\\Personal Folders\\Drafts");
    for (int press = 1; press <= 3; ++press) {
        Press(CtrlAltA);
        EXPECT_EQ(FOutlook->Explorers()->Count(), 1u);
        EXPECT_EQ(explorer->Calls(L"Activate"), press);
    }
    EXPECT_EQ(explorer->CurrentFolder(), Folder({L"Personal Folders", L"Drafts"}));
}

TEST_F(HotKeyDispatchTest, SwitchToFolderWithoutExplorerDisplaysNothing)
{
    AddRow(u"Ctrl+Alt+A", u"Switch To Folder", u"\\\\Personal Folders\\Drafts");
    Press(CtrlAltA);
    EXPECT_TRUE(FOutlook->DisplayedFolders.empty());
    EXPECT_EQ(FOutlook->Explorers()->Count(), 0u);
    EXPECT_EQ(FindFolderByPath(nullptr, u"\\\\Personal Folders"), nullptr);
}

// ---- "Send Desktop Screenshot"

std::vector<std::wstring> RecipientNames(IDispatch* mail)
{
    std::vector<std::wstring> names;
    TOleVariant recipients = OleGet(mail, L"Recipients");
    for (std::int32_t i = 1; i <= OleGet(recipients, L"Count").AsInteger(); ++i)
        names.push_back(OleGet(OleCall(recipients, L"Item", {TOleVariant(i)}), L"Name").AsString());
    return names;
}

struct ScreenshotCase {
    const char* name;
    std::u16string settings;
    std::vector<std::wstring> recipients;
};

class ScreenshotMail : public HotKeyDispatchTest, public ::testing::WithParamInterface<ScreenshotCase> {};

TEST_P(ScreenshotMail, ADraftWithThePictureAndOneRecipientPerLineIsShown)
{
    const ScreenshotCase& c = GetParam();
    AddRow(u"Ctrl+Alt+A", u"Send Desktop Screenshot", c.settings);
    Press(CtrlAltA);
    EXPECT_FALSE(FileExists(ScreenshotFileName())) << "the picture file is deleted";

    auto* drafts = FOutlook->NameSpace()->DefaultFolder(16)->Items();
    ASSERT_EQ(drafts->Count(), 1u);
    IDispatch* draft = drafts->At(0);
    EXPECT_EQ(FOutlook->ItemDisplays, 1);
    EXPECT_EQ(OleGet(draft, L"MessageClass").AsString(), L"IPM.Note");
    EXPECT_EQ(OleGet(draft, L"Subject").AsString(), L"Desktop Screenshot");
    EXPECT_EQ(RecipientNames(draft), c.recipients);
    TOleVariant attachments = OleGet(draft, L"Attachments");
    ASSERT_EQ(OleGet(attachments, L"Count").AsInteger(), 1);
    TOleVariant attachment = OleCall(attachments, L"Item", {TOleVariant(std::int32_t{1})});
    EXPECT_EQ(OleGet(attachment, L"DisplayName").AsString(), L"Desktop Screenshot");
    EXPECT_EQ(OleGet(attachment, L"Type").AsInteger(), 1);

    const std::wstring copy = TempPath(L"zel_dispatch_attachment.jpg");
    OleCall(attachment, L"SaveAsFile", {TOleVariant(copy)});
    const unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    const unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    TDecoded picture = Decode(FileBytes(copy), width, height);
    DeleteFileW(copy.c_str());
    EXPECT_EQ(picture.Width, width);
    EXPECT_EQ(picture.Height, height);
    EXPECT_EQ(picture.Components, 3);
    EXPECT_FALSE(picture.Progressive);
}

INSTANTIATE_TEST_SUITE_P(Table, ScreenshotMail, ::testing::Values(
    ScreenshotCase{"DefaultText", u"Type email to send desktop screenshot to", {L"Type email to send desktop screenshot to"}},
    ScreenshotCase{"ThreeLinesWithAFinalBreak", u"a@example.com\r\nb@example.com\nc@example.com\r\n",
                   {L"a@example.com", L"b@example.com", L"c@example.com"}},
    ScreenshotCase{"EmptyLineInTheMiddle", u"a@example.com\r\rb@example.com", {L"a@example.com", L"", L"b@example.com"}},
    ScreenshotCase{"NulEndsTheText", std::u16string(u"a@example.com\0b@example.com", 27), {L"a@example.com"}},
    ScreenshotCase{"EmptyText", u"", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HotKeyDispatchTest, TwoPressesMakeTwoMessagesEachWithItsOwnPicture)
{
    AddRow(u"Ctrl+Alt+A", u"Send Desktop Screenshot", u"a@example.com");
    Press(CtrlAltA);
    Press(CtrlAltA);
    EXPECT_EQ(FOutlook->NameSpace()->DefaultFolder(16)->Items()->Count(), 2u);
    EXPECT_EQ(FOutlook->ItemDisplays, 2);
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
}

TEST_F(HotKeyDispatchTest, AFailedScreenshotMailStillDeletesThePicture)
{
    AddRow(u"Ctrl+Alt+A", u"Send Desktop Screenshot", u"somebody\r\nnobody\r\nlast");
    // The message cannot be created.
    standin::InjectFailure(L"AddItem", E_FAIL);
    Press(CtrlAltA);
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
    EXPECT_EQ(FOutlook->NameSpace()->DefaultFolder(16)->Items()->Count(), 0u);
    standin::ClearInjectedFailures();

    // The library rejects a recipient: the action stops there, the message is not shown.
    {
        TEnvironmentSetting reject(L"ZELRE_REJECT_RECIPIENT", L"nobody");
        Press(CtrlAltA);
    }
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
    auto* drafts = FOutlook->NameSpace()->DefaultFolder(16)->Items();
    ASSERT_EQ(drafts->Count(), 1u);
    EXPECT_EQ(RecipientNames(drafts->At(0)), std::vector<std::wstring>{L"somebody"});
    EXPECT_EQ(OleGet(drafts->At(0), L"Subject").AsString(), L"");
    EXPECT_EQ(FOutlook->ItemDisplays, 0);

    // Without a session.
    FDispatch.SetSession(nullptr);
    Press(CtrlAltA);
    EXPECT_FALSE(FileExists(ScreenshotFileName()));
    EXPECT_EQ(FOutlook->ItemDisplays, 0);
}

// ---- committing cell edits

struct CommitCase {
    const char* name;
    int column;
    std::u16string newText;
    std::u16string folder, entryID; // the row afterwards
};

class Commit : public HotKeyDispatchTest, public ::testing::WithParamInterface<CommitCase> {};

TEST_P(Commit, UpdatesTheRowAndWritesTheWholeTable)
{
    const CommitCase& c = GetParam();
    FStore.SetFileName(U16(FConfigFile));
    AddRow(u"Ctrl+Alt+B", u"Insert Text", u"untouched");
    TTreeData& row = AddRow(u"Ctrl+Alt+A", u"Send Desktop Screenshot", u"earlier text");
    FDispatch.ItemsVSTNewText(row, c.column, c.newText);
    EXPECT_EQ(row.Subject, u"Ctrl+Alt+A");
    EXPECT_EQ(row.Folder, c.folder);
    EXPECT_EQ(row.EntryID, c.entryID);

    // The file holds the table as it is now.
    TXMLFileStorage written;
    written.SetFileName(U16(FConfigFile));
    THotKeyRows loaded;
    LoadHotKeys(loaded, TFormStorage(written));
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(loaded[0].EntryID, u"untouched");
    EXPECT_EQ(loaded[1].Folder, c.folder);
    EXPECT_EQ(loaded[1].EntryID, c.entryID);
}

INSTANTIATE_TEST_SUITE_P(Table, Commit, ::testing::Values(
    CommitCase{"InsertText", 1, u"Insert Text", u"Insert Text", u"Type text to insert"},
    CommitCase{"SwitchToFolderTakesTheInboxPath", 1, u"Switch To Folder", u"Switch To Folder", u"\\\\Personal Folders\\Inbox"},
    CommitCase{"SameActionAgainKeepsTheText", 1, u"Send Desktop Screenshot", u"Send Desktop Screenshot",
               u"earlier text"},
    CommitCase{"OtherActionKeepsTheText", 1, u"insert text", u"insert text", u"earlier text"},
    CommitCase{"SettingsUnchanged", 2, u" a@example.com\r\n\u00E9 ", u"Send Desktop Screenshot", u" a@example.com\r\n\u00E9 "},
    CommitCase{"HotKeyColumnChangesNothing", 0, u"Ctrl+B", u"Send Desktop Screenshot", u"earlier text"},
    CommitCase{"NoColumn", -1, u"x", u"Send Desktop Screenshot", u"earlier text"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HotKeyDispatchTest, SwitchToFolderCommitWithoutTheInboxPathLeavesTheRowAndSavesNothing)
{
    FStore.SetFileName(U16(FConfigFile));
    TTreeData& row = AddRow(u"Ctrl+Alt+A", u"Insert Text", u"my text");
    FDispatch.SetSession(FStandins->Loader().new_RDOSession().Get()); // a session without Outlook's MAPI object
    EXPECT_THROW(FDispatch.ItemsVSTNewText(row, 1, u"Switch To Folder"), EOleSysError);
    FDispatch.SetSession(nullptr);
    EXPECT_THROW(FDispatch.ItemsVSTNewText(row, 1, u"Switch To Folder"), Exception);
    EXPECT_EQ(row.Folder, u"Insert Text");
    EXPECT_EQ(row.EntryID, u"my text");
    EXPECT_FALSE(FileExists(FConfigFile)) << "nothing was saved";
}

} // namespace
} // namespace zel
