// The hotkey table's rows, their persistence in the configuration store, and the column texts.
#include "platform/Exceptions.h"
#include "hotkeys/HotKeyTable.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace zel {
namespace {

struct TRow {
    std::u16string HotKey, Action, Settings;
    bool operator==(const TRow&) const = default;
};

void PrintTo(const TRow& row, std::ostream* os)
{
    *os << "{" << ToUtf8(row.HotKey) << ", " << ToUtf8(row.Action) << ", " << ToUtf8(row.Settings) << "}";
}

class HotKeyTable : public ::testing::Test {
protected:
    TXMLFileStorage FStore;
    TFormStorage FForm{FStore};
    THotKeyRows FRows;

    void Fill(std::initializer_list<TRow> rows)
    {
        FRows.Clear();
        for (const auto& r : rows) {
            TTreeData& row = FRows.Add();
            row.Subject = r.HotKey;
            row.Folder = r.Action;
            row.EntryID = r.Settings;
        }
    }

    static std::vector<TRow> Rows(const THotKeyRows& rows)
    {
        std::vector<TRow> out;
        for (size_t i = 0; i < rows.Count(); ++i)
            out.push_back({rows[i].Subject, rows[i].Folder, rows[i].EntryID});
        return out;
    }

    std::vector<TRow> Loaded()
    {
        THotKeyRows rows;
        LoadHotKeys(rows, FForm);
        return Rows(rows);
    }

