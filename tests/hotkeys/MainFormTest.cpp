// The settings window for real: its window on the Xvfb screen, its store and log in a folder of
// the test's own, the stand-in Outlook's namespace and the stand-in zelre.dll for its session,
// real registrations checked from a second process, and real clicks and keys where the behaviour
// depends on them. The test run saves screenshots of the window into "screenshots".
#include "hotkeys/Main.h"

#include "diagnostics/About.h"
#include "diagnostics/ZelDebug.h"
#include "hotkeys/HotKeyControlValue.h"
#include "hotkeys/MainLayout.h"
#include "hotkeys/ShortCut.h"
#include "mapi/PrivateLibrary.h"
#include "mapi/uRedemptionLoader.h"
#include "outlook/LateBinding.h"
#include "platform/WideText.h"
#include "standins/outlook/StandinOutlook.h"
#include "support/AddinProcess.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/Screenshot.h"
#include "support/StorageTestSupport.h"
#include "support/TestLibraries.h"
#include "support/UserInput.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::ChordFreeForOthers;
using testing::ClickAt;
using testing::ClickClient;
using testing::PressChord;
using testing::PressKey;
using testing::PumpUntil;
using testing::ReadBytes;
using testing::SaveWindowPng;
using testing::Settle;
using testing::TTempFolder;
using testing::TypeText;
using testing::WriteBytes;

::testing::Environment* const GProcess = ::testing::AddGlobalTestEnvironment(new testing::TAddinProcess);

// The About window's two entry points, recorded.
class TRecordingAbout : public TAboutForm {
public:
    void ShowModal(HWND owner) override { Shown.push_back(owner); }
    void SendErrorReportButtonClick(void*) override { ++Reports; }
    std::vector<HWND> Shown;
    int Reports = 0;
};

struct TOpenedPage {
    HWND Owner;
    std::u16string Address;
};

std::string Row(int index, std::string_view hotKey, std::string_view action, std::string_view settings)
{
    const std::string i = std::to_string(index);
    return "      <" + i + "><HotKey>" + std::string(hotKey) + "</HotKey><Action>" + std::string(action) +
           "</Action><Settings>" + std::string(settings) + "</Settings></" + i + ">\r\n";
}

// A config.xml holding the rows (and, when given, the column widths).
std::string ConfigWith(const std::vector<std::string>& rows, std::string_view widths = "")
{
    std::string text = "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>\r\n<Configuration>\r\n"
                       "  <MainForm>\r\n    <HotKeys>\r\n      <Count>" + std::to_string(rows.size()) + "</Count>\r\n";
    for (const std::string& row : rows)
        text += row;
    text += "    </HotKeys>\r\n" + std::string(widths) + "  </MainForm>\r\n</Configuration>\r\n";
    return text;
}

// The module whose code answers the window's messages: comctl32 for the common controls of
// version 6, user32 for the old ones.
HMODULE WindowProcModule(HWND window)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(GetWindowLongPtrW(window, GWLP_WNDPROC)), &module);
    return module;
}

