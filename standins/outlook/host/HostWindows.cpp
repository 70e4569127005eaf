#include "standins/outlook/host/HostWindows.h"

#include "outlook/LateBinding.h"
#include "platform/Boundary.h"
#include "platform/Exceptions.h"

#include <algorithm>
#include <vector>

#include <windowsx.h>

namespace zel::standin::host {

namespace {

constexpr int ToolStripFirstId = 1000;  // + the button's index in the command bar's controls
constexpr int NewButtonId = 999;
constexpr int TreeId = 10, PathId = 11, ItemsId = 12, StatusId = 13;
constexpr int BodyId = 20;

const wchar_t* const ExplorerClass = L"StandinOutlookExplorer";
const wchar_t* const InspectorClass = L"StandinOutlookInspector";
const wchar_t* const ProductName = L"Stand-in Outlook";

TFontHandle MessageFont(bool bold)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    if (bold)
        metrics.lfMessageFont.lfWeight = FW_BOLD;
    return TFontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void RegisterClassOnce(const wchar_t* name, WNDPROC proc)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &existing))
        return;
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = proc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    c.lpszClassName = name;
    RegisterClassExW(&c);
}

// A 16x16 image of the button's face (its pixels scaled to 16x16 when it has another size).
TBitmapHandle FaceBitmap(const TStandinButton& button)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return {};
    auto* out = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int sx = x * button.FaceWidth / 16, sy = y * button.FaceHeight / 16;
            out[y * 16 + x] = button.FacePixels[static_cast<size_t>(sy * button.FaceWidth + sx)] | 0xFF000000u;
        }
    return bitmap;
}

} // namespace

TMessageFields ReadMessageFields(IDispatch* item) noexcept
{
    TMessageFields fields;
    if (!item)
        return fields;
    try {
        fields.Subject = OleGet(item, L"Subject").AsString();
        fields.IsMessage = true;
        auto names = [&](const wchar_t* collection, const wchar_t* property) {
            std::wstring joined;
            const TOleVariant list = OleGet(item, collection);
            const std::int32_t count = OleGet(list, L"Count").AsInteger();
            for (std::int32_t i = 1; i <= count; ++i) {
                if (!joined.empty())
                    joined += L"; ";
                joined += OleGet(OleCall(list, L"Item", {TOleVariant(i)}), property).AsString();
            }
            return joined;
        };
        fields.To = names(L"Recipients", L"Name");
        fields.Attachments = names(L"Attachments", L"DisplayName");
    } catch (...) {
        // an item without these members shows what could be read
    }
    return fields;
}

// ---- THostWindow

THostWindow::~THostWindow() { Destroy(); }

void THostWindow::Create(const wchar_t* className, const std::wstring& caption, const RECT& bounds)
{
    RegisterClassOnce(className, WindowProc);
    FFont = MessageFont(false);
    FBoldFont = MessageFont(true);
    FSuppressActivation = true;
    CreateWindowExW(0, className, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                    this);
    if (!FHandle)
        throw EOSError(u"The window cannot be created.", GetLastError());
    Created();
    RECT client;
    GetClientRect(Handle(), &client);
    Layout(client.right, client.bottom);
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
    FSuppressActivation = false;
}

HWND THostWindow::Child(const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle)
{
    HWND child = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
    return child;
}

void THostWindow::BringToFront() noexcept
{
    if (!Handle() || GetForegroundWindow() == Handle())
        return;
    FSuppressActivation = true;
    SetForegroundWindow(Handle());
    SetActiveWindow(Handle());
    FSuppressActivation = false;
}

void THostWindow::Destroy() noexcept
{
    FDestroyed = true;
    FHandle.reset();
}

void THostWindow::RedrawNow() noexcept
{
    if (Handle())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT THostWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ACTIVATE:
        if (!FSuppressActivation && !FDestroyed)
            FHost.WindowActivated(FObject, LOWORD(wParam) != WA_INACTIVE);
        break;
    case WM_CLOSE:
        FHost.WindowCloseAsked(FObject);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}

