#include "hotkeys/ZelTable.h"

#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/VisualStyles.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cwchar>
#include <optional>

#include <commctrl.h>
#include <windowsx.h>

namespace zel {
namespace {

constexpr int RowHeight = 18;
// The timer that starts the table's own editor a double-click time after a click on the cell
// that already had the focus (so that a double click starts nothing).
constexpr UINT_PTR EditTimerId = 0x5A45;

using TImageList = TUniqueHandle<HIMAGELIST, ImageList_Destroy>;

HINSTANCE InstanceOf(HWND window) noexcept
{
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

// A rectangle of a window in the client coordinates of its parent.
RECT BoundsInParent(HWND window) noexcept
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The table's own editor: a single-line edit box over the cell. Enter commits, Esc cancels; the
// text is written only when the user changed it.
class TStringEditLink final : public IVTEditLink {
public:
    TStringEditLink() = default;
    ~TStringEditLink() override { FreeEditor(); }
    TStringEditLink(const TStringEditLink&) = delete;
    TStringEditLink& operator=(const TStringEditLink&) = delete;

    bool PrepareEdit(TZelTable& tree, TTreeData* node, int column) override
    {
        FreeEditor();
        FTree = &tree;
        FNode = node;
        FColumn = column;
        const std::wstring text = node ? ToWide(tree.GetText(*node, column)) : std::wstring();
        const TVisualStylesScope visualStyles;
        FEdit.reset(CreateWindowExW(0, WC_EDITW, text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 0,
            tree.Handle(), nullptr, InstanceOf(tree.Handle()), nullptr));
        if (!FEdit)
            return false;
        SendMessageW(FEdit.get(), WM_SETFONT, SendMessageW(tree.Handle(), WM_GETFONT, 0, 0), FALSE);
        SetWindowSubclass(FEdit.get(), EditorProc, 0, reinterpret_cast<DWORD_PTR>(this));
        return true;
    }

    bool BeginEdit() override
    {
        ShowWindow(FEdit.get(), SW_SHOW);
        SetFocus(FEdit.get());
        SendMessageW(FEdit.get(), EM_SETSEL, 0, -1);
        return true;
    }

    bool EndEdit() override
    {
        if (SendMessageW(FEdit.get(), EM_GETMODIFY, 0, 0))
            FTree->SetText(FNode, FColumn, WindowText(FEdit.get()));
        Hide();
        return true;
    }

    bool CancelEdit() override
    {
        Hide();
        return true;
    }

    RECT GetBounds() override { return BoundsInParent(FEdit.get()); }

    void ProcessMessage(MSG& message) override
    {
        SendMessageW(FEdit.get(), message.message, message.wParam, message.lParam);
    }

    void SetBounds(RECT r) override
    {
        SetWindowPos(FEdit.get(), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    }

private:
    void Hide()
    {
        const bool hadFocus = GetFocus() == FEdit.get();
        ShowWindow(FEdit.get(), SW_HIDE);
        if (hadFocus)
            SetFocus(FTree->Handle());
    }

    void FreeEditor() noexcept
    {
        if (FEdit)
            RemoveWindowSubclass(FEdit.get(), EditorProc, 0);
        FEdit.reset();
    }

    static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
        DWORD_PTR refData) noexcept
    try {
        auto self = reinterpret_cast<TStringEditLink*>(refData);
        switch (message) {
        case WM_GETDLGCODE:
            return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            // The table keeps the link until its posted release, so ending the edit here leaves
            // this window and the link alive for the rest of this message.
            if (wParam == VK_RETURN) {
                self->FTree->EndEditNode();
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                self->FTree->CancelEditNode();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L'\r' || wParam == 27)
                return 0; // no beep for the keys that ended the edit
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
    ZEL_CATCH_SILENT_RETURN(0)

    TZelTable* FTree = nullptr;
    TTreeData* FNode = nullptr;
    int FColumn = -1;
    TWindowHandle FEdit;
};

} // namespace

class TZelTable::TImpl final : public ITableColumns {
public:
    TImpl(TZelTable& owner, HWND parent, int controlId, THotKeyRows& rows, const std::vector<TColumnSpec>& columns,
          std::u16string name)
        : FOwner(owner), FParent(parent), FRows(rows), FName(std::move(name)),
          FReleaseMessage(RegisterWindowMessageW(L"ZelTableReleaseEditLinks"))
    {
        // The add-in's controls are those of its own manifest, whatever the host's.
        const TVisualStylesScope visualStyles;
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&classes);
        // The parent is subclassed before the list view exists, so that the notification-format
        // query of the list view's creation is answered too.
        if (!SetWindowSubclass(FParent, ParentProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
            throw EOSError(u"Cannot attach the table to its parent window", GetLastError());
        FList = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL
                | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
            0, 0, 0, 0, FParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), InstanceOf(FParent), nullptr);
        if (!FList) {
            const DWORD error = GetLastError();
            RemoveWindowSubclass(FParent, ParentProc, reinterpret_cast<UINT_PTR>(this));
            throw EOSError(u"Cannot create the table's list view", error);
        }
        try {
            SetUp(columns);
        } catch (...) {
            DestroyWindow(FList);
            RemoveWindowSubclass(FParent, ParentProc, reinterpret_cast<UINT_PTR>(this));
            throw;
        }
    }

    void SetUp(const std::vector<TColumnSpec>& columns)
    {
        SetWindowSubclass(FList, ListProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));
        SendMessageW(FList, CCM_SETUNICODEFORMAT, TRUE, 0);
        FHeader = ListView_GetHeader(FList);
        ListView_SetExtendedListViewStyleEx(FList, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER,
            LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
        for (size_t i = 0; i < columns.size(); ++i) {
            std::wstring caption = ToWide(columns[i].Caption);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.pszText = caption.data();
            column.cx = std::clamp(columns[i].Width, MinColumnWidth, MaxColumnWidth);
            column.iSubItem = static_cast<int>(i);
            SendMessageW(FList, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        FColumnCount = static_cast<int>(columns.size());
        SetRowHeight();
        ShowRows();
    }

    // The rows are as high as the small images (one pixel wide), plus whatever the list view
    // adds to an image's height: that is measured on one row, and the images made that much
    // lower, so that a row is RowHeight high.
    void SetRowHeight()
    {
        auto useImages = [this](int height) {
            TImageList images(ImageList_Create(1, height, ILC_COLOR24, 0, 1));
            ListView_SetImageList(FList, images.get(), LVSIL_SMALL);
            FImages = std::move(images);
        };
        useImages(RowHeight);
        ListView_SetItemCountEx(FList, 1, LVSICF_NOSCROLL);
        RECT row{};
        if (ListView_GetItemRect(FList, 0, &row, LVIR_BOUNDS)) {
            const int added = row.bottom - row.top - RowHeight;
            if (added != 0 && RowHeight - added > 0)
                useImages(RowHeight - added);
        }
    }

    ~TImpl() override
    {
        try {
            ReleaseEditing();
        } catch (...) {
            // A failing editor must not stop the table's destruction.
        }
        if (FList) {
            RemoveWindowSubclass(FList, ListProc, reinterpret_cast<UINT_PTR>(this));
            DestroyWindow(FList);
            FList = nullptr;
        }
        if (FParent)
            RemoveWindowSubclass(FParent, ParentProc, reinterpret_cast<UINT_PTR>(this));
    }

    TImpl(const TImpl&) = delete;
    TImpl& operator=(const TImpl&) = delete;

    // ---- ITableColumns: index order; every width set is limited.

    int ColumnCount() const override { return FHeader ? Header_GetItemCount(FHeader) : 0; }
    int ColumnWidth(int index) const override { return ListView_GetColumnWidth(FList, index); }
    void SetColumnWidth(int index, int width) override
    {
        ListView_SetColumnWidth(FList, index, std::clamp(width, MinColumnWidth, MaxColumnWidth));
    }

    // ---- Rows and focus.

    int IndexOf(const TTreeData* node) const noexcept
    {
        if (!node)
            return -1;
        const size_t count = FRows.Count();
        for (size_t i = 0; i < count; ++i)
            if (&FRows[i] == node)
                return static_cast<int>(i);
        return -1;
    }

    TTreeData* FocusedNode() const noexcept { return IndexOf(FFocusRow) >= 0 ? FFocusRow : nullptr; }

    // Shows the rows anew: their count, the selection on the focused row, every cell repainted.
    void ShowRows()
    {
        if (!FList)
            return;
        if (IndexOf(FFocusRow) < 0)
            FFocusRow = nullptr;
        ListView_SetItemCountEx(FList, static_cast<int>(FRows.Count()), LVSICF_NOSCROLL);
        ShowSelection();
        InvalidateRect(FList, nullptr, TRUE);
    }

    // The list view's selection follows the focused row (one row at most).
    void ShowSelection()
    {
        const int index = IndexOf(FFocusRow);
        if (index == FSelectedIndex)
            return;
        ListView_SetItemState(FList, -1, 0, LVIS_SELECTED);
        if (index >= 0)
            ListView_SetItemState(FList, index, LVIS_SELECTED, LVIS_SELECTED);
        FSelectedIndex = index;
    }

    void InvalidateRow(int index)
    {
        if (index < 0 || !FList)
            return;
        RECT r{};
        if (ListView_GetItemRect(FList, index, &r, LVIR_BOUNDS))
            InvalidateRect(FList, &r, TRUE);
    }

    // Moves the focus to the cell: an open edit is committed when the row changes and cancelled
    // when only the column changes.
    void FocusCell(TTreeData* node, int column)
    {
        if (IndexOf(node) < 0)
            node = nullptr;
        column = std::clamp(column, 0, std::max(FColumnCount - 1, 0));
        if (node != FFocusRow)
            EndEditing(true);
        else if (column != FFocusColumn)
            EndEditing(false);
        const int old = IndexOf(FFocusRow);
        FFocusRow = node;
        FFocusColumn = column;
        ShowSelection();
        InvalidateRow(old);
        const int index = IndexOf(node);
        InvalidateRow(index);
        if (index >= 0)
            ListView_EnsureVisible(FList, index, FALSE);
    }

    // ---- Editing.

    bool IsEditing() const noexcept { return FLink != nullptr; }

    bool EditNode(TTreeData* node, int column)
    {
        const int index = IndexOf(node);
        if (index < 0 || column < 0 || column >= FColumnCount || !FList)
            return false;
        StopEditTimer();
        EndEditing(false);
        if (node != FFocusRow || column != FFocusColumn) {
            const int old = IndexOf(FFocusRow);
            FFocusRow = node;
            FFocusColumn = column;
            ShowSelection();
            InvalidateRow(old);
            InvalidateRow(index);
        }
        ListView_EnsureVisible(FList, index, FALSE);
        std::unique_ptr<IVTEditLink> link;
        if (FOwner.OnCreateEditor)
            link = FOwner.OnCreateEditor(node, column);
        if (!link)
            link = std::make_unique<TStringEditLink>();
        if (!link->PrepareEdit(FOwner, node, column)) {
            Retire(std::move(link));
            return false;
        }
        FLink = std::move(link);
        FLink->SetBounds(CellRect(index, column));
        if (!FLink->BeginEdit()) {
            EndEditing(false);
            return false;
        }
        return true;
    }

    // Ends the open edit. The link is taken from the table first, so that whatever the link or
    // the new-text handler calls on the table meanwhile finds no edit open; it is released
    // later, by a posted message, because the call may come from the editor's own window
    // procedure (Esc or Enter in the editor), which must not destroy its window and the link
    // under its own feet.
    bool EndEditing(bool commit)
    {
        if (!FLink)
            return false;
        std::unique_ptr<IVTEditLink> link = std::move(FLink);
        if (commit)
            link->EndEdit();
        else
            link->CancelEdit();
        // A hidden editor must not keep the keyboard.
        const HWND focus = GetFocus();
        if (FList && focus && focus != FList && IsChild(FList, focus))
            SetFocus(FList);
        Retire(std::move(link));
        return true;
    }

    void Retire(std::unique_ptr<IVTEditLink> link)
    {
        FRetired.push_back(std::move(link));
        if (FList && !FReleasePosted && PostMessageW(FList, FReleaseMessage, 0, 0))
            FReleasePosted = true;
    }

    // Cancels an open edit and frees every link, when the table or its window goes.
    void ReleaseEditing()
    {
        StopEditTimer();
        EndEditing(false);
        FRetired.clear();
    }

    void StartEditTimer(TTreeData* node, int column)
    {
        FPendingEditRow = node;
        FPendingEditColumn = column;
        SetTimer(FList, EditTimerId, GetDoubleClickTime(), nullptr);
    }

    void StopEditTimer() noexcept
    {
        if (FList && FPendingEditRow)
            KillTimer(FList, EditTimerId);
        FPendingEditRow = nullptr;
        FPendingEditColumn = -1;
    }

    void EditTimerElapsed()
    {
        TTreeData* node = FPendingEditRow;
        const int column = FPendingEditColumn;
        StopEditTimer();
        KillTimer(FList, EditTimerId);
        if (node && node == FFocusRow && column == FFocusColumn && IndexOf(node) >= 0 && !IsEditing())
            EditNode(node, column);
    }

    // ---- Geometry, in the list view's client coordinates.

    RECT ColumnBounds(int column) const
    {
        RECT r{};
        if (!FHeader || !Header_GetItemRect(FHeader, column, &r))
            return {};
        MapWindowPoints(FHeader, FList, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    RECT CellRect(int index, int column) const
    {
        RECT row{};
        if (index < 0 || column < 0 || column >= FColumnCount || !ListView_GetItemRect(FList, index, &row, LVIR_BOUNDS))
            return {};
        const RECT c = ColumnBounds(column);
        return {c.left, row.top, c.right, row.bottom};
    }

    std::vector<int> ColumnOrder() const
    {
        std::vector<int> order(static_cast<size_t>(FColumnCount));
        if (!order.empty() && !ListView_GetColumnOrderArray(FList, FColumnCount, order.data()))
            for (int i = 0; i < FColumnCount; ++i)
                order[static_cast<size_t>(i)] = i;
        return order;
    }

    // ---- Mouse and keyboard.

    // A click into the list view's client area. The list view never sees the button: the table
    // keeps the focus and the selection itself.
    void MouseDown(POINT point, bool doubleClick)
    {
        StopEditTimer();
        if (GetFocus() != FList)
            SetFocus(FList);
        LVHITTESTINFO hit{};
        hit.pt = point;
        SendMessageW(FList, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem < 0 || hit.iItem >= static_cast<int>(FRows.Count()) || !(hit.flags & LVHT_ONITEM)
            || hit.iSubItem < 0 || hit.iSubItem >= FColumnCount) {
            // Below the rows or beside the columns: the click leaves the editor, which commits.
            EndEditing(true);
            return;
        }
        TTreeData* node = &FRows[static_cast<size_t>(hit.iItem)];
        const int column = hit.iSubItem;
        const bool wasFocused = node == FFocusRow && column == FFocusColumn;
        FocusCell(node, column);
        if (FOwner.OnColumnClick)
            FOwner.OnColumnClick(column);
        if (wasFocused && !doubleClick && !IsEditing() && node == FFocusRow && column == FFocusColumn)
            StartEditTimer(node, column);
    }

    bool KeyDown(WPARAM key)
    {
        const int count = static_cast<int>(FRows.Count());
        const int index = IndexOf(FFocusRow);
        auto toRow = [&](int target) {
            if (count > 0)
                FocusCell(&FRows[static_cast<size_t>(std::clamp(target, 0, count - 1))], FFocusColumn);
        };
        const int page = std::max(ListView_GetCountPerPage(FList), 1);
        switch (key) {
        case VK_UP: toRow(index < 0 ? 0 : index - 1); return true;
        case VK_DOWN: toRow(index < 0 ? 0 : index + 1); return true;
        case VK_PRIOR: toRow(index - page); return true;
        case VK_NEXT: toRow(index < 0 ? page - 1 : index + page); return true;
        case VK_HOME: toRow(0); return true;
        case VK_END: toRow(count - 1); return true;
        case VK_LEFT:
        case VK_RIGHT: {
            // Left and right follow the columns as they are shown, after dragging too.
            const std::vector<int> order = ColumnOrder();
            auto at = std::find(order.begin(), order.end(), FFocusColumn);
            if (at == order.end())
                return true;
            if (key == VK_LEFT && at != order.begin())
                --at;
            else if (key == VK_RIGHT && at + 1 != order.end())
                ++at;
            if (FFocusRow)
                FocusCell(FFocusRow, *at);
            else
                FFocusColumn = *at;
            return true;
        }
        case VK_F2:
            if (FocusedNode())
                EditNode(FFocusRow, FFocusColumn);
            return true;
        case VK_SPACE:
            return true; // the list view would toggle the selection
        default:
            return false;
        }
    }

    // ---- Column widths.

    void ClampColumn(int column)
    {
        if (FClamping || column < 0 || column >= ColumnCount())
            return;
        const int width = ColumnWidth(column);
        if (width >= MinColumnWidth && width <= MaxColumnWidth)
            return;
        FClamping = true;
        SetColumnWidth(column, width);
        FClamping = false;
    }

    static void ClampWidthInPlace(NMHEADERW* header) noexcept
    {
        if (header->pitem && (header->pitem->mask & HDI_WIDTH))
            header->pitem->cxy = std::clamp(header->pitem->cxy, MinColumnWidth, MaxColumnWidth);
    }

    // ---- Messages.

    LRESULT ListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == FReleaseMessage && FReleaseMessage != 0) {
            FReleasePosted = false;
            FRetired.clear();
            return 0;
        }
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN: {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
                MouseDown(point, message == WM_LBUTTONDBLCLK);
            else if (GetFocus() != FList)
                SetFocus(FList);
            return 0;
        }
        case WM_KEYDOWN:
            if (KeyDown(wParam))
                return 0;
            break;
        case WM_CHAR:
            return 0; // no incremental search: it would move the list view's selection
        case WM_TIMER:
            if (wParam == EditTimerId) {
                EditTimerElapsed();
                return 0;
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            InvalidateRow(IndexOf(FFocusRow));
            return result;
        }
        case LVM_SETCOLUMNORDERARRAY:
            EndEditing(false); // a column moved
            break;
        case WM_NOTIFY:
            if (FHeader && reinterpret_cast<NMHDR*>(lParam)->hwndFrom == FHeader)
                return HeaderNotify(window, message, wParam, lParam);
            break;
        case WM_DESTROY:
            ReleaseEditing();
            break;
        case WM_NCDESTROY: {
            RemoveWindowSubclass(window, ListProc, reinterpret_cast<UINT_PTR>(this));
            FList = nullptr;
            FHeader = nullptr;
            return DefSubclassProc(window, message, wParam, lParam);
        }
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    LRESULT HeaderNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto header = reinterpret_cast<NMHEADERW*>(lParam);
        switch (header->hdr.code) {
        case HDN_ITEMCHANGINGA:
        case HDN_ITEMCHANGINGW:
        case HDN_TRACKA:
        case HDN_TRACKW:
            // The header takes the changed width where it can; where it does not, the change
            // is put right once it has happened.
            ClampWidthInPlace(header);
            break;
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW:
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW: {
            const int column = header->iItem;
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            ClampColumn(column);
            return result;
        }
        case HDN_ENDDRAG:
            EndEditing(false); // a column moved
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    LRESULT ParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_NOTIFYFORMAT:
            if (lParam == NF_QUERY && (!FList || reinterpret_cast<HWND>(wParam) == FList))
                return NFR_UNICODE;
            break;
        case WM_NOTIFY: {
            auto header = reinterpret_cast<NMHDR*>(lParam);
            if (FList && header->hwndFrom == FList)
                if (std::optional<LRESULT> answer = ListNotify(header))
                    return *answer;
            break;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, ParentProc, reinterpret_cast<UINT_PTR>(this));
            FParent = nullptr;
            return DefSubclassProc(window, message, wParam, lParam);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    std::optional<LRESULT> ListNotify(NMHDR* header)
    {
        switch (header->code) {
        case LVN_GETDISPINFOW: {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                std::u16string text;
                if (item.iItem >= 0 && static_cast<size_t>(item.iItem) < FRows.Count())
                    text = FOwner.GetText(FRows[static_cast<size_t>(item.iItem)], item.iSubItem);
                const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
                std::wmemcpy(item.pszText, AsWide(text).data(), length);
                item.pszText[length] = L'\0';
            }
            if (item.mask & LVIF_IMAGE)
                item.iImage = I_IMAGENONE;
            return 0;
        }
        case NM_CUSTOMDRAW:
            return CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        case LVN_COLUMNCLICK: {
            const int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
            StopEditTimer();
            EndEditing(true);
            if (FOwner.OnHeaderClick)
                FOwner.OnHeaderClick(column);
            return 0;
        }
        case LVN_ODFINDITEMW:
            return -1;
        }
        return std::nullopt;
    }

    // The focused row (the selection) and a row under a drop marker are painted in the
    // selection colour with white text, whether the table has the focus or not; the focused
    // cell gets a focus rectangle while the table has the keyboard.
    LRESULT CustomDraw(NMLVCUSTOMDRAW* draw)
    {
        switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            Colour(draw);
            return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT | CDRF_NEWFONT;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            Colour(draw);
            return CDRF_NEWFONT;
        case CDDS_ITEMPOSTPAINT: {
            const int index = static_cast<int>(draw->nmcd.dwItemSpec);
            if (index == IndexOf(FFocusRow) && GetFocus() == FList) {
                RECT cell = CellRect(index, FFocusColumn);
                if (cell.right > cell.left) {
                    InflateRect(&cell, -1, -1);
                    SetTextColor(draw->nmcd.hdc, RGB(255, 255, 255));
                    SetBkColor(draw->nmcd.hdc, TableSelectionColor);
                    DrawFocusRect(draw->nmcd.hdc, &cell);
                }
            }
            return CDRF_DODEFAULT;
        }
        }
        return CDRF_DODEFAULT;
    }

    void Colour(NMLVCUSTOMDRAW* draw) const
    {
        const int index = static_cast<int>(draw->nmcd.dwItemSpec);
        // The drop marker as the list view reports it for this drawing (asking it by
        // LVM_GETITEMSTATE would not do: Wine answers an owner-data list view's state with
        // whatever its stack held).
        const bool marked = index == IndexOf(FFocusRow) || (draw->nmcd.uItemState & CDIS_DROPHILITED) != 0;
        // The list view's own selection colours are kept out.
        draw->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        draw->clrText = marked ? RGB(255, 255, 255) : GetSysColor(COLOR_WINDOWTEXT);
        draw->clrTextBk = marked ? TableSelectionColor : GetSysColor(COLOR_WINDOW);
    }

    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
        DWORD_PTR refData) noexcept
    try {
        return reinterpret_cast<TImpl*>(refData)->ListMessage(window, message, wParam, lParam);
    }
    ZEL_CATCH_SILENT_RETURN(0)

    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
        DWORD_PTR refData) noexcept
    try {
        return reinterpret_cast<TImpl*>(refData)->ParentMessage(window, message, wParam, lParam);
    }
    ZEL_CATCH_SILENT_RETURN(0)

    TZelTable& FOwner;
    HWND FParent;
    HWND FList = nullptr;
    HWND FHeader = nullptr;
    THotKeyRows& FRows;
    std::u16string FName;
    int FColumnCount = 0;
    TImageList FImages;
    UINT FReleaseMessage;
    bool FReleasePosted = false;
    bool FClamping = false;
    int FSelectedIndex = -1;
    TTreeData* FFocusRow = nullptr;
    int FFocusColumn = 0;
    std::unique_ptr<IVTEditLink> FLink;
    // Links whose edit has ended, freed by the posted release message.
    std::vector<std::unique_ptr<IVTEditLink>> FRetired;
    TTreeData* FPendingEditRow = nullptr;
    int FPendingEditColumn = -1;
};

TZelTable::TZelTable(HWND parent, int controlId, THotKeyRows& rows, const std::vector<TColumnSpec>& columns,
                     std::u16string name)
{
    FImpl = std::make_unique<TImpl>(*this, parent, controlId, rows, columns, std::move(name));
}

TZelTable::~TZelTable() = default;

HWND TZelTable::Handle() const noexcept { return FImpl->FList; }
const std::u16string& TZelTable::Name() const noexcept { return FImpl->FName; }
THotKeyRows& TZelTable::Rows() noexcept { return FImpl->FRows; }

void TZelTable::SetBounds(const RECT& bounds)
{
    if (FImpl->FList)
        MoveWindow(FImpl->FList, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
}

TTreeData& TZelTable::AddRow()
{
    FImpl->StopEditTimer();
    FImpl->EndEditing(false);
    TTreeData& row = FImpl->FRows.Add();
    FImpl->ShowRows();
    return row;
}

void TZelTable::DeleteRow(TTreeData* node)
{
    const int index = FImpl->IndexOf(node);
    if (index < 0)
        return;
    FImpl->StopEditTimer();
    FImpl->EndEditing(false);
    if (FImpl->FFocusRow == node)
        FImpl->FFocusRow = nullptr;
    FImpl->FRows.Delete(static_cast<size_t>(index));
    FImpl->FSelectedIndex = -2; // the indexes after the removed row moved
    FImpl->ShowRows();
}

void TZelTable::Clear()
{
    FImpl->StopEditTimer();
    FImpl->EndEditing(false);
    FImpl->FFocusRow = nullptr;
    FImpl->FRows.Clear();
    FImpl->FSelectedIndex = -2;
    FImpl->ShowRows();
}

void TZelTable::RowsChanged()
{
    FImpl->StopEditTimer();
    FImpl->EndEditing(false);
    FImpl->FSelectedIndex = -2; // the focused row may sit at another index now
    FImpl->ShowRows();
}

void TZelTable::InvalidateNode(const TTreeData* node) { FImpl->InvalidateRow(FImpl->IndexOf(node)); }

TTreeData* TZelTable::FocusedNode() const { return FImpl->FocusedNode(); }
int TZelTable::FocusedColumn() const noexcept { return FImpl->FFocusColumn; }
void TZelTable::SetFocusedCell(TTreeData* node, int column) { FImpl->FocusCell(node, column); }
int TZelTable::IndexOf(const TTreeData* node) const noexcept { return FImpl->IndexOf(node); }

std::u16string TZelTable::GetText(const TTreeData& node, int column) const { return VSTGetText(node, column); }

void TZelTable::SetText(TTreeData* node, int column, std::u16string_view text)
{
    // An edit may outlive its row (removed behind the table's back): its text goes nowhere.
    if (FImpl->IndexOf(node) < 0)
        return;
    if (OnNewText)
        OnNewText(*node, column, text);
    InvalidateNode(node);
}

bool TZelTable::EditNode(TTreeData* node, int column) { return FImpl->EditNode(node, column); }
bool TZelTable::EndEditNode() { return FImpl->EndEditing(true); }
bool TZelTable::CancelEditNode() { return FImpl->EndEditing(false); }
bool TZelTable::IsEditing() const noexcept { return FImpl->IsEditing(); }
IVTEditLink* TZelTable::EditLink() const noexcept { return FImpl->FLink.get(); }

RECT TZelTable::CellRect(const TTreeData* node, int column) const
{
    return FImpl->CellRect(FImpl->IndexOf(node), column);
}

int TZelTable::ColumnRight(int column) const { return FImpl->ColumnBounds(column).right; }
int TZelTable::DefaultNodeHeight() const noexcept { return RowHeight; }
ITableColumns& TZelTable::Columns() noexcept { return *FImpl; }
std::vector<int> TZelTable::ColumnOrder() const { return FImpl->ColumnOrder(); }

} // namespace zel