// A chord held by "another program": registered by this test on no window.
class THeldChord {
public:
    explicit THeldChord(const char16_t* chord)
    {
        const THotKeyCode code = ShortCutToHotKey(TextToShortCut(chord), false);
        FHeld = RegisterHotKey(nullptr, 0xB100, code.Modifiers, code.VirtualKey) != FALSE;
    }
    ~THeldChord()
    {
        if (FHeld)
            UnregisterHotKey(nullptr, 0xB100);
    }
    bool Held() const { return FHeld; }

private:
    bool FHeld;
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOutlook = standin::TStandinApplication::Create();
        FNameSpace = OleGet(FOutlook->Dispatch(), L"Session").AsDispatch();
    }
    void TearDown() override
    {
        FForm.reset();
        FNameSpace.Reset();
        FOutlook.Reset();
    }

    TMainFormSettings Settings()
    {
        TMainFormSettings settings;
        settings.DataFolder = FData.Text();
        settings.LibraryPath = testing::BuildPath(ZEL_TEST_ZELRE_DLL);
        settings.NameSpace = FNameSpace.Get();
        settings.AboutForm = &FAbout;
        settings.OpenPage = [this](HWND owner, const std::u16string& address) { FPages.push_back({owner, address}); };
        return settings;
    }
    TMainForm& Create(TMainFormSettings settings)
    {
        FForm = std::make_unique<TMainForm>(std::move(settings));
        return *FForm;
    }
    TMainForm& Create() { return Create(Settings()); }
    // Shows the window in front, as the toolbar button does, and waits for it to be painted.
    void ShowInFront()
    {
        FForm->Show();
        SetForegroundWindow(FForm->Handle());
        Settle(300);
    }
    std::filesystem::path ConfigFile() const { return FData.Path() / "config.xml"; }
    std::string LogText() const
    {
        const auto log = FData.Path() / "error.log";
        return std::filesystem::exists(log) ? ReadBytes(log) : std::string();
    }
    void SetEditBox(std::u16string_view chord)
    {
        SendMessageW(FForm->Control(TMainForm::idHotKeyEdit), HKM_SETHOTKEY,
                     HotKeyValueFromShortCut(TextToShortCut(chord)), 0);
    }
    // A real click in the middle of a control of the window.
    void ClickControl(int id)
    {
        const HWND control = FForm->Control(id);
        RECT r;
        GetClientRect(control, &r);
        ClickClient(control, POINT{r.right / 2, r.bottom / 2}, 250);
    }
    void ClickCell(int row, int column)
    {
        TZelTable& table = FForm->ItemsVST();
        const RECT cell = table.CellRect(&FForm->Rows()[static_cast<size_t>(row)], column);
        ClickClient(table.Handle(), POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2}, 300);
    }
    static std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

    TTempFolder FData;
    ComPtr<standin::TStandinApplication> FOutlook;
    ComPtr<IDispatch> FNameSpace;
    TRecordingAbout FAbout;
    std::vector<TOpenedPage> FPages;
    std::unique_ptr<TMainForm> FForm;
};

// ---- creation, the first-show step, destruction

TEST_F(MainFormTest, CreationBindsTheFilesAndTheSessionAndTheFirstShowLoadsAndRegistersOnce)
{
    WriteBytes(ConfigFile(), ConfigWith({Row(0, "Shift+Ctrl+Alt+F2", "Insert Text", "one"),
                                         Row(1, "Shift+Ctrl+Alt+F3", "Switch To Folder", "\\\\Personal Folders\\Inbox")},
                                        "    <ItemsVST><Column0Width>100</Column0Width><Column1Width>200</Column1Width>"
                                        "<Column2Width>300</Column2Width></ItemsVST>\r\n"));
    TMainForm& form = Create();
    ASSERT_TRUE(IsWindow(form.Handle()));
    EXPECT_FALSE(IsWindowVisible(form.Handle())) << "created hidden";
    EXPECT_TRUE(form.FirstShow());
    EXPECT_NE(form.RSession(), nullptr);
    EXPECT_FALSE(form.OfficeVersion().empty());
    EXPECT_EQ(form.HintsCaption(), u"Hints");
    EXPECT_EQ(form.Rows().Count(), 0u) << "nothing is loaded before the first-show step";
    EXPECT_EQ(form.LogFile().SizeLimit(), 1048576u);
    EXPECT_EQ(form.XMLStorage().FileName(), FData.Text(u"config.xml"));

    form.FormShow(); // the add-in's direct call: no showing
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(form.FirstShow());
    ASSERT_EQ(form.Rows().Count(), 2u);
    EXPECT_EQ(form.Rows()[1].EntryID, u"\\\\Personal Folders\\Inbox");
    EXPECT_EQ(form.Columns().ColumnWidth(2), 300);
    EXPECT_EQ(form.HintsCaption(),
              u"Select hotkey in the editbox above and click \"Add\" to enable it.\r\n"
              u"Click on \"Action\" column to choose action to be executed after pressing the hotkey.");
    ASSERT_EQ(form.HotKeys().size(), 2u);
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F2"));
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F3"));

    EXPECT_FALSE(form.ControlsCreated()) << "start-up makes no controls that nobody sees yet";

    // Showing, hiding and showing again reloads and registers nothing.
    ShowInFront();
    EXPECT_EQ(form.ItemsVST().Columns().ColumnWidth(2), 300);
    EXPECT_EQ(form.ItemsVST().Rows().Count(), 2u);
    EXPECT_EQ(ListView_GetItemCount(form.ItemsVST().Handle()), 2);
    form.Close();
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    form.Show();
    EXPECT_EQ(form.HotKeys().size(), 2u);
    EXPECT_EQ(form.Rows().Count(), 2u);

    // A press reaches the hidden window too.
    form.Close();
    ASSERT_EQ(PressChord(L"Shift+Ctrl+Alt+F2"), 0u);
    EXPECT_TRUE(PumpUntil([&] { return form.StatusText() == u"Shift+Ctrl+Alt+F2 pressed."; }));

    FForm.reset();
    EXPECT_TRUE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F2")) << "the registrations end with the window";
    EXPECT_TRUE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F3"));
}

