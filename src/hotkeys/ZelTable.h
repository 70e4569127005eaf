// The table control of the settings window: a report-mode list view of the common controls that
// shows the rows of a THotKeyRows (one TTreeData per row, text from VSTGetText), with full-row
// selection, a focused cell, columns that are resized by dragging or double-clicking the header
// edge (limited to MinColumnWidth..MaxColumnWidth) and reordered by dragging, the selection colour
// $BB8E60, and in-place editing through an edit link.
//
// Editing. EditNode asks OnCreateEditor for a link; without one the table uses its own
// single-line editor. The table calls the link in this order: PrepareEdit, SetBounds (the cell's
// rectangle), BeginEdit; then EndEdit to commit or CancelEdit to drop the edit, and releases the
// link. A committed text reaches OnNewText through SetText. The table commits an open edit when
// the focus moves to another row and before a header click is handled; it cancels it when the
// focused column changes within the row, when a row is added or removed, when the rows are
// reloaded or cleared and when a column is moved. A text is never written into a row that is no
// longer in the table.
//
// Mouse and keys. A click on a cell moves the focus there (with the commit or cancel above), then
// raises OnColumnClick; a click beside or below the rows commits an open edit. A click on the
// cell that already had the focus, when it started no edit, starts one a double-click time later
// (a double click starts none): that is how the table's own editor opens. Up, Down, Page Up, Page
// Down, Home and End move the focused row; Left and Right move the focused column in display
// order; F2 edits the focused cell. The own editor commits on Enter and cancels on Esc.
//
// The table receives the list view's notifications by subclassing its parent window; the parent
// forwards nothing.
#pragma once

#include "hotkeys/HotKeyTable.h"
#include "hotkeys/ZelTree.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace zel {

class TZelTable;

// An in-place editor as the table drives it. The table holds the link it was given for one edit
// and releases it when the edit has ended.
class IVTEditLink {
public:
    virtual ~IVTEditLink() = default;
    virtual bool BeginEdit() = 0;
    virtual bool CancelEdit() = 0;
    virtual bool EndEdit() = 0;
    virtual bool PrepareEdit(TZelTable& Tree, TTreeData* Node, int Column) = 0;
    virtual RECT GetBounds() = 0;
    // A message that the table hands over to the editor control's own handling.
    virtual void ProcessMessage(MSG& Message) = 0;
    virtual void SetBounds(RECT R) = 0;
};

class TZelTable {
public:
    struct TColumnSpec {
        std::u16string Caption;
        int Width = 160;
    };

    // Creates the list view as a child of parent (visible, at 0,0 with no size until SetBounds),
    // showing rows. The table's name keys its column widths in the store.
    TZelTable(HWND parent, int controlId, THotKeyRows& rows, const std::vector<TColumnSpec>& columns,
              std::u16string name = u"ItemsVST");
    // Cancels an open edit and destroys the list view (if its window still exists).
    ~TZelTable();
    TZelTable(const TZelTable&) = delete;
    TZelTable& operator=(const TZelTable&) = delete;

    HWND Handle() const noexcept;
    const std::u16string& Name() const noexcept;
    THotKeyRows& Rows() noexcept;
    void SetBounds(const RECT& bounds);

    // Rows. Each of these cancels an open edit first.
    // Appends a row at the end and shows it; the caller fills it in.
    TTreeData& AddRow();
    // Removes the row (nothing when it is not in the table).
    void DeleteRow(TTreeData* node);
    void Clear();
    // The rows were replaced or reordered outside the table (loaded, sorted): shows them anew,
    // keeping the focus on the same row record when it is still there.
    void RowsChanged();
    void InvalidateNode(const TTreeData* node);

    // The focused row (nullptr when none) and the focused column (the cell with the focus).
    TTreeData* FocusedNode() const;
    int FocusedColumn() const noexcept;
    void SetFocusedCell(TTreeData* node, int column);
    // The index of a row in display order, -1 when it is not in the table.
    int IndexOf(const TTreeData* node) const noexcept;

    // Text of a cell (VSTGetText) and the commit of a new text: SetText raises OnNewText, unless
    // the row is no longer in the table.
    std::u16string GetText(const TTreeData& node, int column) const;
    void SetText(TTreeData* node, int column, std::u16string_view text);

    // Editing: EditNode starts an edit of the cell now (ending an open edit first by cancelling
    // it); false when no edit could be started.
    bool EditNode(TTreeData* node, int column);
    bool EndEditNode();    // commits the open edit; false when none is open
    bool CancelEditNode(); // drops the open edit; false when none is open
    bool IsEditing() const noexcept;
    IVTEditLink* EditLink() const noexcept;

    // Geometry for editors, in the list view's client coordinates.
    RECT CellRect(const TTreeData* node, int column) const;
    // The right edge of the column as the header reports it.
    int ColumnRight(int column) const;
    // The height of a row: 18 pixels.
    int DefaultNodeHeight() const noexcept;

    // The columns for the width routines (index order, not display order), widths limited to
    // MinColumnWidth..MaxColumnWidth.
    ITableColumns& Columns() noexcept;
    // Column indexes in display order (the header's order after columns were dragged).
    std::vector<int> ColumnOrder() const;

    // Events, skipped when unset. OnColumnClick: a cell of the column was clicked, after the
    // focus moved there. OnHeaderClick: the header of the column was clicked (after an open edit
    // was committed). OnCreateEditor: the link for an edit, or nullptr for the table's own
    // single-line editor. OnNewText: a committed edit.
    std::function<void(int Column)> OnColumnClick;
    std::function<void(int Column)> OnHeaderClick;
    std::function<std::unique_ptr<IVTEditLink>(TTreeData* Node, int Column)> OnCreateEditor;
    std::function<void(TTreeData& Node, int Column, std::u16string_view NewText)> OnNewText;

private:
    class TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// The selection, focus and drop-marker colour of the table: $BB8E60 (red 96, green 142, blue 187).
inline constexpr COLORREF TableSelectionColor = RGB(96, 142, 187);

} // namespace zel
