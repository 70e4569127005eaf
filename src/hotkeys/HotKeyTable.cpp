#include "hotkeys/HotKeyTable.h"

#include "platform/Exceptions.h"
#include "storage/FormStorage.h"

#include <algorithm>
#include <string_view>

namespace zel {
namespace {

std::u16string RowPrefix(size_t index)
{
    return u"HotKeys\\" + U16(std::to_string(index));
}

// The index whose row element has this name: the decimal text of a row index, without leading
// zeros, is the only name that the row's keys are found under.
bool RowIndexOfName(std::u16string_view name, std::int32_t& index) noexcept
{
    if (name.empty() || (name[0] == u'0' && name.size() > 1))
        return false;
    for (char16_t c : name)
        if (c < u'0' || c > u'9')
            return false;
    return TryStrToInt(name, index);
}

// The number of rows the store holds elements for: one more than the highest index whose row
// element exists, 0 when none does.
std::int64_t StoredRowLimit(const TFormStorage& storage)
{
    std::int64_t limit = 0;
    for (const auto& name : storage.ChildNames(u"HotKeys")) {
        std::int32_t index;
        if (RowIndexOfName(name, index) && index >= limit)
            limit = std::int64_t{index} + 1;
    }
    return limit;
}

} // namespace

TTreeData& THotKeyRows::Add()
{
    FRows.push_back(std::make_unique<TTreeData>());
    return *FRows.back();
}

void THotKeyRows::Delete(size_t index)
{
    if (index >= FRows.size())
        throw Exception(u"List index out of bounds (" + U16(std::to_string(index)) + u").");
    FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(index));
}

void THotKeyRows::StableSort(const std::function<bool(const TTreeData&, const TTreeData&)>& less)
{
    std::stable_sort(FRows.begin(), FRows.end(),
                     [&](const std::unique_ptr<TTreeData>& a, const std::unique_ptr<TTreeData>& b) { return less(*a, *b); });
}

void LoadHotKeys(THotKeyRows& rows, const TFormStorage& storage)
{
    rows.Clear();
    std::u16string countText = storage.ReadString(u"HotKeys\\Count", u"0");
    std::int32_t count = 0;
    if (!TryStrToInt(countText, count))
        throw EConvertError(u"'" + countText + u"' is not a valid integer value");
    // A count that a hand edit or damage made huge costs no more than the rows the file has.
    if (count > 0)
        count = static_cast<std::int32_t>(std::min<std::int64_t>(count, StoredRowLimit(storage)));
    for (std::int32_t i = 0; i < count; ++i) {
        std::u16string prefix = RowPrefix(static_cast<size_t>(i));
        TTreeData& row = rows.Add();
        row.Subject = storage.ReadString(prefix + u"\\HotKey", u"");
        row.Folder = storage.ReadString(prefix + u"\\Action", u"");
        row.EntryID = storage.ReadString(prefix + u"\\Settings", u"");
    }
}

void SaveHotKeys(const THotKeyRows& rows, TFormStorage& storage)
{
    storage.WriteString(u"HotKeys\\Count", U16(std::to_string(rows.Count())));
    for (size_t i = 0; i < rows.Count(); ++i) {
        std::u16string prefix = RowPrefix(i);
        storage.WriteString(prefix + u"\\HotKey", rows[i].Subject);
        storage.WriteString(prefix + u"\\Action", rows[i].Folder);
        storage.WriteString(prefix + u"\\Settings", rows[i].EntryID);
    }
}

std::u16string VSTGetText(const TTreeData& row, int column)
{
    switch (column) {
    case 0: return row.Subject;
    case 1: return row.Folder;
    case 2: return row.EntryID;
    default: return {};
    }
}

} // namespace zel