TEST_F(MainFormTest, ARaiseInsideAHandlerLandsInErrorLogAndShowsNothing)
{
    TMainFormSettings settings = Settings();
    settings.OpenPage = [](HWND, const std::u16string&) { throw Exception(u"The page cannot be opened here"); };
    TMainForm& form = Create(std::move(settings));
    form.FormShow();
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(TMainForm::idUpgradeButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.Control(TMainForm::idUpgradeButton)));
    EXPECT_NE(LogText().find("The page cannot be opened here"), std::string::npos) << LogText();
    EXPECT_TRUE(IsWindow(form.Handle()));
    // Destruction removes the notifier: later raises are not the window's to log.
    FForm.reset();
    const std::string logged = LogText();
    try {
        throw Exception(u"After the window");
    } catch (const Exception&) {
    }
    EXPECT_EQ(LogText(), logged);
}

TEST_F(MainFormTest, WithoutTheMailLibraryTheTableAndTheHotkeysStillLoad)
{
    WriteBytes(ConfigFile(), ConfigWith({Row(0, "Shift+Ctrl+Alt+F2", "Insert Text", "one")}));
    // The process's loader keeps the library it loaded for an earlier test: a fresh one, as in a
    // process that never found the library.
    FinalizeLoaderInstance();
    ASSERT_TRUE(InitializeLoaderInstance());
    TMainFormSettings settings = Settings();
    settings.LibraryPath = ToWide(FData.Text(u"missing\\zelre.dll"));
    TMainForm& form = Create(std::move(settings));
    EXPECT_EQ(form.RSession(), nullptr);
    EXPECT_NE(form.StatusText().find(u"mail library could not be started"), std::u16string::npos);
    EXPECT_FALSE(LogText().empty()) << "the failure is on record";
    EXPECT_TRUE(form.EditingEnabled());
    form.FormShow();
    EXPECT_EQ(form.Rows().Count(), 1u);
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F2"));
}

TEST_F(MainFormTest, AnUnreadableSettingsFileIsNeverWrittenAndEditingIsOff)
{
    const std::string damaged = "<?xml version=\"1.0\"?>\r\n<Configuration><MainForm><HotKeys><Count>3</Count>";
    WriteBytes(ConfigFile(), damaged);
    TMainForm& form = Create();
    EXPECT_FALSE(form.EditingEnabled());
    EXPECT_FALSE(IsWindowEnabled(form.Control(TMainForm::idAddButton)));
    EXPECT_FALSE(IsWindowEnabled(form.Control(TMainForm::idRemoveButton)));
    EXPECT_NE(form.StatusText().find(FData.Text(u"config.xml")), std::u16string::npos) << Narrow(form.StatusText());
    ShowInFront();
    EXPECT_EQ(form.Rows().Count(), 0u);
    form.AddButtonClick();
    EXPECT_EQ(form.Rows().Count(), 0u);
    form.Close();
    FForm.reset();
    EXPECT_EQ(ReadBytes(ConfigFile()), damaged);
}

TEST_F(MainFormTest, ATableThatCannotBeReadIsNotWrittenOverByAnAdd)
{
    std::string config = ConfigWith({Row(0, "Shift+Ctrl+Alt+F2", "Insert Text", "kept")});
    config.replace(config.find("<Count>1</Count>"), 16, "<Count>one</Count>");
    WriteBytes(ConfigFile(), config);
    TMainForm& form = Create();
    EXPECT_THROW(form.FormShow(), Exception);
    EXPECT_TRUE(form.FirstShow()) << "the step runs again at the next showing";
    EXPECT_FALSE(form.EditingEnabled());
    EXPECT_NE(form.StatusText().find(u"could not be read"), std::u16string::npos);
    ShowInFront();
    form.AddButtonClick();
    EXPECT_EQ(form.Rows().Count(), 0u);
    form.Close();
    FForm.reset();
    const std::string written = ReadBytes(ConfigFile());
    EXPECT_NE(written.find("<Count>one</Count>"), std::string::npos);
    EXPECT_NE(written.find("<Settings>kept</Settings>"), std::string::npos);
}

// ---- "Add" and "Remove", with the registrations as another program sees them

