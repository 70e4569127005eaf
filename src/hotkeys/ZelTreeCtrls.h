// The in-place editor of the hotkey table's "Action" and "Settings" cells: a drop-down list of
// the action names for column 1, a multi-line memo for any other column. The table creates one
// link per edit and calls it in the order PrepareEdit, SetBounds, BeginEdit, then EndEdit or
// CancelEdit, and frees it afterwards.
#pragma once

#include "hotkeys/ZelTable.h"
#include "platform/Handles.h"

#include <windows.h>

namespace zel {

class THKEditLink final : public IVTEditLink {
public:
    THKEditLink() = default;
    // Frees the editor control.
    ~THKEditLink() override;
    THKEditLink(const THKEditLink&) = delete;
    THKEditLink& operator=(const THKEditLink&) = delete;

    // Shows the editor; column 1 drops its list down, the memo grows to four rows. The editor
    // gets the keyboard focus.
    bool BeginEdit() override;
    // Hides the editor; nothing is written.
    bool CancelEdit() override;
    // Writes the selected action, or the memo's text with CR LF line breaks, into the cell
    // through the table; repaints the row, hides the editor, gives the focus back to the table.
    bool EndEdit() override;
    // Remembers the cell and creates its editor, hidden, as a child of the table: for column 1
    // the list of ActionNames() with the cell's current action selected (the first one when the
    // cell holds none of them), otherwise a memo with the cell's text.
    bool PrepareEdit(TZelTable& Tree, TTreeData* Node, int Column) override;
    // The editor's rectangle in the table's client coordinates.
    RECT GetBounds() override;
    void ProcessMessage(MSG& Message) override;
    // Places the editor at R with its right edge on the right edge of the edited column.
    void SetBounds(RECT R) override;

private:
    // Esc asks the table to cancel the edit, swallows the key (set to 0) and gives the focus back
    // to the table; every other key, Enter included, goes to the editor unchanged.
    void EditorKeyDown(WPARAM& Key);
    void FreeEditor() noexcept;
    bool IsList() const noexcept { return FColumn == 1; }
    void Hide();

    static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR idSubclass,
        DWORD_PTR refData) noexcept;
    static LRESULT CALLBACK DroppedListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
        UINT_PTR idSubclass, DWORD_PTR refData) noexcept;

    TZelTable* FTree = nullptr;
    TTreeData* FNode = nullptr;
    int FColumn = -1;
    TWindowHandle FEdit;
    // The drop-down list's own window (a popup of the combo box), subclassed while it exists.
    HWND FDroppedList = nullptr;
};

} // namespace zel