LRESULT CALLBACK THostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<THostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->FHandle.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<THostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (self)
            static_cast<void>(self->FHandle.release());
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!self || self->FHandle.get() != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}
ZEL_CATCH_SILENT_RETURN(0)

// ---- TExplorerWindow

TExplorerWindow::TExplorerWindow(IWindowHost& host, TStandinExplorer* explorer, TStandinFolders* stores, const RECT& bounds)
    : THostWindow(host, explorer), FExplorer(explorer), FStores(stores)
{
    Create(ExplorerClass, ProductName, bounds);
    explorer->OnCommandBarChanged([this] { ToolStripChanged(); });
}

TExplorerWindow::~TExplorerWindow()
{
    if (FExplorer)
        FExplorer->OnCommandBarChanged({});
    Destroy();
    if (FImages)
        ImageList_Destroy(FImages);
}

void TExplorerWindow::Created()
{
    FToolStrip = Child(TOOLBARCLASSNAMEW, L"Standard",
                       TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 1);
    SendMessageW(FToolStrip, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(FToolStrip, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    FTree = Child(WC_TREEVIEWW, L"", TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP,
                  TreeId, WS_EX_CLIENTEDGE);
    FPath = Child(WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, PathId);
    SendMessageW(FPath, WM_SETFONT, reinterpret_cast<WPARAM>(FBoldFont.get()), FALSE);
    FItems = Child(WC_LISTVIEWW, L"", LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL | WS_TABSTOP, ItemsId, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(FItems, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 320;
    column.pszText = const_cast<wchar_t*>(L"Subject");
    ListView_InsertColumn(FItems, 0, &column);
    column.cx = 160;
    column.pszText = const_cast<wchar_t*>(L"Class");
    ListView_InsertColumn(FItems, 1, &column);
    FStatus = Child(STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, StatusId);

    FUpdating = true;
    for (size_t i = 0; i < FStores->Count(); ++i)
        FillTree(FStores->At(i), TVI_ROOT);
    FUpdating = false;
    ShowFolder();
    RebuildToolStrip();
}

void TExplorerWindow::FillTree(TStandinFolder* folder, HTREEITEM parent)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(folder->Name().c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(folder);
    HTREEITEM item = TreeView_InsertItem(FTree, &insert);
    FTreeItems[folder] = item;
    for (size_t i = 0; i < folder->Folders()->Count(); ++i)
        FillTree(folder->Folders()->At(i), item);
    TreeView_Expand(FTree, item, TVE_EXPAND);
}

void TExplorerWindow::Layout(int width, int height)
{
    if (!FToolStrip)
        return;
    SendMessageW(FToolStrip, TB_AUTOSIZE, 0, 0);
    SendMessageW(FStatus, WM_SIZE, 0, 0);
    RECT bar, status;
    GetWindowRect(FToolStrip, &bar);
    GetWindowRect(FStatus, &status);
    const int top = bar.bottom - bar.top + 2;
    const int bottom = height - (status.bottom - status.top);
    const int treeWidth = std::min(240, width / 3);
    MoveWindow(FTree, 0, top, treeWidth, std::max(0, bottom - top), TRUE);
    MoveWindow(FPath, treeWidth + 8, top, std::max(0, width - treeWidth - 8), 26, TRUE);
    MoveWindow(FItems, treeWidth + 4, top + 28, std::max(0, width - treeWidth - 4), std::max(0, bottom - top - 28), TRUE);
}

void TExplorerWindow::ShowFolder()
{
    TStandinFolder* folder = FExplorer->CurrentFolder();
    const std::wstring path = folder ? folder->FolderPath() : std::wstring();
    SetWindowTextW(FPath, path.c_str());
    SetWindowTextW(Handle(), ((folder ? folder->Name() + L" - " : std::wstring()) + ProductName).c_str());
    ListView_DeleteAllItems(FItems);
    size_t count = 0;
    if (folder) {
        TStandinItems* items = folder->Items();
        count = items->Count();
        for (size_t i = 0; i < count; ++i) {
            const TMessageFields fields = ReadMessageFields(items->At(i));
            std::wstring subject = fields.IsMessage ? fields.Subject : L"(item)";
            std::wstring messageClass;
            try {
                messageClass = OleGet(items->At(i), L"MessageClass").AsString();
            } catch (...) {
                // an item without a class shows none
            }
            LVITEMW row{};
            row.mask = LVIF_TEXT;
            row.iItem = static_cast<int>(i);
            row.pszText = subject.data();
            ListView_InsertItem(FItems, &row);
            ListView_SetItemText(FItems, static_cast<int>(i), 1, messageClass.data());
        }
    }
    const std::wstring status = std::to_wstring(count) + (count == 1 ? L" item" : L" items");
    SendMessageW(FStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
    FUpdating = true;
    auto found = FTreeItems.find(folder);
    if (found != FTreeItems.end() && TreeView_GetSelection(FTree) != found->second)
        TreeView_SelectItem(FTree, found->second);
    FUpdating = false;
}

void TExplorerWindow::ToolStripChanged() noexcept
{
    // The command bar changes inside the add-in's calls, possibly inside the tool strip's own
    // click: the strip is rebuilt once the host's message handling comes round to it.
    if (!FToolStripDue && Handle()) {
        FToolStripDue = true;
        PostMessageW(Handle(), WM_APP, 0, 0);
    }
}

void TExplorerWindow::RefreshIfDue()
{
    if (FToolStripDue)
        RebuildToolStrip();
}

void TExplorerWindow::RebuildToolStrip()
{
    FToolStripDue = false;
    while (SendMessageW(FToolStrip, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageW(FToolStrip, TB_DELETEBUTTON, 0, 0);
    if (FImages)
        ImageList_Destroy(FImages);
    FImages = ImageList_Create(16, 16, ILC_COLOR32, 4, 4);
    SendMessageW(FToolStrip, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages));

    std::vector<TBBUTTON> buttons;
    std::vector<std::wstring> texts;
    texts.reserve(64);
    auto add = [&](int id, const std::wstring& text, int image, BYTE style) {
        texts.push_back(text);
        TBBUTTON b{};
        b.iBitmap = image;
        b.idCommand = id;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = static_cast<BYTE>(style | BTNS_AUTOSIZE);
        b.iString = reinterpret_cast<INT_PTR>(texts.back().c_str());
        buttons.push_back(b);
    };
    auto separator = [&] {
        TBBUTTON b{};
        b.fsStyle = BTNS_SEP;
        buttons.push_back(b);
    };
    add(NewButtonId, L"New", I_IMAGENONE, BTNS_SHOWTEXT);
    // Only what Item("Standard") finds is shown: a bar that is not yet available shows no
    // controls of add-ins.
    TStandinCommandBars* bars = FExplorer->CommandBars();
    if (bars && bars->StandardAvailable()) {
        TStandinControls* controls = bars->Standard()->Controls();
        for (size_t i = 0; i < controls->Count(); ++i) {
            const TStandinButton& button = *controls->At(i);
            int image = I_IMAGENONE;
            if (button.FaceWidth > 0 && button.FaceHeight > 0 && button.Style != 2 /* caption only */) {
                TBitmapHandle face = FaceBitmap(button);
                if (face)
                    image = ImageList_Add(FImages, face.get(), nullptr);
            }
            if (button.BeginGroup)
                separator();
            const bool iconOnly = button.Style == 1 && image != I_IMAGENONE;
            add(ToolStripFirstId + static_cast<int>(i), button.Caption, image, iconOnly ? 0 : BTNS_SHOWTEXT);
        }
    }
    SendMessageW(FToolStrip, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(FToolStrip, TB_AUTOSIZE, 0, 0);
    RECT client;
    GetClientRect(Handle(), &client);
    Layout(client.right, client.bottom);
    InvalidateRect(FToolStrip, nullptr, TRUE);
}

bool TExplorerWindow::ClickButton(const std::wstring& caption)
{
    RefreshIfDue();
    int id = -1;
    if (SameName(caption, L"New"))
        id = NewButtonId;
    TStandinCommandBars* bars = FExplorer->CommandBars();
    if (id < 0 && bars && bars->StandardAvailable()) {
        TStandinControls* controls = bars->Standard()->Controls();
        for (size_t i = 0; i < controls->Count() && id < 0; ++i)
            if (SameName(controls->At(i)->Caption, caption))
                id = ToolStripFirstId + static_cast<int>(i);
    }
    RECT rect{};
    if (id < 0 || !SendMessageW(FToolStrip, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&rect)))
        return false;
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageW(FToolStrip, WM_MOUSEMOVE, 0, at);
    SendMessageW(FToolStrip, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(FToolStrip, WM_LBUTTONUP, 0, at);
    return true;
}

void TExplorerWindow::TreeSelectionChanged(const NMTREEVIEWW& change)
{
    if (FUpdating)
        return;
    auto* folder = reinterpret_cast<TStandinFolder*>(change.itemNew.lParam);
    if (!folder || folder == FExplorer->CurrentFolder())
        return;
    // BeforeFolderSwitch may cancel: the tree then goes back to the current folder.
    if (!FExplorer->SwitchFolder(folder))
        ShowFolder();
}

LRESULT TExplorerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_APP:
        RefreshIfDue();
        return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == FToolStrip && FToolStrip) {
            const int id = LOWORD(wParam);
            if (id == NewButtonId) {
                FHost.NewMessageAsked();
            } else if (id >= ToolStripFirstId) {
                TStandinCommandBars* bars = FExplorer->CommandBars();
                TStandinControls* controls = bars ? bars->Standard()->Controls() : nullptr;
                const size_t index = static_cast<size_t>(id - ToolStripFirstId);
                if (controls && index < controls->Count()) {
                    ComPtr<TStandinButton> button(controls->At(index));
                    button->Click();
                }
            }
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == FTree && header->code == TVN_SELCHANGEDW)
            TreeSelectionChanged(*reinterpret_cast<const NMTREEVIEWW*>(lParam));
        break;
    }
    case WM_SETFOCUS:
        if (FTree)
            SetFocus(FTree);
        return 0;
    default:
        break;
    }
    return THostWindow::HandleMessage(message, wParam, lParam);
}

// ---- TInspectorWindow

TInspectorWindow::TInspectorWindow(IWindowHost& host, TStandinInspector* inspector, const RECT& bounds)
    : THostWindow(host, inspector), FInspector(inspector)
{
    Create(InspectorClass, L"Untitled - Message", bounds);
}

void TInspectorWindow::Created()
{
    FToLabel = Child(WC_STATICW, L"To...", SS_RIGHT | SS_CENTERIMAGE, 0);
    FTo = Child(WC_EDITW, L"", ES_AUTOHSCROLL | ES_READONLY, 0, WS_EX_CLIENTEDGE);
    FSubjectLabel = Child(WC_STATICW, L"Subject:", SS_RIGHT | SS_CENTERIMAGE, 0);
    FSubject = Child(WC_EDITW, L"", ES_AUTOHSCROLL | ES_READONLY, 0, WS_EX_CLIENTEDGE);
    FAttachLabel = Child(WC_STATICW, L"Attached:", SS_RIGHT | SS_CENTERIMAGE, 0);
    FAttachments = Child(WC_EDITW, L"", ES_AUTOHSCROLL | ES_READONLY, 0, WS_EX_CLIENTEDGE);
    FBody = Child(WC_EDITW, L"", ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_NOHIDESEL | WS_VSCROLL | WS_TABSTOP,
                  BodyId, WS_EX_CLIENTEDGE);
    SetWindowSubclass(FBody, BodyProc, 1, reinterpret_cast<DWORD_PTR>(this));
    ShowMessageFields();
    ShowBody();
}

void TInspectorWindow::Layout(int width, int height)
{
    if (!FBody)
        return;
    const int row = 24, label = 70, gap = 4;
    int y = gap;
    for (auto [l, e] : {std::pair{FToLabel, FTo}, std::pair{FSubjectLabel, FSubject}, std::pair{FAttachLabel, FAttachments}}) {
        MoveWindow(l, gap, y, label, row, TRUE);
        MoveWindow(e, label + 2 * gap, y, std::max(0, width - label - 3 * gap), row, TRUE);
        y += row + gap;
    }
    MoveWindow(FBody, gap, y, std::max(0, width - 2 * gap), std::max(0, height - y - gap), TRUE);
}

void TInspectorWindow::ShowMessageFields()
{
    const TMessageFields fields = ReadMessageFields(FInspector->Item());
    SetWindowTextW(FTo, fields.To.c_str());
    SetWindowTextW(FSubject, fields.Subject.c_str());
    SetWindowTextW(FAttachments, fields.Attachments.c_str());
    const std::wstring caption = (fields.Subject.empty() ? std::wstring(L"Untitled") : fields.Subject) + L" - Message";
    SetWindowTextW(Handle(), caption.c_str());
}

void TInspectorWindow::ShowBody()
{
    if (FUpdating || !FBody)
        return;
    FUpdating = true;
    if (WindowText(FBody) != FInspector->Body())
        SetWindowTextW(FBody, FInspector->Body().c_str());
    const LONG start = FInspector->SelStart();
    SendMessageW(FBody, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + FInspector->SelLength()));
    SendMessageW(FBody, EM_SCROLLCARET, 0, 0);
    FUpdating = false;
}

void TInspectorWindow::BodyEdited()
{
    if (FUpdating)
        return;
    DWORD start = 0, end = 0;
    SendMessageW(FBody, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    FUpdating = true;
    FInspector->Edited(WindowText(FBody), static_cast<LONG>(start), static_cast<LONG>(end - start));
    FUpdating = false;
}

void TInspectorWindow::SyncSelection()
{
    if (FUpdating || !FBody)
        return;
    DWORD start = 0, end = 0;
    SendMessageW(FBody, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (static_cast<LONG>(start) == FInspector->SelStart() && static_cast<LONG>(end - start) == FInspector->SelLength())
        return;
    FUpdating = true;
    FInspector->SetSelection(static_cast<LONG>(start), static_cast<LONG>(end - start));
    FUpdating = false;
}

void TInspectorWindow::Type(const std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && i > 0 && text[i - 1] == L'\r')
            continue; // the Enter key gives one carriage return, the edit makes the line break
        SendMessageW(FBody, WM_CHAR, text[i] == L'\n' ? L'\r' : text[i], 1);
    }
}

void TInspectorWindow::Select(long start, long length)
{
    SendMessageW(FBody, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

LRESULT CALLBACK TInspectorWindow::BodyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self) noexcept
try {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case EM_SETSEL:
        reinterpret_cast<TInspectorWindow*>(self)->SyncSelection();
        break;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON)
            reinterpret_cast<TInspectorWindow*>(self)->SyncSelection();
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, BodyProc, 1);
        break;
    default:
        break;
    }
    return result;
}
ZEL_CATCH_SILENT_RETURN(0)

LRESULT TInspectorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == FBody && FBody && HIWORD(wParam) == EN_CHANGE) {
            BodyEdited();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (FBody)
            SetFocus(FBody);
        return 0;
    default:
        break;
    }
    return THostWindow::HandleMessage(message, wParam, lParam);
}

} // namespace zel::standin::host