TEST_F(MainFormTest, AddAndRemoveRegisterAndReleaseTheChordAndSayWhenOneCannotWork)
{
    TMainForm& form = Create();
    ShowInFront();
    SetEditBox(u"Shift+Ctrl+Alt+F4");
    ClickControl(TMainForm::idAddButton);
    ASSERT_EQ(form.Rows().Count(), 1u);
    EXPECT_EQ(form.Rows()[0].Subject, u"Shift+Ctrl+Alt+F4");
    EXPECT_EQ(form.Rows()[0].Folder, u"Insert Text");
    EXPECT_EQ(form.Rows()[0].EntryID, u"Type text to insert");
    EXPECT_NE(ReadBytes(ConfigFile()).find("<HotKey>Shift+Ctrl+Alt+F4</HotKey>"), std::string::npos)
        << "the file follows every change";
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F4"));

    // The same chord again: added and saved, and the status bar says why it will not run.
    ClickControl(TMainForm::idAddButton);
    ASSERT_EQ(form.Rows().Count(), 2u);
    EXPECT_EQ(form.StatusText(), u"Shift+Ctrl+Alt+F4 is already in the table; a press runs the first row that has it.");

    // Removing one of the two keeps the chord for the other; removing the last releases it.
    form.ItemsVST().SetFocusedCell(&form.Rows()[1], 0);
    ClickControl(TMainForm::idRemoveButton);
    ASSERT_EQ(form.Rows().Count(), 1u);
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F4"));
    form.ItemsVST().SetFocusedCell(&form.Rows()[0], 0);
    ClickControl(TMainForm::idRemoveButton);
    EXPECT_EQ(form.Rows().Count(), 0u);
    EXPECT_TRUE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F4")) << "a removed hotkey gives its chord back";
    EXPECT_NE(ReadBytes(ConfigFile()).find("<Count>0</Count>"), std::string::npos);

    // Added again, it is registered anew.
    ClickControl(TMainForm::idAddButton);
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F4"));
    ASSERT_EQ(PressChord(L"Shift+Ctrl+Alt+F4"), 0u);
    EXPECT_TRUE(PumpUntil([&] { return form.StatusText() == u"Shift+Ctrl+Alt+F4 pressed."; }));

    // Nothing focused: "Remove" does nothing.
    form.ItemsVST().SetFocusedCell(nullptr, 0);
    form.RemoveButtonClick();
    EXPECT_EQ(form.Rows().Count(), 1u);
}

TEST_F(MainFormTest, AChordHeldElsewhereOrNoChordIsAddedAndReported)
{
    const THeldChord held(u"Shift+Ctrl+Alt+F6");
    ASSERT_TRUE(held.Held());
    TMainForm& form = Create();
    ShowInFront();
    SetEditBox(u"Shift+Ctrl+Alt+F6");
    ClickControl(TMainForm::idAddButton);
    ASSERT_EQ(form.Rows().Count(), 1u);
    EXPECT_EQ(form.StatusText(), u"Shift+Ctrl+Alt+F6 is used by another program; this hotkey will not work.");

    SendMessageW(form.Control(TMainForm::idHotKeyEdit), HKM_SETHOTKEY, 0, 0);
    ClickControl(TMainForm::idAddButton);
    ASSERT_EQ(form.Rows().Count(), 2u);
    EXPECT_EQ(form.Rows()[1].Subject, u"");
    EXPECT_EQ(form.StatusText(), u"The new row has no hotkey: choose one in the box above before clicking \"Add\".");
}

TEST_F(MainFormTest, TheFirstShowReportsRowsWhoseRegistrationFailed)
{
    const THeldChord held(u"Shift+Ctrl+Alt+F6");
    ASSERT_TRUE(held.Held());
    WriteBytes(ConfigFile(), ConfigWith({Row(0, "Shift+Ctrl+Alt+F6", "Insert Text", "one"),
                                         Row(1, "Shift+Ctrl+Alt+F7", "Insert Text", "two")}));
    TMainForm& form = Create();
    form.FormShow();
    EXPECT_EQ(form.StatusText(), u"Shift+Ctrl+Alt+F6 is used by another program; this hotkey will not work.");
    EXPECT_FALSE(ChordFreeForOthers(L"Shift+Ctrl+Alt+F7"));
}

