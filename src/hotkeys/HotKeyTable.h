// The hotkey table without a window: its rows in display order, their persistence in the
// configuration store (keys "HotKeys\Count" and "HotKeys\<i>\HotKey", "\Action", "\Settings" in
// the settings window's section), and the text each column shows.
#pragma once

#include "hotkeys/ZelTree.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel {

class TFormStorage;

// The table's rows, in display order; a row's position is its index. Each row's record keeps its
// address for the row's whole life, so a control may hold a pointer to it.
class THotKeyRows {
public:
    size_t Count() const noexcept { return FRows.size(); }
    TTreeData& operator[](size_t index) { return *FRows.at(index); }
    const TTreeData& operator[](size_t index) const { return *FRows.at(index); }
    // Appends a new, empty row at the end.
    TTreeData& Add();
    void Delete(size_t index);
    void Clear() noexcept { FRows.clear(); }
    // Reorders the rows, keeping the order of rows that compare equal.
    void StableSort(const std::function<bool(const TTreeData&, const TTreeData&)>& less);

private:
    std::vector<std::unique_ptr<TTreeData>> FRows;
};

// Replaces the rows by those stored: "HotKeys\Count" read as text with the default "0" and
// converted strictly (EConvertError "'<text>' is not a valid integer value" before any row is
// added, leaving the table empty); a count of 0 or less gives an empty table. The count is
// limited to one more than the highest row element "HotKeys\<i>" that exists, so a damaged or
// hand-edited count loads no more rows than the store holds; a row missing below that one, and
// a missing row key, read as empty text.
void LoadHotKeys(THotKeyRows& rows, const TFormStorage& storage);

// Writes the count and every row in display order, numbered from 0. Keys of indexes at or above
// the count, left by an earlier, longer table, stay in the store.
void SaveHotKeys(const THotKeyRows& rows, TFormStorage& storage);

// The text a column shows: 0 the hotkey text, 1 the action, 2 the settings text; any other
// column (-1 included) shows nothing.
std::u16string VSTGetText(const TTreeData& row, int column);

} // namespace zel
