// The settings window's table on the screen, driven as a user drives it: real mouse clicks and
// key presses through SendInput into a visible window, the editors opened by cell clicks, edits
// committed and cancelled, header clicks that sort, columns dragged and resized.
#include "hotkeys/ZelTable.h"
#include "hotkeys/ZelTreeCtrls.h"

#include "hotkeys/ActionCatalogue.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"
#include "support/HotKeyPress.h"
#include "support/Screenshot.h"
#include "support/TestWindow.h"
#include "support/UserInput.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::PumpUntil;
using testing::PressKey;
using testing::Settle;
using testing::ClickAt;
using testing::DoubleClickAt;
using testing::DragMouse;

POINT Center(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ToScreen(HWND window, POINT p)
{
    ClientToScreen(window, &p);
    return p;
}

std::u16string ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return ToU16(name);
}

struct TNewText {
    int Row; // the row's index when the text arrived
    int Column;
    std::u16string Text;
    bool operator==(const TNewText& other) const
    {
        return Row == other.Row && Column == other.Column && Text == other.Text;
    }
};

std::ostream& operator<<(std::ostream& out, const TNewText& t)
{
    std::string text;
    for (char16_t c : t.Text)
        text += c == u'\r' ? std::string("\\r") : c == u'\n' ? std::string("\\n") : std::string(1, static_cast<char>(c));
    return out << "{row " << t.Row << ", column " << t.Column << ", \"" << text << "\"}";
}

struct TRowText {
    const char16_t* HotKey;
    const char16_t* Action;
    const char16_t* Settings;
};

const std::vector<TRowText> StandardRows = {
    {u"Alt+A", u"Insert Text", u"Type text to insert"},
    {u"Alt+B", u"Switch To Folder", u"Inbox"},
    {u"Alt+C", u"Send Desktop Screenshot", u"someone@example.com"},
    {u"Alt+D", u"", u""},
};

// One visible window holds the table of every test, in turn: under Wine without a window
// manager, destroying a shown top-level window waits two seconds for the manager.
class TTableWindow : public ::testing::Environment {
public:
    static HWND Handle() { return FWindow->Handle(); }
    void SetUp() override
    {
        FWindow = std::make_unique<testing::TTestWindow>(testing::TTestWindow::TOptions{
            0, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, {40, 40, 640, 400}, L"Table"});
    }
    void TearDown() override { FWindow.reset(); }

private:
    static inline std::unique_ptr<testing::TTestWindow> FWindow;
};

::testing::Environment* const TableWindow = ::testing::AddGlobalTestEnvironment(new TTableWindow);

// The table in a visible window, wired as the settings window wires it: clicks on the "Action"
// and "Settings" cells edit at once with an edit link, the "Hotkey" column uses the table's own
// editor, header clicks sort, committed texts land in the row (a hotkey text is ignored).
class ZelTableTest : public ::testing::Test {
protected:
    void SetUp() override { Build(StandardRows); }