TEST_F(MainFormTest, TheNumberPadDigitOfTheEditBoxRegistersTheDigitOfTheMainRow)
{
    TMainForm& form = Create();
    form.FormShow();
    SendMessageW(form.Control(TMainForm::idHotKeyEdit), HKM_SETHOTKEY, MAKEWORD(VK_NUMPAD5, HOTKEYF_ALT | HOTKEYF_CONTROL),
                 0);
    form.AddButtonClick();
    ASSERT_EQ(form.Rows().Count(), 1u);
    EXPECT_EQ(form.Rows()[0].Subject, u"Ctrl+Alt+5");
    EXPECT_EQ(form.HotKeys().back()->HotKey(), TextToShortCut(u"Ctrl+Alt+5"));
}

// ---- the table through the window

TEST_F(MainFormTest, HeaderClicksSortTheTableAndTheNextSaveKeepsThatOrder)
{
    WriteBytes(ConfigFile(), ConfigWith({Row(0, "Shift+Ctrl+Alt+F3", "Insert Text", "b"),
                                         Row(1, "Shift+Ctrl+Alt+F2", "Insert Text", "a"),
                                         Row(2, "shift+ctrl+alt+f3", "Insert Text", "c")}));
    TMainForm& form = Create();
    form.FormShow();
    ShowInFront();
    const HWND header = ListView_GetHeader(form.ItemsVST().Handle());
    auto clickHeader = [&](int column) {
        RECT item;
        Header_GetItemRect(header, column, &item);
        ClickClient(header, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2}, 300);
        Settle(GetDoubleClickTime()); // the next click is a click of its own
    };
    auto settings = [&] {
        std::u16string order;
        for (size_t i = 0; i < form.Rows().Count(); ++i)
            order += form.Rows()[i].EntryID;
        return order;
    };
    const std::string before = ReadBytes(ConfigFile());
    clickHeader(0);
    EXPECT_EQ(settings(), u"abc") << "ascending; the two texts that differ in letter case keep their order";
    EXPECT_EQ(ReadBytes(ConfigFile()), before) << "the sort itself saves nothing";
    clickHeader(0);
    EXPECT_EQ(settings(), u"bca") << "then descending";
    form.ItemsVST().SetFocusedCell(&form.Rows()[2], 0);
    ClickControl(TMainForm::idRemoveButton);
    const std::string saved = ReadBytes(ConfigFile());
    EXPECT_LT(saved.find("<Settings>b</Settings>"), saved.find("<Settings>c</Settings>"));
    EXPECT_EQ(saved.find("<Settings>a</Settings>"), std::string::npos);
}

TEST_F(MainFormTest, RemovingTheRowOfAnOpenEditWritesNothingIntoIt)
{
    TMainForm& form = Create();
    ShowInFront();
    SetEditBox(u"Shift+Ctrl+Alt+F2");
    ClickControl(TMainForm::idAddButton);
    SetEditBox(u"Shift+Ctrl+Alt+F3");
    ClickControl(TMainForm::idAddButton);
    ClickCell(1, 2);
    ASSERT_TRUE(form.ItemsVST().IsEditing());
    TypeText(u" typed");
    ClickControl(TMainForm::idRemoveButton);
    EXPECT_FALSE(form.ItemsVST().IsEditing());
    ASSERT_EQ(form.Rows().Count(), 1u);
    EXPECT_EQ(form.Rows()[0].EntryID, u"Type text to insert");
    EXPECT_EQ(ReadBytes(ConfigFile()).find("typed"), std::string::npos);
}

// ---- links and the Help menu

TEST_F(MainFormTest, TheLinksOpenTheMakersPagesAndTheMenuReachesTheAboutWindow)
{
    TMainForm& form = Create();
    for (int command : {int(TMainForm::idUpgradeButton), int(TMainForm::cmWeb), int(TMainForm::cmHelp),
                        int(TMainForm::cmSendErrorReport), int(TMainForm::cmAbout)})
        SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    ASSERT_EQ(FPages.size(), 3u);
    EXPECT_EQ(FPages[0].Address, u"https://www.zelkor.com/");
    EXPECT_EQ(FPages[1].Address, u"https://www.zelkor.com/outlook-hotkeys?ref=app");
    EXPECT_EQ(FPages[2].Address, u"https://www.zelkor.com/content/how-use-zelkor-hotkeys-outlook?ref=app");
    for (const TOpenedPage& page : FPages)
        EXPECT_EQ(page.Owner, form.Handle());
    EXPECT_EQ(FAbout.Reports, 1);
    ASSERT_EQ(FAbout.Shown.size(), 1u);
    EXPECT_EQ(FAbout.Shown[0], form.Handle());
}

