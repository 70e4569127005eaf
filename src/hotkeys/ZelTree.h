// The record behind each row of the add-in's tables, and the table routines that need no window:
// the comparison and the sort behind a header click, the image query, and the column widths kept
// in the configuration store. The hotkey table uses Subject for the hotkey text, Folder for the
// action name and EntryID for the settings text; the other fields are never set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

struct TTreeData {
    std::uint8_t DefaultItemType = 0; // the image index of column 0
    std::u16string Subject;           // hotkey text, column "Hotkey"
    std::u16string Folder;            // action name, column "Action"
    std::u16string EntryID;           // settings text, column "Settings"
    std::u16string StoreID;
    std::u16string Restore;
    TDateTime CreationTime = 0;
    TDateTime LastModificationTime = 0;
    std::int32_t Size = 0;
    std::int32_t EmptyFields = 0;
};

class THotKeyRows;
class TFormStorage;

// Negative when `a` sorts before `b` in the column, 0 when they sort together: columns -1 and 0
// compare the hotkey texts and column 1 the action names, both folding only "a" to "z" (the
// difference of the first differing folded code units, else of the lengths); column 2 compares
// CreationTime, 3 LastModificationTime, 4 Size (-1, 0 or 1); any other column gives 0.
int CompareTreeData(const TTreeData& a, const TTreeData& b, int column) noexcept;

enum class TSortDirection { Ascending, Descending };

// The header's one sort direction, for all its columns; ascending at start, never stored.
struct TSortHeader {
    TSortDirection Direction = TSortDirection::Ascending;
};

// A click on the header of the column: sorts every row by the column in the header's current
// direction (stable: rows that compare equal keep their order, in either direction), then flips
// the direction for the next click, on whatever column.
void SortOnHeaderClick(THotKeyRows& rows, TSortHeader& header, int column);

enum class TImageKind { Normal, Selected, Overlay, State };

// The image of a cell: for the normal and selected kinds the row's DefaultItemType in columns -1
// and 0 and no image (-1) elsewhere; other kinds keep the index passed in. Never ghosted.
void TreeDataImageIndex(const TTreeData& row, TImageKind kind, int column, int& imageIndex, bool& ghosted) noexcept;

// The columns of a table as the column-width routines see them.
class ITableColumns {
public:
    virtual ~ITableColumns() = default;
    virtual int ColumnCount() const = 0;
    virtual int ColumnWidth(int index) const = 0;
    virtual void SetColumnWidth(int index, int width) = 0;
};

// The widths a table accepts for a column, in pixels.
inline constexpr int MinColumnWidth = 10;
inline constexpr int MaxColumnWidth = 10000;

// Reads each column's width from "<table name>\Column<i>Width" (i the column's index, not its
// display position), the current width when the key is missing, -1 when it is no whole number;
// the width set is limited to MinColumnWidth..MaxColumnWidth.
void LoadColumnWidths(std::u16string_view tableName, ITableColumns& columns, const TFormStorage& storage);
// Writes each column's current width to the same keys.
void SaveColumnWidths(std::u16string_view tableName, const ITableColumns& columns, TFormStorage& storage);

} // namespace zel