    std::u16string Stored(std::u16string_view key) { return FForm.ReadString(key, u"<missing>"); }
};

const TRow A{u"Ctrl+Alt+A", u"Insert Text", u"Best regards"};
const TRow B{u"Ctrl+Alt+B", u"Switch To Folder", u"\\\\Mailbox\\Inbox"};
const TRow C{u"Shift+F5", u"Send Desktop Screenshot", u"a@example.com\r\nb@example.com"};

TEST_F(HotKeyTable, SavesEveryRowUnderItsIndex)
{
    Fill({A, B});
    SaveHotKeys(FRows, FForm);
    EXPECT_EQ(Stored(u"HotKeys\\Count"), u"2");
    EXPECT_EQ(Stored(u"HotKeys\\0\\HotKey"), A.HotKey);
    EXPECT_EQ(Stored(u"HotKeys\\0\\Action"), A.Action);
    EXPECT_EQ(Stored(u"HotKeys\\1\\Settings"), B.Settings);
    EXPECT_EQ(FStore.ReadString(u"MainForm\\HotKeys\\1\\HotKey", u""), B.HotKey);
    EXPECT_EQ(Loaded(), (std::vector<TRow>{A, B}));
}

TEST_F(HotKeyTable, EmptyStoreLoadsAnEmptyTable)
{
    Fill({A});
    LoadHotKeys(FRows, FForm);
    EXPECT_EQ(FRows.Count(), 0u);
}

// The count against the row elements that exist: no more rows load than one more than the
// highest row element that exists; rows missing below it load empty.
struct CountCase {
    const char* count;
    std::vector<int> stored; // indexes of the rows written (each its hotkey text only)
    size_t rows;
};

class HotKeyTableCount : public HotKeyTable, public ::testing::WithParamInterface<CountCase> {};

TEST_P(HotKeyTableCount, LoadsTheRowsThatTheCountAndTheStoreAllow)
{
    FForm.WriteString(u"HotKeys\\Count", U16(GetParam().count));
    for (int i : GetParam().stored)
        FForm.WriteString(u"HotKeys\\" + U16(std::to_string(i)) + u"\\HotKey", u"key " + U16(std::to_string(i)));
    std::vector<TRow> loaded = Loaded();
    ASSERT_EQ(loaded.size(), GetParam().rows);
    for (size_t i = 0; i < loaded.size(); ++i) {
        bool stored = std::find(GetParam().stored.begin(), GetParam().stored.end(), static_cast<int>(i)) != GetParam().stored.end();
        EXPECT_EQ(loaded[i].HotKey, stored ? u"key " + U16(std::to_string(i)) : u"") << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HotKeyTableCount, ::testing::Values(
    CountCase{"0", {0}, 0}, CountCase{"-1", {0}, 0}, CountCase{"-2147483648", {0}, 0}, CountCase{"1", {0}, 1},
    CountCase{"3", {0, 1, 2}, 3}, CountCase{"+2", {0, 1}, 2}, CountCase{"1", {0, 1, 2}, 1},
    CountCase{"3", {0}, 1}, CountCase{"5", {}, 0}, CountCase{"4", {0, 2}, 3}, CountCase{"3", {2}, 3},
    CountCase{"2", {0, 7}, 2}, CountCase{"5000000", {0, 1, 2}, 3}, CountCase{"5000000", {1, 4}, 5}));

// A hand-edited or damaged count far beyond the rows of the file loads the file's rows only,
// without first making a row per count (5,000,000 took seconds and a gigabyte). Elements under
// "HotKeys" that no row index is looked up under ("01", "-1", "3(") do not count as rows; an
// empty row element does.
TEST_F(HotKeyTable, HugeCountLoadsTheRowsOfTheFile)
{
    FStore.LoadFromBytes("<Configuration><MainForm><HotKeys><Count>5000000</Count>"
                         "<0><HotKey>Ctrl+Alt+A</HotKey><Action>Insert Text</Action><Settings>Best regards</Settings></0>"
                         "<01><HotKey>not row 1</HotKey></01><-1><HotKey>x</HotKey></-1><3(><HotKey>x</HotKey></3(>"
                         "<2/><Count2>9</Count2></HotKeys></MainForm></Configuration>");
    LoadHotKeys(FRows, FForm);
    ASSERT_EQ(FRows.Count(), 3u);
    EXPECT_EQ(Rows(FRows), (std::vector<TRow>{A, TRow{}, TRow{}}));
    // Saved back, the table is the file's rows and nothing more.
    SaveHotKeys(FRows, FForm);
    EXPECT_EQ(Stored(u"HotKeys\\Count"), u"3");
    EXPECT_EQ(FForm.ChildNames(u"HotKeys"), (std::vector<std::u16string>{u"Count", u"0", u"01", u"-1", u"3_", u"2", u"Count2", u"1"}));
}

TEST_F(HotKeyTable, MissingRowKeysReadEmpty)
{
    FForm.WriteString(u"HotKeys\\Count", u"3");
    FForm.WriteString(u"HotKeys\\0\\HotKey", A.HotKey);
    FForm.WriteString(u"HotKeys\\0\\Action", A.Action);
    FForm.WriteString(u"HotKeys\\0\\Settings", A.Settings);
    FForm.WriteString(u"HotKeys\\2\\Action", C.Action);
    EXPECT_EQ(Loaded(), (std::vector<TRow>{A, TRow{}, TRow{u"", C.Action, u""}}));
}

class HotKeyTableBadCount : public HotKeyTable, public ::testing::WithParamInterface<const char*> {};

TEST_P(HotKeyTableBadCount, RaisesAConversionErrorAndLeavesTheTableEmpty)
{
    FForm.WriteString(u"HotKeys\\Count", U16(GetParam()));
    FForm.WriteString(u"HotKeys\\0\\HotKey", A.HotKey);
    Fill({A, B});
    try {
        LoadHotKeys(FRows, FForm);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), u"'" + FForm.ReadString(u"HotKeys\\Count", u"") + u"' is not a valid integer value");
    }
    EXPECT_EQ(FRows.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, HotKeyTableBadCount, ::testing::Values("abc", "", " ", "1.5", "0x2", "2 ", "9999999999"));

TEST_F(HotKeyTable, ShrinkingLeavesStaleEntriesThatAreNotLoaded)
{
    Fill({A, B, C});
    SaveHotKeys(FRows, FForm);
    FRows.Delete(1);
    SaveHotKeys(FRows, FForm);
    EXPECT_EQ(Stored(u"HotKeys\\Count"), u"2");
    EXPECT_EQ(Stored(u"HotKeys\\1\\HotKey"), C.HotKey);
    EXPECT_EQ(Stored(u"HotKeys\\2\\HotKey"), C.HotKey);
    EXPECT_EQ(Loaded(), (std::vector<TRow>{A, C}));

    Fill({A});
    SaveHotKeys(FRows, FForm);
    std::string bytes = FStore.SaveToBytes();
    EXPECT_NE(bytes.find("<Count>1</Count>"), std::string::npos);
    for (const char* element : {"<0>", "<1>", "<2>"})
        EXPECT_NE(bytes.find(element), std::string::npos) << element;
    EXPECT_EQ(Loaded(), (std::vector<TRow>{A}));
}

TEST_F(HotKeyTable, RemovingTheOnlyRowWritesCountZero)
{
    Fill({A});
    SaveHotKeys(FRows, FForm);
    FRows.Delete(0);
    SaveHotKeys(FRows, FForm);
    EXPECT_EQ(Stored(u"HotKeys\\Count"), u"0");
    EXPECT_EQ(Stored(u"HotKeys\\0\\HotKey"), A.HotKey);
    EXPECT_TRUE(Loaded().empty());
}

TEST_F(HotKeyTable, SortedRowsAreSavedInTheirNewOrderFollowedByANewRow)
{
    Fill({C, A, B});
    FRows.StableSort([](const TTreeData& x, const TTreeData& y) { return x.Subject < y.Subject; });
    TTreeData& added = FRows.Add();
    added.Subject = u"Alt+A";
    added.Folder = u"Insert Text";
    added.EntryID = u"Type text to insert";
    SaveHotKeys(FRows, FForm);
    EXPECT_EQ(Loaded(), (std::vector<TRow>{A, B, C, TRow{u"Alt+A", u"Insert Text", u"Type text to insert"}}));
}

TEST_F(HotKeyTable, TextsSurviveTheFile)
{
    const TRow odd{u"", u"Not An Action", u"  <a & b>\r\n\u00E9\u4E2D\U0001F600\x01  "};
    Fill({odd, A});
    SaveHotKeys(FRows, FForm);
    TXMLFileStorage reread;
    reread.LoadFromBytes(FStore.SaveToBytes());
    TFormStorage form(reread);
    THotKeyRows rows;
    LoadHotKeys(rows, form);
    EXPECT_EQ(Rows(rows), (std::vector<TRow>{odd, A}));
}

TEST(THotKeyRows, RowsKeepTheirAddress)
{
    THotKeyRows rows;
    TTreeData* first = &rows.Add();
    for (int i = 0; i < 100; ++i)
        rows.Add();
    EXPECT_EQ(&rows[0], first);
    EXPECT_THROW(rows.Delete(101), Exception);
    TTreeData fresh;
    EXPECT_EQ(fresh.DefaultItemType, 0);
    EXPECT_EQ(fresh.CreationTime, 0.0);
    EXPECT_EQ(fresh.Size, 0);
    EXPECT_TRUE(fresh.StoreID.empty() && fresh.Restore.empty());
}

struct ColumnCase {
    int column;
    std::u16string text;
};

class VSTGetTextColumns : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(VSTGetTextColumns, MapsColumnsToFields)
{
    TTreeData row;
    row.Subject = u"Ctrl+Alt+T";
    row.Folder = u"Insert Text";
    row.EntryID = u"Best regards";
    row.StoreID = u"store";
    EXPECT_EQ(VSTGetText(row, GetParam().column), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, VSTGetTextColumns, ::testing::Values(
    ColumnCase{0, u"Ctrl+Alt+T"}, ColumnCase{1, u"Insert Text"}, ColumnCase{2, u"Best regards"}, ColumnCase{3, u""},
    ColumnCase{-1, u""}, ColumnCase{INT32_MIN, u""}));

} // namespace
} // namespace zel
