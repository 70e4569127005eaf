// The table routines without a window: comparison, sorting on header clicks, the image query and
// the column widths in the configuration store.
#include "hotkeys/ZelTree.h"

#include "hotkeys/HotKeyTable.h"
#include "platform/Utf16.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"

#include <gtest/gtest.h>

#include <vector>

namespace zel {
namespace {

TTreeData Row(std::u16string hotKey, std::u16string action = u"", std::u16string settings = u"")
{
    TTreeData row;
    row.Subject = std::move(hotKey);
    row.Folder = std::move(action);
    row.EntryID = std::move(settings);
    return row;
}

struct CompareCase {
    const char* name;
    TTreeData a, b;
    int column;
    int expected; // the sign of the result
};

class CompareTreeDataTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareTreeDataTest, OrdersByTheColumnsField)
{
    const CompareCase& c = GetParam();
    const int result = CompareTreeData(c.a, c.b, c.column);
    EXPECT_EQ((result > 0) - (result < 0), c.expected) << result;
}

TTreeData Timed(double creation, double modification, std::int32_t size)
{
    TTreeData row = Row(u"x");
    row.CreationTime = creation;
    row.LastModificationTime = modification;
    row.Size = size;
    return row;
}

INSTANTIATE_TEST_SUITE_P(Table, CompareTreeDataTest, ::testing::Values(
    CompareCase{"HotKeyText", Row(u"Ctrl+A"), Row(u"Ctrl+B"), 0, -1},
    CompareCase{"NoColumnIsTheHotKey", Row(u"Ctrl+B"), Row(u"Ctrl+A"), -1, 1},
    CompareCase{"AsciiCaseFolded", Row(u"ctrl+a"), Row(u"CTRL+A"), 0, 0},
    CompareCase{"NonAsciiNotFolded", Row(u"\u00E4"), Row(u"\u00C4"), 0, 1},
    CompareCase{"FoldedBeforeComparing", Row(u"a"), Row(u"_"), 0, -1}, // "A" (0x41) before "_" (0x5F)
    CompareCase{"PrefixFirst", Row(u"Alt+F1"), Row(u"Alt+F10"), 0, -1},
    CompareCase{"Action", Row(u"", u"Switch To Folder"), Row(u"", u"insert text"), 1, 1},
    CompareCase{"SettingsComparesCreationTime", Timed(1, 0, 0), Timed(2, 0, 0), 2, -1},
    CompareCase{"SettingsTextIsNotLookedAt", Row(u"", u"", u"b"), Row(u"", u"", u"a"), 2, 0},
    CompareCase{"ModificationTime", Timed(0, 3, 0), Timed(0, 2, 0), 3, 1},
    CompareCase{"Size", Timed(0, 0, 5), Timed(0, 0, 5), 4, 0},
    CompareCase{"OtherColumn", Row(u"a"), Row(u"b"), 5, 0}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::string> HotKeys(const THotKeyRows& rows)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < rows.Count(); ++i)
        out.push_back(ToUtf8(rows[i].Subject) + "/" + ToUtf8(rows[i].EntryID));
    return out;
}

class SortOnHeaderClickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Two rows whose hotkey texts differ only in letter case, in the order 1 then 2.
        for (const TTreeData& row : {Row(u"Ctrl+B", u"", u"1"), Row(u"ctrl+a", u"", u"1"), Row(u"CTRL+A", u"", u"2"),
                                     Row(u"Alt+C", u"", u"1")})
            FRows.Add() = row;
    }
    THotKeyRows FRows;
    TSortHeader FHeader;
};

TEST_F(SortOnHeaderClickTest, AlternatesTheDirectionAndKeepsEqualRowsInOrder)
{
    SortOnHeaderClick(FRows, FHeader, 0);
    EXPECT_EQ(HotKeys(FRows), (std::vector<std::string>{"Alt+C/1", "ctrl+a/1", "CTRL+A/2", "Ctrl+B/1"}));
    EXPECT_EQ(FHeader.Direction, TSortDirection::Descending);
    SortOnHeaderClick(FRows, FHeader, 0);
    EXPECT_EQ(HotKeys(FRows), (std::vector<std::string>{"Ctrl+B/1", "ctrl+a/1", "CTRL+A/2", "Alt+C/1"}));
    EXPECT_EQ(FHeader.Direction, TSortDirection::Ascending);
}

TEST_F(SortOnHeaderClickTest, SortingBySettingsChangesNothingButFlipsTheDirection)
{
    const std::vector<std::string> before = HotKeys(FRows);
    SortOnHeaderClick(FRows, FHeader, 2);
    EXPECT_EQ(HotKeys(FRows), before);
    SortOnHeaderClick(FRows, FHeader, 2);
    EXPECT_EQ(HotKeys(FRows), before);
    // The direction is the header's, not the column's: the next click on "Hotkey" sorts ascending.
    SortOnHeaderClick(FRows, FHeader, 0);
    EXPECT_EQ(HotKeys(FRows).front(), "Alt+C/1");
}

TEST(TreeDataImageIndex, RowImageInTheFirstColumnOnly)
{
    TTreeData row = Row(u"Ctrl+A");
    row.DefaultItemType = 3;
    struct Case {
        TImageKind kind;
        int column, expected;
    };
    for (const Case& c : {Case{TImageKind::Normal, 0, 3}, Case{TImageKind::Selected, -1, 3},
                          Case{TImageKind::Normal, 1, -1}, Case{TImageKind::Selected, 2, -1},
                          Case{TImageKind::Overlay, 0, 7}, Case{TImageKind::State, 1, 7}}) {
        int index = 7;
        bool ghosted = true;
        TreeDataImageIndex(row, c.kind, c.column, index, ghosted);
        EXPECT_EQ(index, c.expected) << static_cast<int>(c.kind) << " column " << c.column;
        EXPECT_FALSE(ghosted);
    }
}

class TColumns : public ITableColumns {
public:
    explicit TColumns(std::vector<int> widths) : Widths(std::move(widths)) {}
    int ColumnCount() const override { return static_cast<int>(Widths.size()); }
    int ColumnWidth(int index) const override { return Widths.at(static_cast<size_t>(index)); }
    void SetColumnWidth(int index, int width) override { Widths.at(static_cast<size_t>(index)) = width; }
    std::vector<int> Widths;
};

TEST(ColumnWidths, RoundTripThroughTheStoreUnderTheColumnIndex)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    SaveColumnWidths(u"ItemsVST", TColumns({100, 200, 300}), form);
    EXPECT_EQ(form.ReadString(u"ItemsVST\\Column0Width", u""), u"100");
    EXPECT_EQ(form.ReadString(u"ItemsVST\\Column2Width", u""), u"300");
    TColumns columns({50, 50, 50});
    LoadColumnWidths(u"ItemsVST", columns, form);
    EXPECT_EQ(columns.Widths, (std::vector<int>{100, 200, 300}));
}

TEST(ColumnWidths, MissingKeysKeepTheWidthAndStoredWidthsAreLimited)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    form.WriteString(u"ItemsVST\\Column0Width", u"wide"); // no whole number: reads -1, limited to 10
    form.WriteInteger(u"ItemsVST\\Column1Width", 20000);
    TColumns columns({80, 90, 120});
    LoadColumnWidths(u"ItemsVST", columns, form);
    EXPECT_EQ(columns.Widths, (std::vector<int>{MinColumnWidth, MaxColumnWidth, 120}));
}

} // namespace
} // namespace zel