// While the Help menu is dropped (its own modal loop), a timer reads it, saves a screenshot and
// closes it.
struct TDroppedMenu {
    std::vector<std::wstring> Items;
    RECT Bounds{};
    HWND FormWindow = nullptr;
    static inline TDroppedMenu* Current = nullptr;

    static void CALLBACK Look(HWND, UINT, UINT_PTR id, DWORD)
    {
        HWND popup = FindWindowW(L"#32768", nullptr);
        if (!popup || !IsWindowVisible(popup))
            return;
        KillTimer(nullptr, id);
        auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            Current->Items.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR ? L"-" : text);
        }
        GetWindowRect(popup, &Current->Bounds);
        RECT form;
        GetWindowRect(Current->FormWindow, &form);
        UnionRect(&form, &form, &Current->Bounds);
        testing::SaveScreenPng(form, L"mainform-help-menu");
        EndMenu();
    }
};

TEST_F(MainFormTest, TheHelpButtonDropsTheHelpMenuUnderItself)
{
    TMainForm& form = Create();
    ShowInFront();
    TDroppedMenu dropped;
    dropped.FormWindow = form.Handle();
    TDroppedMenu::Current = &dropped;
    SetTimer(nullptr, 0, 200, TDroppedMenu::Look);
    ClickControl(TMainForm::idHelpButton);
    EXPECT_TRUE(PumpUntil([&] { return !dropped.Items.empty(); }, 5000));
    EXPECT_EQ(dropped.Items, (std::vector<std::wstring>{L"Zelkor Hotkeys on the Web", L"Help", L"-",
                                                         L"Send Error Report...", L"About..."}));
    RECT button;
    GetWindowRect(form.Control(TMainForm::idHelpButton), &button);
    EXPECT_EQ(dropped.Bounds.left, button.left);
    EXPECT_GE(dropped.Bounds.top, button.bottom - 1);
    EXPECT_TRUE(FPages.empty()) << "closing the menu runs nothing";
}

// ---- the window itself

TEST_F(MainFormTest, TheWindowHasItsDesignedSizeFontAndVersionSixControls)
{
    TMainForm& form = Create();
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, DesignedClientWidth);
    EXPECT_EQ(client.bottom, DesignedClientHeight);
    wchar_t caption[64] = {};
    GetWindowTextW(form.Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Zelkor HotKeys for Outlook");

    // The smallest size the user can drag it to.
    MINMAXINFO limits{};
    SendMessageW(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, MinimumWindowWidth);
    EXPECT_EQ(limits.ptMinTrackSize.y, MinimumWindowHeight);

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.Control(TMainForm::idAddButton), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(SendMessageW(form.Control(TMainForm::idHotKeyEdit), HKM_GETHOTKEY, 0, 0),
              HotKeyValueFromShortCut(0x8041)) << "Alt+A";

    // The controls come from the module's own manifest context: version 6 buttons are comctl32's,
    // while a button this program makes outside that context is user32's.
    const TWindowHandle outside(CreateWindowExW(0, L"Button", L"", WS_CHILD | BS_GROUPBOX, 0, 0, 10, 10, form.Handle(),
                                                nullptr, nullptr, nullptr));
    EXPECT_EQ(WindowProcModule(outside.get()), GetModuleHandleW(L"user32.dll"));
    EXPECT_EQ(WindowProcModule(form.Control(TMainForm::idHotkeysGroup)), GetModuleHandleW(L"comctl32.dll"));
}

TEST_F(MainFormTest, TheHotKeyEditAddsAltToABareOrShiftedKey)
{
    TMainForm& form = Create();
    ShowInFront();
    const HWND edit = form.Control(TMainForm::idHotKeyEdit);
    ClickControl(TMainForm::idHotKeyEdit);
    ASSERT_EQ(GetFocus(), edit);
    PressKey('K');
    EXPECT_EQ(ShortCutToText(ShortCutFromHotKeyValue(static_cast<std::uint16_t>(SendMessageW(edit, HKM_GETHOTKEY, 0, 0)))),
              u"Alt+K");
}

