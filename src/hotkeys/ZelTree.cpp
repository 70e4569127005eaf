#include "hotkeys/ZelTree.h"

#include "hotkeys/HotKeyTable.h"
#include "platform/Utf16.h"
#include "storage/FormStorage.h"

#include <algorithm>
#include <string>

namespace zel {
namespace {

template <class T>
int Sign(T a, T b) noexcept
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::u16string WidthKey(std::u16string_view tableName, int index)
{
    return std::u16string(tableName) + u"\\Column" + U16(std::to_string(index)) + u"Width";
}

} // namespace

int CompareTreeData(const TTreeData& a, const TTreeData& b, int column) noexcept
{
    switch (column) {
    case -1:
    case 0:
        return CompareAsciiFolded(a.Subject, b.Subject);
    case 1:
        return CompareAsciiFolded(a.Folder, b.Folder);
    case 2:
        return Sign(a.CreationTime, b.CreationTime);
    case 3:
        return Sign(a.LastModificationTime, b.LastModificationTime);
    case 4:
        return Sign(a.Size, b.Size);
    default:
        return 0;
    }
}

void SortOnHeaderClick(THotKeyRows& rows, TSortHeader& header, int column)
{
    if (header.Direction == TSortDirection::Ascending) {
        rows.StableSort([column](const TTreeData& a, const TTreeData& b) { return CompareTreeData(a, b, column) < 0; });
        header.Direction = TSortDirection::Descending;
    } else {
        rows.StableSort([column](const TTreeData& a, const TTreeData& b) { return CompareTreeData(b, a, column) < 0; });
        header.Direction = TSortDirection::Ascending;
    }
}

void TreeDataImageIndex(const TTreeData& row, TImageKind kind, int column, int& imageIndex, bool& ghosted) noexcept
{
    if (kind == TImageKind::Normal || kind == TImageKind::Selected)
        imageIndex = column == -1 || column == 0 ? row.DefaultItemType : -1;
    ghosted = false;
}

void LoadColumnWidths(std::u16string_view tableName, ITableColumns& columns, const TFormStorage& storage)
{
    const int count = columns.ColumnCount();
    for (int i = 0; i < count; ++i) {
        const int width = storage.ReadInteger(WidthKey(tableName, i), columns.ColumnWidth(i));
        columns.SetColumnWidth(i, std::clamp(width, MinColumnWidth, MaxColumnWidth));
    }
}

void SaveColumnWidths(std::u16string_view tableName, const ITableColumns& columns, TFormStorage& storage)
{
    const int count = columns.ColumnCount();
    for (int i = 0; i < count; ++i)
        storage.WriteInteger(WidthKey(tableName, i), columns.ColumnWidth(i));
}

} // namespace zel