    void Build(const std::vector<TRowText>& rows)
    {
        FTable.reset();
        FRows.Clear();
        for (const TRowText& text : rows) {
            TTreeData& row = FRows.Add();
            row.Subject = text.HotKey;
            row.Folder = text.Action;
            row.EntryID = text.Settings;
        }
        FTable = std::make_unique<TZelTable>(Window(), 101, FRows,
            std::vector<TZelTable::TColumnSpec>{{u"Hotkey", 160}, {u"Action", 160}, {u"Settings", 160}});
        SendMessageW(FTable->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), TRUE);
        RECT client{};
        GetClientRect(Window(), &client);
        FTable->SetBounds(client);
        FTable->OnColumnClick = [this](int column) {
            FEvents.push_back("column " + std::to_string(column));
            if (FTable->FocusedNode() && static_cast<unsigned>(column - 1) < 3)
                FTable->EditNode(FTable->FocusedNode(), column);
        };
        FTable->OnCreateEditor = [](TTreeData*, int column) -> std::unique_ptr<IVTEditLink> {
            if (static_cast<unsigned>(column - 1) < 3)
                return std::make_unique<THKEditLink>();
            return nullptr;
        };
        FTable->OnNewText = [this](TTreeData& node, int column, std::u16string_view text) {
            FNewTexts.push_back({FTable->IndexOf(&node), column, std::u16string(text)});
            FEvents.push_back("new text " + std::to_string(column));
            if (column == 1)
                node.Folder = text;
            else if (column == 2)
                node.EntryID = text;
        };
        FTable->OnHeaderClick = [this](int column) {
            FEvents.push_back("header " + std::to_string(column));
            SortOnHeaderClick(FRows, FSortHeader, column);
            FTable->RowsChanged();
        };
        SetForegroundWindow(Window());
        ASSERT_TRUE(PumpUntil([this] { return GetForegroundWindow() == Window(); }, 3000));
        SetFocus(FTable->Handle());
        UpdateWindow(Window());
        Settle(100);
    }

    void TearDown() override
    {
        FTable.reset();
        Settle(50);
    }

    static HWND Window() { return TTableWindow::Handle(); }
    HWND List() const { return FTable->Handle(); }
    TTreeData* Row(int index) { return &FRows[static_cast<size_t>(index)]; }

    POINT CellPoint(int row, int column) { return ToScreen(List(), Center(FTable->CellRect(Row(row), column))); }
    void ClickCell(int row, int column) { ClickAt(CellPoint(row, column)); }

    HWND Header() const { return ListView_GetHeader(List()); }
    RECT HeaderItem(int column) const
    {
        RECT r{};
        Header_GetItemRect(Header(), column, &r);
        MapWindowPoints(Header(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // The divider at the right edge of the column's header, on the screen.
    POINT Divider(int column) const
    {
        const RECT r = HeaderItem(column);
        return {r.right - 1, (r.top + r.bottom) / 2};
    }

    // The editor that has the keyboard focus (the focused window is the combo box or memo).
    HWND Editor() const { return GetFocus(); }

    std::vector<std::u16string> Settings() const
    {
        std::vector<std::u16string> result;
        for (size_t i = 0; i < FRows.Count(); ++i)
            result.push_back(FRows[i].EntryID);
        return result;
    }

    std::vector<std::u16string> ShownColumn(int column)
    {
        std::vector<std::u16string> result;
        const int count = ListView_GetItemCount(List());
        for (int i = 0; i < count; ++i) {
            wchar_t text[260] = {};
            ListView_GetItemText(List(), i, column, text, 260);
            result.push_back(ToU16(text));
        }
        return result;
    }

    TFontHandle FFont{CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma")};
    THotKeyRows FRows;
    TSortHeader FSortHeader;
    std::unique_ptr<TZelTable> FTable;
    std::vector<TNewText> FNewTexts;
    std::vector<std::string> FEvents;
};

constexpr int WaitForOwnEditor = 900;    // more than the double-click time
constexpr int WaitPastDoubleClick = 700; // likewise

// ---- The editors a click opens.

struct TOpenCase {
    const char* Name;
    int Row;
    int ExpectedSelection; // the action list's selected item
};

void PrintTo(const TOpenCase& c, std::ostream* out) { *out << c.Name; }

class OpenActionList : public ZelTableTest, public ::testing::WithParamInterface<TOpenCase> {};

TEST_P(OpenActionList, OpensDroppedOnTheRowsCurrentAction)
{
    const TOpenCase& c = GetParam();
    ClickCell(c.Row, 1);
    ASSERT_TRUE(FTable->IsEditing());
    const HWND combo = Editor();
    ASSERT_EQ(ClassOf(combo), u"ComboBox");
    EXPECT_EQ(GetParent(combo), List());
    EXPECT_EQ(GetWindowLongW(combo, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), c.ExpectedSelection);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(ToU16(text), ActionNames()[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(FTable->EditLink()->GetBounds().right, FTable->ColumnRight(1));
    EXPECT_EQ(FTable->EditLink()->GetBounds().left, FTable->CellRect(Row(c.Row), 1).left);
    EXPECT_EQ(FTable->FocusedNode(), Row(c.Row));
    EXPECT_EQ(FTable->FocusedColumn(), 1);
}

INSTANTIATE_TEST_SUITE_P(Actions, OpenActionList, ::testing::Values(
    TOpenCase{"InsertText", 0, 0},
    TOpenCase{"SwitchToFolder", 1, 1},
    TOpenCase{"SendDesktopScreenshot", 2, 2},
    TOpenCase{"NoKnownActionSelectsTheFirst", 3, 0}),
    [](const ::testing::TestParamInfo<TOpenCase>& info) { return info.param.Name; });

TEST_F(ZelTableTest, SettingsCellOpensAFourRowMemoWithTheCellsText)
{
    ClickCell(1, 2);
    ASSERT_TRUE(FTable->IsEditing());
    const HWND memo = Editor();
    ASSERT_EQ(ClassOf(memo), u"Edit");
    EXPECT_EQ(GetParent(memo), List());
    const LONG style = GetWindowLongW(memo, GWL_STYLE);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & ES_WANTRETURN);
    EXPECT_EQ(WindowText(memo), u"Inbox");
    const RECT bounds = FTable->EditLink()->GetBounds();
    EXPECT_EQ(bounds.bottom - bounds.top, 4 * FTable->DefaultNodeHeight());
    EXPECT_EQ(FTable->DefaultNodeHeight(), 18);
    EXPECT_EQ(bounds.right, FTable->ColumnRight(2));
    EXPECT_EQ(bounds.top, FTable->CellRect(Row(1), 2).top);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(memo, WM_GETFONT, 0, 0)), FFont.get());
}

TEST_F(ZelTableTest, RowsAreEighteenPixelsHigh)
{
    const RECT first = FTable->CellRect(Row(0), 0);
    const RECT second = FTable->CellRect(Row(1), 0);
    EXPECT_EQ(first.bottom - first.top, 18);
    EXPECT_EQ(second.top - first.top, 18);
}

// ---- Edits: what a sequence of user steps commits.

enum class TAct {
    ClickCell,  // A = row, B = column
    ClickBelow, // the empty area below the rows
    Key,        // A = virtual key
    ChooseItem, // A = item of the dropped action list, clicked
    Wait,       // A = milliseconds
};

struct TStep {
    TAct Act;
    int A = 0;
    int B = 0;
};

struct TEditScenario {
    const char* Name;
    std::vector<TStep> Steps;
    std::vector<TNewText> Expected;
};

void PrintTo(const TEditScenario& s, std::ostream* out) { *out << s.Name; }

class EditScenario : public ZelTableTest, public ::testing::WithParamInterface<TEditScenario> {
protected:
    void Run(const TStep& step)
    {
        switch (step.Act) {
        case TAct::ClickCell:
            ClickCell(step.A, step.B);
            break;
        case TAct::ClickBelow: {
            const RECT last = FTable->CellRect(Row(static_cast<int>(FRows.Count()) - 1), 0);
            ClickAt(ToScreen(List(), {last.left + 20, last.bottom + 5 * FTable->DefaultNodeHeight()}));
            break;
        }
        case TAct::Key:
            PressKey(static_cast<WORD>(step.A));
            break;
        case TAct::ChooseItem: {
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            ASSERT_TRUE(GetComboBoxInfo(Editor(), &info));
            ASSERT_TRUE(SendMessageW(Editor(), CB_GETDROPPEDSTATE, 0, 0));
            RECT item{};
            SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(step.A), reinterpret_cast<LPARAM>(&item));
            ClickAt(ToScreen(info.hwndList, Center(item)));
            break;
        }
        case TAct::Wait:
            Settle(static_cast<ULONGLONG>(step.A));
            break;
        }
    }
};

TEST_P(EditScenario, CommitsWhatTheUserChoseAndNothingElse)
{
    const TEditScenario& scenario = GetParam();
    const std::vector<std::u16string> before = Settings();
    for (const TStep& step : scenario.Steps) {
        Run(step);
        if (HasFatalFailure())
            return;
    }
    Settle(100);
    EXPECT_EQ(FNewTexts, scenario.Expected);
    EXPECT_FALSE(FTable->IsEditing());
    EXPECT_EQ(GetFocus(), List()) << "the focus goes back to the table";
    if (scenario.Expected.empty()) {
        EXPECT_EQ(Settings(), before);
        EXPECT_EQ(FRows[0].Folder, u"Insert Text");
        EXPECT_EQ(FRows[2].Folder, u"Send Desktop Screenshot");
    }
}


INSTANTIATE_TEST_SUITE_P(Editors, EditScenario, ::testing::Values(
    TEditScenario{"MemoEscape",
        {{TAct::ClickCell, 0, 2}, {TAct::Key, VK_END}, {TAct::Key, 'X'}, {TAct::Key, VK_ESCAPE}}, {}},
    TEditScenario{"ListEscapeWhileDropped", {{TAct::ClickCell, 2, 1}, {TAct::Key, VK_ESCAPE}}, {}},
    TEditScenario{"ListEscapeAfterAChoice",
        {{TAct::ClickCell, 0, 1}, {TAct::ChooseItem, 2}, {TAct::Key, VK_ESCAPE}}, {}},
    TEditScenario{"MemoEnterAddsALineAndAnotherRowCommits",
        {{TAct::ClickCell, 1, 2}, {TAct::Key, VK_END}, {TAct::Key, VK_RETURN}, {TAct::Key, 'X'},
         {TAct::ClickCell, 0, 0}},
        {{1, 2, u"Inbox\r\nx"}}},
    TEditScenario{"ListChoiceAndAnotherRowCommits",
        {{TAct::ClickCell, 0, 1}, {TAct::ChooseItem, 1}, {TAct::ClickCell, 2, 0}},
        {{0, 1, u"Switch To Folder"}}},
    TEditScenario{"ListEnterChoosesAndAnotherRowCommits",
        {{TAct::ClickCell, 0, 1}, {TAct::Key, VK_DOWN}, {TAct::Key, VK_DOWN}, {TAct::Key, VK_RETURN},
         {TAct::ClickCell, 1, 0}},
        {{0, 1, u"Send Desktop Screenshot"}}},
    TEditScenario{"ListStillDroppedAndAnotherRowCommitsTheCurrentAction",
        {{TAct::ClickCell, 2, 1}, {TAct::ClickCell, 0, 0}},
        {{2, 1, u"Send Desktop Screenshot"}}},
    TEditScenario{"ListChoiceLostOnAnotherCellOfTheRow",
        {{TAct::ClickCell, 0, 1}, {TAct::ChooseItem, 2}, {TAct::ClickCell, 0, 0}}, {}},
    TEditScenario{"MemoLostOnAnotherCellOfTheRow",
        {{TAct::ClickCell, 1, 2}, {TAct::Key, 'X'}, {TAct::ClickCell, 1, 0}}, {}},
    TEditScenario{"MemoCommittedByAClickBelowTheRows",
        {{TAct::ClickCell, 3, 2}, {TAct::Key, 'X'}, {TAct::ClickBelow}},
        {{3, 2, u"x"}}},
    TEditScenario{"HotKeyCellOwnEditorEnterCommits",
        {{TAct::ClickCell, 1, 0}, {TAct::Wait, WaitForOwnEditor}, {TAct::ClickCell, 1, 0},
         {TAct::Wait, WaitForOwnEditor}, {TAct::Key, 'X'}, {TAct::Key, VK_RETURN}},
        {{1, 0, u"x"}}},
    TEditScenario{"HotKeyCellOwnEditorEscape",
        {{TAct::ClickCell, 1, 0}, {TAct::Wait, WaitForOwnEditor}, {TAct::ClickCell, 1, 0},
         {TAct::Wait, WaitForOwnEditor}, {TAct::Key, 'X'}, {TAct::Key, VK_ESCAPE}},
        {}}),
    [](const ::testing::TestParamInfo<TEditScenario>& info) { return info.param.Name; });

TEST_F(ZelTableTest, FirstClickOnTheHotKeyCellOnlyFocusesItAndADoubleClickStartsNoEditor)
{
    ClickCell(1, 0);
    Settle(WaitForOwnEditor);
    EXPECT_FALSE(FTable->IsEditing());
    EXPECT_EQ(FTable->FocusedNode(), Row(1));
    DoubleClickAt(CellPoint(1, 0));
    Settle(WaitForOwnEditor);
    EXPECT_FALSE(FTable->IsEditing());
}

// ---- Sorting by header clicks.

TEST_F(ZelTableTest, HeaderClicksSortStablyWithTheOneHeaderWideDirection)
{
    Build({{u"Ctrl+B", u"", u"1"}, {u"Alt+a", u"", u"2"}, {u"Alt+C", u"", u"3"}, {u"Alt+A", u"", u"4"}});
    ClickCell(0, 0); // the focus stays on its row record through the sorts
    TTreeData* focused = Row(0);
    struct TClick {
        int Column;
        std::vector<std::u16string> Order; // the rows' settings texts afterwards
    };
    const std::vector<TClick> clicks = {
        {0, {u"2", u"4", u"3", u"1"}}, // ascending; "Alt+a" and "Alt+A" compare equal, keep their order
        {0, {u"1", u"3", u"2", u"4"}}, // descending, the equal rows still in their order
        {2, {u"1", u"3", u"2", u"4"}}, // "Settings" sorts nothing, flips the direction
        {0, {u"1", u"3", u"2", u"4"}}, // descending again: the direction is the header's, not a column's
        {0, {u"2", u"4", u"3", u"1"}},
    };
    for (const TClick& click : clicks) {
        Settle(WaitPastDoubleClick); // two clicks on one header are two clicks, not a double click
        ClickAt(Center(HeaderItem(click.Column)));
        EXPECT_EQ(Settings(), click.Order) << "after a click on the header of column " << click.Column;
        EXPECT_EQ(ShownColumn(2), click.Order);
        EXPECT_EQ(FTable->FocusedNode(), focused);
    }
}

TEST_F(ZelTableTest, HeaderClickCommitsAnOpenEditBeforeItSorts)
{
    ClickCell(2, 2);
    PressKey(VK_END);
    PressKey('X');
    FEvents.clear();
    ClickAt(Center(HeaderItem(2)));
    EXPECT_EQ(FNewTexts, (std::vector<TNewText>{{2, 2, u"someone@example.comx"}}));
    EXPECT_EQ(FEvents, (std::vector<std::string>{"new text 2", "header 2"}));
    EXPECT_FALSE(FTable->IsEditing());
}

// ---- Rows that go while an edit is open.

struct TRemoval {
    const char* Name;
    void (*Remove)(TZelTable& table, THotKeyRows& rows, TTreeData* row);
};

void PrintTo(const TRemoval& r, std::ostream* out) { *out << r.Name; }

class RemovedRow : public ZelTableTest, public ::testing::WithParamInterface<TRemoval> {};

TEST_P(RemovedRow, WithAnOpenEditIsNeverWritten)
{
    ClickCell(1, 2);
    PressKey('X');
    ASSERT_TRUE(FTable->IsEditing());
    GetParam().Remove(*FTable, FRows, Row(1));
    ClickCell(0, 0); // a focus move that would commit an edit
    ClickCell(1, 0);
    EXPECT_TRUE(FNewTexts.empty());
    EXPECT_FALSE(FTable->IsEditing());
    EXPECT_EQ(Settings(), (std::vector<std::u16string>{u"Type text to insert", u"someone@example.com", u""}));
}

INSTANTIATE_TEST_SUITE_P(Removals, RemovedRow, ::testing::Values(
    TRemoval{"ThroughTheTable", [](TZelTable& table, THotKeyRows&, TTreeData* row) { table.DeleteRow(row); }},
    TRemoval{"RowsReplacedAndShown",
        [](TZelTable& table, THotKeyRows& rows, TTreeData*) {
            rows.Delete(1);
            table.RowsChanged();
        }},
    // The rows changed behind the table's back: the commit finds its row gone.
    TRemoval{"BehindTheTablesBack", [](TZelTable&, THotKeyRows& rows, TTreeData*) { rows.Delete(1); }}),
    [](const ::testing::TestParamInfo<TRemoval>& info) { return info.param.Name; });

TEST_F(ZelTableTest, SetTextIntoARowNoLongerInTheTableWritesNothing)
{
    TTreeData* gone = Row(3);
    FTable->DeleteRow(gone);
    FTable->SetText(gone, 2, u"late");
    FTable->SetText(Row(0), 2, u"now");
    EXPECT_EQ(FNewTexts, (std::vector<TNewText>{{0, 2, u"now"}}));
}

TEST_F(ZelTableTest, AddingARowCancelsAnOpenEdit)
{
    ClickCell(0, 2);
    PressKey('X');
    TTreeData& added = FTable->AddRow();
    added.Subject = u"Alt+E";
    EXPECT_FALSE(FTable->IsEditing());
    ClickCell(4, 0);
    EXPECT_TRUE(FNewTexts.empty());
    EXPECT_EQ(ShownColumn(0).back(), u"Alt+E");
}

TEST(ZelTableLifetime, ParentWindowDestroyedFirstWithAnOpenEditLeavesTheTableSafe)
{
    testing::TTestWindow parent({0, WS_OVERLAPPEDWINDOW, {0, 0, 400, 300}, L"Parent"});
    THotKeyRows rows;
    rows.Add().EntryID = u"text";
    TZelTable table(parent.Handle(), 1, rows, {{u"Hotkey", 160}, {u"Action", 160}, {u"Settings", 160}});
    table.SetBounds({0, 0, 400, 300});
    std::vector<std::u16string> written;
    table.OnNewText = [&](TTreeData&, int, std::u16string_view text) { written.emplace_back(text); };
    table.OnCreateEditor = [](TTreeData*, int) { return std::make_unique<THKEditLink>(); };
    ASSERT_TRUE(table.EditNode(&rows[0], 2));
    parent.Destroy();
    EXPECT_EQ(table.Handle(), nullptr);
    EXPECT_FALSE(table.IsEditing());
    EXPECT_FALSE(table.EndEditNode());
    EXPECT_TRUE(written.empty()) << "the window's end cancels the edit";
}

// ---- Columns.

TEST_F(ZelTableTest, DraggedColumnCancelsTheEditAndWidthsStayKeyedByIndex)
{
    const std::vector<int> widths = {100, 200, 300};
    for (int i = 0; i < 3; ++i)
        FTable->Columns().SetColumnWidth(i, widths[static_cast<size_t>(i)]);
    ClickCell(0, 2);
    PressKey('X');
    ASSERT_TRUE(FTable->IsEditing());
    const RECT action = HeaderItem(1);
    const RECT hotKey = HeaderItem(0);
    DragMouse(Center(action), {hotKey.left + 10, (hotKey.top + hotKey.bottom) / 2});
    EXPECT_EQ(FTable->ColumnOrder(), (std::vector<int>{1, 0, 2}));
    EXPECT_FALSE(FTable->IsEditing());
    EXPECT_TRUE(FNewTexts.empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(FTable->Columns().ColumnWidth(i), widths[static_cast<size_t>(i)]) << "column " << i;
    TXMLFileStorage store;
    TFormStorage form(store);
    SaveColumnWidths(FTable->Name(), FTable->Columns(), form);
    EXPECT_EQ(form.ReadInteger(u"ItemsVST\\Column0Width", 0), 100);
    EXPECT_EQ(form.ReadInteger(u"ItemsVST\\Column1Width", 0), 200);
    EXPECT_EQ(FTable->ColumnRight(1) - FTable->CellRect(Row(0), 1).left, 200);
    EXPECT_EQ(FTable->CellRect(Row(0), 1).left, FTable->CellRect(Row(0), 0).left - 200);
}

TEST_F(ZelTableTest, ColumnWidthsAreLimitedOnEveryPath)
{
    struct TCase {
        int Set, Expected;
    };
    for (const TCase c : {TCase{-1, 10}, TCase{-2, 10}, TCase{0, 10}, TCase{9, 10}, TCase{10, 10}, TCase{150, 150},
             TCase{10000, 10000}, TCase{10001, 10000}, TCase{20000, 10000}}) {
        FTable->Columns().SetColumnWidth(1, c.Set);
        EXPECT_EQ(FTable->Columns().ColumnWidth(1), c.Expected) << "set " << c.Set;
    }

    TXMLFileStorage store;
    TFormStorage form(store);
    form.WriteInteger(u"ItemsVST\\Column0Width", -1);
    form.WriteString(u"ItemsVST\\Column1Width", u"wide");
    form.WriteInteger(u"ItemsVST\\Column2Width", 99999);
    LoadColumnWidths(FTable->Name(), FTable->Columns(), form);
    EXPECT_EQ(FTable->Columns().ColumnWidth(0), 10);
    EXPECT_EQ(FTable->Columns().ColumnWidth(1), 10);
    EXPECT_EQ(FTable->Columns().ColumnWidth(2), 10000);
}

TEST_F(ZelTableTest, DividerDraggedPastTheColumnsStartStopsAtTheMinimum)
{
    const POINT divider = Divider(0);
    DragMouse(divider, {divider.x + 40, divider.y});
    EXPECT_NEAR(FTable->Columns().ColumnWidth(0), 200, 2) << "the divider follows the mouse";
    const POINT moved = Divider(0);
    DragMouse(moved, {moved.x - 400, moved.y});
    EXPECT_EQ(FTable->Columns().ColumnWidth(0), MinColumnWidth);
}

TEST_F(ZelTableTest, DividerDoubleClickFitsTheTextUpToTheMaximum)
{
    // A short text: the list view's own fitting stands when it is within the limits.
    FRows[0].Subject = u"W";
    FTable->RowsChanged();
    DoubleClickAt(Divider(0));
    const int fitted = FTable->Columns().ColumnWidth(0);
    EXPECT_GT(fitted, MinColumnWidth);
    EXPECT_LT(fitted, 160);
    // A text far wider than 10000 pixels in a large font.
    TFontHandle large(CreateFontW(-72, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma"));
    SendMessageW(List(), WM_SETFONT, reinterpret_cast<WPARAM>(large.get()), TRUE);
    FRows[0].Subject = std::u16string(250, u'W');
    FTable->RowsChanged();
    Settle(WaitPastDoubleClick);
    DoubleClickAt(Divider(0));
    EXPECT_EQ(FTable->Columns().ColumnWidth(0), MaxColumnWidth);
    SendMessageW(List(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), TRUE);
}

// ---- Keyboard.

TEST_F(ZelTableTest, ArrowKeysMoveTheFocusedRowAndColumn)
{
    ClickCell(0, 0);
    struct TKey {
        WORD Key;
        int Row, Column;
    };
    for (const TKey k : {TKey{VK_DOWN, 1, 0}, TKey{VK_RIGHT, 1, 1}, TKey{VK_RIGHT, 1, 2}, TKey{VK_RIGHT, 1, 2},
             TKey{VK_LEFT, 1, 1}, TKey{VK_END, 3, 1}, TKey{VK_DOWN, 3, 1}, TKey{VK_UP, 2, 1}, TKey{VK_HOME, 0, 1},
             TKey{VK_UP, 0, 1}}) {
        PressKey(k.Key);
        EXPECT_EQ(FTable->IndexOf(FTable->FocusedNode()), k.Row) << "key " << k.Key;
        EXPECT_EQ(FTable->FocusedColumn(), k.Column) << "key " << k.Key;
    }
    EXPECT_FALSE(FTable->IsEditing());
    EXPECT_TRUE(FNewTexts.empty());
}

// ---- The look.

TEST_F(ZelTableTest, FocusedRowIsPaintedInTheSelectionColour)
{
    ClickCell(1, 0);
    UpdateWindow(List());
    Settle(100);

    // Points of the cells away from their text: the right end of the "Settings" cells.
    auto colourAt = [this](int row) {
        const RECT cell = FTable->CellRect(Row(row), 2);
        const POINT p = ToScreen(List(), {cell.right - 4, (cell.top + cell.bottom) / 2});
        TScreenDC screen;
        return GetPixel(screen.Get(), p.x, p.y);
    };
    EXPECT_EQ(colourAt(1), TableSelectionColor);
    EXPECT_EQ(colourAt(0), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(colourAt(2), GetSysColor(COLOR_WINDOW));

    // With the action list open, for a look at the whole.
    ClickCell(2, 1);
    Settle(200);
    EXPECT_EQ(colourAt(2), TableSelectionColor);
    EXPECT_TRUE(testing::SaveWindowPng(TTableWindow::Handle(), L"table-action-list", 40));
}

} // namespace
} // namespace zel
