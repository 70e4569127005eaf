#include "hotkeys/ZelTreeCtrls.h"

#include "hotkeys/ActionCatalogue.h"
#include "platform/Boundary.h"
#include "platform/VisualStyles.h"
#include "platform/WideText.h"

#include <commctrl.h>
#include <windowsx.h>

namespace zel {
namespace {

// The text with every line break as CR LF (a lone CR or LF included), as the memo shows lines
// and as the committed text keeps them.
std::u16string WithCrLf(std::u16string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            result += u"\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            result += c;
        }
    }
    return result;
}

std::u16string ListItemText(HWND combo, int index)
{
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
        reinterpret_cast<LPARAM>(AsWideBuffer(text)));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

} // namespace

THKEditLink::~THKEditLink()
{
    FreeEditor();
}

void THKEditLink::FreeEditor() noexcept
{
    if (FDroppedList)
        RemoveWindowSubclass(FDroppedList, DroppedListProc, 0);
    FDroppedList = nullptr;
    if (FEdit)
        RemoveWindowSubclass(FEdit.get(), EditorProc, 0);
    FEdit.reset();
}

bool THKEditLink::PrepareEdit(TZelTable& Tree, TTreeData* Node, int Column)
{
    FreeEditor();
    FTree = &Tree;
    FNode = Node;
    FColumn = Column;
    const HWND table = Tree.Handle();
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(table, GWLP_HINSTANCE));
    const std::u16string text = Node ? Tree.GetText(*Node, Column) : std::u16string();
    const TVisualStylesScope visualStyles;
    if (IsList()) {
        FEdit.reset(CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 0, 0, table,
            nullptr, instance, nullptr));
        if (!FEdit)
            return false;
        SendMessageW(FEdit.get(), WM_SETFONT, SendMessageW(table, WM_GETFONT, 0, 0), FALSE);
        // The list opens on the row's current action, so that committing without a choice keeps
        // the action (and with it the row's settings).
        const std::vector<std::u16string>& names = ActionNames();
        int selected = -1;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::wstring name = ToWide(names[i]);
            SendMessageW(FEdit.get(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            if (selected < 0 && names[i] == text)
                selected = static_cast<int>(i);
        }
        SendMessageW(FEdit.get(), CB_SETCURSEL, static_cast<WPARAM>(selected < 0 ? 0 : selected), 0);
        SendMessageW(FEdit.get(), CB_SETMINVISIBLE, names.size(), 0);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(FEdit.get(), &info) && info.hwndList
            && SetWindowSubclass(info.hwndList, DroppedListProc, 0, reinterpret_cast<DWORD_PTR>(this)))
            FDroppedList = info.hwndList;
    } else {
        const std::wstring lines = ToWide(WithCrLf(text));
        FEdit.reset(CreateWindowExW(0, WC_EDITW, lines.c_str(),
            WS_CHILD | WS_BORDER | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 0, 0, 0, 0, table, nullptr, instance,
            nullptr));
        if (!FEdit)
            return false;
        SendMessageW(FEdit.get(), WM_SETFONT, SendMessageW(table, WM_GETFONT, 0, 0), FALSE);
    }
    SetWindowSubclass(FEdit.get(), EditorProc, 0, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

void THKEditLink::SetBounds(RECT R)
{
    R.right = FTree->ColumnRight(FColumn);
    int height = R.bottom - R.top;
    if (IsList()) {
        // A drop-down combo box's window height includes its dropped list: room for every item.
        const LRESULT item = SendMessageW(FEdit.get(), CB_GETITEMHEIGHT, 0, 0);
        const int count = static_cast<int>(SendMessageW(FEdit.get(), CB_GETCOUNT, 0, 0));
        if (item > 0 && count > 0)
            height += (count + 1) * static_cast<int>(item) + 2 * GetSystemMetrics(SM_CYBORDER);
    }
    SetWindowPos(FEdit.get(), HWND_TOP, R.left, R.top, R.right - R.left, height, SWP_NOACTIVATE);
}

RECT THKEditLink::GetBounds()
{
    RECT r{};
    GetWindowRect(FEdit.get(), &r);
    MapWindowPoints(HWND_DESKTOP, FTree->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool THKEditLink::BeginEdit()
{
    ShowWindow(FEdit.get(), SW_SHOW);
    if (IsList()) {
        SetFocus(FEdit.get());
        SendMessageW(FEdit.get(), CB_SHOWDROPDOWN, TRUE, 0);
    } else {
        // The memo covers four rows: the edited one and the three below it.
        const RECT r = GetBounds();
        SetWindowPos(FEdit.get(), nullptr, 0, 0, r.right - r.left, 4 * FTree->DefaultNodeHeight(),
            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetFocus(FEdit.get());
    }
    return true;
}

bool THKEditLink::EndEdit()
{
    std::u16string text;
    if (IsList()) {
        const LRESULT index = SendMessageW(FEdit.get(), CB_GETCURSEL, 0, 0);
        if (index != CB_ERR)
            text = ListItemText(FEdit.get(), static_cast<int>(index));
    } else {
        text = WithCrLf(WindowText(FEdit.get()));
    }
    FTree->SetText(FNode, FColumn, text);
    FTree->InvalidateNode(FNode);
    Hide();
    SetFocus(FTree->Handle());
    return true;
}

bool THKEditLink::CancelEdit()
{
    Hide();
    return true;
}

void THKEditLink::Hide()
{
    if (!FEdit)
        return;
    const bool hadFocus = GetFocus() == FEdit.get();
    if (IsList())
        SendMessageW(FEdit.get(), CB_SHOWDROPDOWN, FALSE, 0);
    ShowWindow(FEdit.get(), SW_HIDE);
    if (hadFocus)
        SetFocus(FTree->Handle());
}

void THKEditLink::ProcessMessage(MSG& Message)
{
    SendMessageW(FEdit.get(), Message.message, Message.wParam, Message.lParam);
}

void THKEditLink::EditorKeyDown(WPARAM& Key)
{
    if (Key != VK_ESCAPE)
        return;
    // The table keeps this link until a posted release, so the editor and the link outlive the
    // cancel while this key is being handled.
    FTree->CancelEditNode();
    Key = 0;
    SetFocus(FTree->Handle());
}

LRESULT CALLBACK THKEditLink::EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR idSubclass,
    DWORD_PTR refData) noexcept
try {
    auto self = reinterpret_cast<THKEditLink*>(refData);
    switch (message) {
    case WM_KEYDOWN:
        self->EditorKeyDown(wParam);
        if (wParam == 0)
            return 0; // swallowed
        break;
    case WM_CHAR:
        if (wParam == VK_ESCAPE)
            return 0; // the character of the Esc that cancelled the edit
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, EditorProc, idSubclass);
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
ZEL_CATCH_SILENT_RETURN(0)

// The combo box's dropped list. With the list dropped it holds the mouse capture, and a click
// outside it only closes it; a click on the table is handed on to the table after the list has
// closed, so that a click on another row commits the edit as it does with the list closed.
LRESULT CALLBACK THKEditLink::DroppedListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
    UINT_PTR idSubclass, DWORD_PTR refData) noexcept
try {
    auto self = reinterpret_cast<THKEditLink*>(refData);
    switch (message) {
    case WM_KEYDOWN:
        self->EditorKeyDown(wParam);
        if (wParam == 0)
            return 0; // swallowed
        break;
    case WM_LBUTTONDOWN: {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client{};
        GetClientRect(window, &client);
        if (!PtInRect(&client, point) && self->FTree) {
            ClientToScreen(window, &point);
            const HWND table = self->FTree->Handle();
            if (table && WindowFromPoint(point) == table) {
                ScreenToClient(table, &point);
                PostMessageW(table, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
            }
        }
        break;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, DroppedListProc, idSubclass);
        self->FDroppedList = nullptr;
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
ZEL_CATCH_SILENT_RETURN(0)

} // namespace zel