TEST_F(MainFormTest, PlacementComesBackAtTheFirstShowingOfTheNextRun)
{
    {
        TMainForm& form = Create();
        ShowInFront();
        MoveWindow(form.Handle(), 300, 200, 700, 560, TRUE);
        form.Close();
        FForm.reset();
    }
    TMainForm& form = Create();
    form.FormShow();
    RECT hidden;
    GetWindowRect(form.Handle(), &hidden);
    EXPECT_NE(hidden.left, 300) << "the direct first-show step is no showing and restores nothing";
    ShowInFront();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(form.Handle(), &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, 300);
    EXPECT_EQ(placement.rcNormalPosition.top, 200);
    EXPECT_EQ(placement.rcNormalPosition.right, 1000);
    EXPECT_EQ(placement.rcNormalPosition.bottom, 760);
}

// ---- the described first run, played through the window

TEST_F(MainFormTest, TheDescribedFirstRunWritesTheDescribedFile)
{
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920);
    ASSERT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
    TMainForm& form = Create();
    form.FormShow(); // at connection
    ShowInFront();   // the toolbar button

    SetEditBox(u"Ctrl+Alt+T");
    ClickControl(TMainForm::idAddButton);
    SetEditBox(u"Ctrl+Alt+S");
    ClickControl(TMainForm::idAddButton);
    ASSERT_EQ(form.Rows().Count(), 2u);

    // "Best regards" as the first row's settings, committed by clicking the other row.
    ClickCell(0, 2);
    ASSERT_TRUE(form.ItemsVST().IsEditing());
    PressKey(VK_END);
    for (size_t i = 0; i < std::u16string_view(u"Type text to insert").size(); ++i)
        PressKey(VK_BACK);
    TypeText(u"Best regards");
    ClickCell(1, 0);
    EXPECT_FALSE(form.ItemsVST().IsEditing());
    EXPECT_EQ(form.Rows()[0].EntryID, u"Best regards");

    // "Send Desktop Screenshot" for the second row.
    ClickCell(1, 1);
    ASSERT_TRUE(form.ItemsVST().IsEditing());
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ClickCell(0, 0);
    EXPECT_EQ(form.Rows()[1].Folder, u"Send Desktop Screenshot");

    // The second and third columns widened by dragging their header edges.
    const HWND header = ListView_GetHeader(form.ItemsVST().Handle());
    auto dragEdge = [&](int column, int by) {
        RECT item;
        Header_GetItemRect(header, column, &item);
        POINT from{item.right - 1, (item.top + item.bottom) / 2};
        ClientToScreen(header, &from);
        testing::DragMouse(from, POINT{from.x + by, from.y});
    };
    dragEdge(1, 40);
    dragEdge(2, 80);
    EXPECT_EQ(form.ItemsVST().Columns().ColumnWidth(1), 200);
    EXPECT_EQ(form.ItemsVST().Columns().ColumnWidth(2), 240);

    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(form.Handle(), &placement);
    form.Close(); // the user's close
    form.Close(); // the add-in's teardown closes once more, then destroys
    FForm.reset();

    auto four = [](long a, long b, long c, long d) {
        return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d);
    };
    const std::string minMax = four(placement.ptMinPosition.x, placement.ptMinPosition.y, placement.ptMaxPosition.x,
                                    placement.ptMaxPosition.y);
    const RECT& n = placement.rcNormalPosition;
    const std::string norm = four(n.left, n.top, n.right, n.bottom);
    const std::string expected = testing::CrLfLines({
        "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>",
        "<Configuration>",
        "  <MainForm>",
        "    <HotKeys>",
        "      <Count>2</Count>",
        "      <0>",
        "        <HotKey>Ctrl+Alt+T</HotKey>",
        "        <Action>Insert Text</Action>",
        "        <Settings>Best regards</Settings>",
        "      </0>",
        "      <1>",
        "        <HotKey>Ctrl+Alt+S</HotKey>",
        "        <Action>Send Desktop Screenshot</Action>",
        "        <Settings>Type email to send desktop screenshot to</Settings>",
        "      </1>",
        "    </HotKeys>",
        "    <FormVersion>0</FormVersion>",
        "    <ShowCmd>1</ShowCmd>",
        "    <Flags>" + std::to_string(placement.flags) + "</Flags>",
        "    <PixelsPerInch>96</PixelsPerInch>",
        "    <MinMaxPos_1920x1080_>" + minMax + "</MinMaxPos_1920x1080_>",
        "    <MinMaxPos>" + minMax + "</MinMaxPos>",
        "    <NormPos_1920x1080_>" + norm + "</NormPos_1920x1080_>",
        "    <NormPos>" + norm + "</NormPos>",
        "    <ItemsVST>",
        "      <Column0Width>160</Column0Width>",
        "      <Column1Width>200</Column1Width>",
        "      <Column2Width>240</Column2Width>",
        "    </ItemsVST>",
        "  </MainForm>",
        "</Configuration>",
    });
    EXPECT_EQ(ReadBytes(ConfigFile()), expected);
}

// ---- screenshots for a person to look at

TEST_F(MainFormTest, ScreenshotsOfTheWindowAndItsEditors)
{
    TMainForm& form = Create();
    ShowInFront();
    ASSERT_TRUE(SaveWindowPng(form.Handle(), L"mainform-empty"));

    for (const char16_t* chord : {u"Shift+Ctrl+Alt+F2", u"Shift+Ctrl+Alt+F3", u"Shift+Ctrl+Alt+F4"}) {
        SetEditBox(chord);
        ClickControl(TMainForm::idAddButton);
    }
    ASSERT_EQ(form.Rows().Count(), 3u);
    form.Rows()[1].Folder = u"Send Desktop Screenshot";
    form.Rows()[1].EntryID = u"someone@example.com";
    form.ItemsVST().InvalidateNode(&form.Rows()[1]);
    ClickCell(0, 0);
    Settle(300);
    ASSERT_TRUE(SaveWindowPng(form.Handle(), L"mainform-three-rows"));

    // The action list opens dropped, on the row's own action.
    ClickCell(1, 1);
    ASSERT_TRUE(form.ItemsVST().IsEditing());
    Settle(300);
    ASSERT_TRUE(testing::SaveScreenPng([&] {
        RECT r;
        GetWindowRect(form.Handle(), &r);
        r.bottom += 80;
        return r;
    }(), L"mainform-editor-action"));
    const HWND list = FindWindowExW(form.ItemsVST().Handle(), nullptr, WC_COMBOBOXW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2) << "the row's own action";
    EXPECT_EQ(WindowProcModule(list), GetModuleHandleW(L"comctl32.dll")) << "editors are version 6 controls too";
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(form.ItemsVST().IsEditing());
    EXPECT_EQ(form.Rows()[1].Folder, u"Send Desktop Screenshot");
    EXPECT_EQ(form.Rows()[1].EntryID, u"someone@example.com");

    // Opening the list and clicking another row commits the row's own action: the recipients stay.
    ClickCell(1, 1);
    ASSERT_TRUE(form.ItemsVST().IsEditing());
    PressKey(VK_RETURN); // closes the list; ends nothing
    ClickCell(2, 0);
    EXPECT_FALSE(form.ItemsVST().IsEditing());
    EXPECT_EQ(form.Rows()[1].Folder, u"Send Desktop Screenshot");
    EXPECT_EQ(form.Rows()[1].EntryID, u"someone@example.com");
    EXPECT_NE(ReadBytes(ConfigFile()).find("<Settings>someone@example.com</Settings>"), std::string::npos);

    ClickCell(1, 2);
    ASSERT_TRUE(form.ItemsVST().IsEditing());
    Settle(300);
    ASSERT_TRUE(SaveWindowPng(form.Handle(), L"mainform-editor-settings"));
    PressKey(VK_ESCAPE);

    // The hotkey cell: a click on the focused cell opens the table's own editor after a moment.
    ClickCell(1, 0);
    Settle(GetDoubleClickTime() + 100); // a second click, not a double click
    ClickCell(1, 0);
    EXPECT_TRUE(PumpUntil([&] { return form.ItemsVST().IsEditing(); }, 3000));
    Settle(300);
    ASSERT_TRUE(SaveWindowPng(form.Handle(), L"mainform-editor-hotkey"));
    PressKey(VK_ESCAPE);
    EXPECT_EQ(form.Rows()[1].Subject, u"Shift+Ctrl+Alt+F3");
}

// ---- the paths of the running add-in

TEST(MainFormPaths, TheDataFolderAndTheLibraryPathFollowTheSystemsFolders)
{
    wchar_t appData[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
    EXPECT_EQ(DefaultDataFolder(), ToU16(appData) + u"\\Zelkor\\Zelkor Hotkeys for Outlook");

    const std::wstring commonFiles = CommonFilesFolder();
    ASSERT_FALSE(commonFiles.empty());
    EXPECT_NE(commonFiles.back(), L'\\');
    // Nothing is installed in this prefix and no copy lies beside the test program.
    EXPECT_EQ(PrivateLibraryPath(), commonFiles + L"\\Zelkor\\zelre.dll");
}

} // namespace
} // namespace zel
