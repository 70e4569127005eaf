#include "hotkeys/Main.h"

#include "diagnostics/About.h"
#include "diagnostics/LogException.h"
#include "diagnostics/ZelUtils.h"
#include "hotkeys/ActionCatalogue.h"
#include "hotkeys/ButtonImages.h"
#include "hotkeys/HotKeyControlValue.h"
#include "hotkeys/MainLayout.h"
#include "hotkeys/ShortCut.h"
#include "hotkeys/ZelTreeCtrls.h"
#include "mapi/PrivateLibrary.h"
#include "mapi/uRedemptionLoader.h"
#include "outlook/LateBinding.h"
#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/ModuleHandle.h"
#include "platform/VisualStyles.h"
#include "platform/WideText.h"

#include <algorithm>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace zel {
namespace {

constexpr wchar_t MainFormClass[] = L"TMainForm";
constexpr wchar_t CaptionPanelClass[] = L"TZelCaptionPanel";
constexpr wchar_t MainFormCaption[] = L"Zelkor HotKeys for Outlook";
constexpr wchar_t ItemsPanelCaption[] = L"Hotkeys";
constexpr TShortCut InitialHotKey = 0x8041; // Alt+A
constexpr std::size_t LogSizeLimit = 1048576;
constexpr std::u16string_view ItemsVSTName = u"ItemsVST";

TFontHandle TahomaFont(int height, int weight)
{
    return TFontHandle(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
}

void Place(HWND control, const TBounds& b)
{
    if (control)
        MoveWindow(control, b.Left, b.Top, b.Width, b.Height, TRUE);
}

// The caption panel: a bar in the table's colour with the caption in white bold, above the
// table that fills the rest of it. Its font is the window's user data.
LRESULT CALLBACK CaptionPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        RECT bar{0, 0, client.right, CaptionBarHeight};
        const TBrushHandle brush(CreateSolidBrush(TableSelectionColor));
        FillRect(dc, &bar, brush.get());
        RECT rest{0, CaptionBarHeight, client.right, client.bottom};
        FillRect(dc, &rest, GetSysColorBrush(COLOR_WINDOW));
        const TSelection font(dc, reinterpret_cast<HFONT>(GetWindowLongPtrW(window, GWLP_USERDATA)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT text = bar;
        text.left += 6;
        DrawTextW(dc, ItemsPanelCaption, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}
ZEL_CATCH_SILENT_RETURN(0)

void RegisterWindowClasses(WNDPROC formProc)
{
    static const bool registered = [formProc] {
        WNDCLASSEXW form{};
        form.cbSize = sizeof(form);
        form.lpfnWndProc = formProc;
        form.hInstance = ThisModule();
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        form.lpszClassName = MainFormClass;
        WNDCLASSEXW panel = form;
        panel.lpfnWndProc = CaptionPanelProc;
        panel.hbrBackground = nullptr;
        panel.lpszClassName = CaptionPanelClass;
        return RegisterClassExW(&form) != 0 && RegisterClassExW(&panel) != 0;
    }();
    if (!registered)
        throw EOSError(u"The settings window's classes could not be registered", GetLastError());
}

void OpenWithShell(HWND owner, const std::u16string& address)
{
    // The result is not examined: a page that cannot be opened is nothing the user must answer.
    ShellExecuteW(owner, L"open", AsWide(address).data(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

std::u16string DefaultDataFolder()
{
    wchar_t folder[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    if (FAILED(result))
        throw EOleSysError(u"The application-data folder is not available", result);
    std::u16string path = ToU16(folder);
    while (!path.empty() && (path.back() == u'\\' || path.back() == u'/'))
        path.pop_back();
    return path + u"\\Zelkor\\" + u"Zelkor Hotkeys for Outlook";
}

TMainForm::TMainForm(TMainFormSettings settings)
    : FSettings(std::move(settings)),
      FDispatch(FRows, aFormStorage, [this](const std::u16string& text) { SetStatusText(text); })
{
    if (!FSettings.OpenPage)
        FSettings.OpenPage = OpenWithShell;
    RegisterWindowClasses(WindowProc);

    RECT frame{0, 0, DesignedClientWidth, DesignedClientHeight};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    // Not clipping its children: the group boxes are transparent, the window paints behind them.
    FHandle = CreateWindowExW(0, MainFormClass, MainFormCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              ThisModule(), this);
    if (!FHandle)
        throw EOSError(u"The settings window could not be created", GetLastError());
    try {
        FormCreate();
    }
    // The creation step ends its own failures; what is left ends here, silently and on record.
    ZEL_CATCH_SILENT_RETURN()
}

TMainForm::~TMainForm()
{
    // The window goes first (FormDestroy runs inside); the components, the store (which writes
    // the file) and the log follow as members, never from inside one of the window's messages.
    if (FHandle)
        DestroyWindow(FHandle);
    FHandle = nullptr;
}

HWND TMainForm::Control(int id)
{
    EnsureControls();
    return Existing(id);
}

TZelTable& TMainForm::ItemsVST()
{
    EnsureControls();
    if (!FItemsVST)
        throw Exception(u"The settings window's table could not be made");
    return *FItemsVST;
}

ITableColumns& TMainForm::Columns() noexcept
{
    if (FItemsVST)
        return FItemsVST->Columns();
    return FKeptColumns;
}

void TMainForm::TKeptColumns::SetColumnWidth(int index, int width)
{
    FWidths.at(static_cast<size_t>(index)) = std::clamp(width, MinColumnWidth, MaxColumnWidth);
}

void TMainForm::EnsureControls()
{
    // Made once: a failure half-way leaves what was made, and is not tried again.
    if (FControlsTried || !FHandle)
        return;
    FControlsTried = true;
    FFont = TahomaFont(-11, FW_NORMAL);
    FCaptionFont = TahomaFont(-13, FW_BOLD);
    FWindowIcon = MakeButtonImage(TButtonImage::Window, 32);
    FAddImage = MakeButtonImage(TButtonImage::Add);
    FRemoveImage = MakeButtonImage(TButtonImage::Remove);
    FHelpImage = MakeButtonImage(TButtonImage::Help);
    FUpgradeImage = MakeButtonImage(TButtonImage::Upgrade);
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FWindowIcon.get()));
    SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FWindowIcon.get()));

    // The add-in's windows use the common controls of its own manifest, whatever the host's.
    const TVisualStylesScope visualStyles;
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                      ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    CreateControls();
    Layout();
}

void TMainForm::CreateControls()
{
    const HINSTANCE instance = ThisModule();
    auto make = [&](DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int id, HWND parent) {
        HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (!control)
            throw EOSError(u"A control of the settings window could not be created", GetLastError());
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
        return control;
    };
    make(0, WC_BUTTONW, L"Hotkeys", BS_GROUPBOX | WS_CLIPSIBLINGS, idHotkeysGroup, FHandle);
    make(0, WC_BUTTONW, L"Help", BS_GROUPBOX | WS_CLIPSIBLINGS, idHelpGroup, FHandle);
    make(0, WC_BUTTONW, L"More Add-ins", BS_GROUPBOX | WS_CLIPSIBLINGS, idMoreGroup, FHandle);

    HWND hotKeyEdit = make(WS_EX_CLIENTEDGE, HOTKEY_CLASSW, L"", WS_TABSTOP, idHotKeyEdit, FHandle);
    // A key pressed alone or with Shift only gets Alt added.
    SendMessageW(hotKeyEdit, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_ALT, 0));
    SendMessageW(hotKeyEdit, HKM_SETHOTKEY, HotKeyValueFromShortCut(InitialHotKey), 0);

    make(0, WC_BUTTONW, L"Add", BS_OWNERDRAW | WS_TABSTOP, idAddButton, FHandle);
    make(0, WC_BUTTONW, L"Remove", BS_OWNERDRAW | WS_TABSTOP, idRemoveButton, FHandle);
    make(0, WC_BUTTONW, L"Help", BS_OWNERDRAW | WS_TABSTOP, idHelpButton, FHandle);
    make(0, WC_BUTTONW, L"Get More Add-ins", BS_OWNERDRAW | WS_TABSTOP, idUpgradeButton, FHandle);

    // The group boxes lie under the controls they frame.
    for (int group : {idHotkeysGroup, idHelpGroup, idMoreGroup})
        SetWindowPos(Existing(group), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    ItemsPanel = make(0, CaptionPanelClass, L"", WS_CLIPCHILDREN, idItemsPanel, FHandle);
    SetWindowLongPtrW(ItemsPanel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(FCaptionFont.get()));
    auto table = std::make_unique<TZelTable>(ItemsPanel, idItemsVST, FRows,
        std::vector<TZelTable::TColumnSpec>{{u"Hotkey", FKeptColumns.ColumnWidth(0)},
                                            {u"Action", FKeptColumns.ColumnWidth(1)},
                                            {u"Settings", FKeptColumns.ColumnWidth(2)}});
    SendMessageW(table->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
    table->OnColumnClick = [this](int column) { ItemsVSTColumnClick(column); };
    table->OnHeaderClick = [this](int column) { ItemsVSTHeaderClick(column); };
    table->OnCreateEditor = [this](TTreeData* node, int column) { return ItemsVSTCreateEditor(node, column); };
    table->OnNewText = [this](TTreeData& node, int column, std::u16string_view text) {
        ItemsVSTNewText(node, column, text);
    };

    make(0, WC_STATICW, AsWide(FHints).data(), SS_LEFT | SS_NOPREFIX, idHints, FHandle);
    HWND status = make(0, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, idStatusBar, FHandle);
    int parts[] = {-1};
    SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(AsWide(FStatusText).data()));
    EnableWindow(Existing(idAddButton), FEditingEnabled);
    EnableWindow(Existing(idRemoveButton), FEditingEnabled);

    bMenu.reset(CreatePopupMenu());
    AppendMenuW(bMenu.get(), MF_STRING, cmWeb, L"Zelkor Hotkeys on the Web");
    AppendMenuW(bMenu.get(), MF_STRING, cmHelp, L"Help");
    AppendMenuW(bMenu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(bMenu.get(), MF_STRING, cmSendErrorReport, L"Send Error Report...");
    AppendMenuW(bMenu.get(), MF_STRING, cmAbout, L"About...");
    // Last: the table shows the rows loaded so far.
    FItemsVST = std::move(table);
    FItemsVST->RowsChanged();
}

void TMainForm::Layout()
{
    if (!FItemsVST)
        return;
    RECT client;
    GetClientRect(FHandle, &client);
    const TMainLayout layout = MainFormLayout(client.right, client.bottom);
    Place(Existing(idHotkeysGroup), layout.HotkeysGroup);
    Place(Existing(idHelpGroup), layout.HelpGroup);
    Place(Existing(idMoreGroup), layout.MoreGroup);
    Place(Existing(idHotKeyEdit), layout.HotKeyEdit);
    Place(Existing(idAddButton), layout.AddButton);
    Place(Existing(idRemoveButton), layout.RemoveButton);
    Place(Existing(idHelpButton), layout.HelpButton);
    Place(Existing(idUpgradeButton), layout.UpgradeButton);
    Place(ItemsPanel, layout.ItemsPanel);
    const TBounds& t = layout.ItemsVST;
    FItemsVST->SetBounds(RECT{t.Left, t.Top, t.Left + t.Width, t.Top + t.Height});
    Place(Existing(idHints), layout.Hints);
    // The status bar places itself along the lower edge.
    SendMessageW(Existing(idStatusBar), WM_SIZE, 0, 0);
}

LRESULT CALLBACK TMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    if (message == WM_NCCREATE) {
        auto create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<TMainForm*>(create->lpCreateParams)->FHandle = window;
    }
    auto self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message != WM_NCDESTROY)
        return self->HandleMessage(message, wParam, lParam);
    // The window is gone, whoever destroyed it: the object no longer holds it.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->FHandle = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
}
// The application-level end of every failure in a handler: nothing shown, the rest skipped.
ZEL_CATCH_SILENT_RETURN(DefWindowProcW(window, message, wParam, lParam))

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // An owner-drawn button reports a quick second click as a double click: it is a click.
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED || lParam == 0)
            Command(LOWORD(wParam));
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        HICON image = nullptr;
        switch (item.CtlID) {
        case idAddButton: image = FAddImage.get(); break;
        case idRemoveButton: image = FRemoveImage.get(); break;
        case idHelpButton: image = FHelpImage.get(); break;
        case idUpgradeButton: image = FUpgradeImage.get(); break;
        default: return FALSE;
        }
        DrawFlatButton(item, image, item.CtlID == idHelpButton);
        return TRUE;
    }
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize = POINT{MinimumWindowWidth, MinimumWindowHeight};
        return 0;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        FormDestroy();
        return 0;
    default:
        return DefWindowProcW(FHandle, message, wParam, lParam);
    }
}

void TMainForm::Command(int id)
{
    switch (id) {
    case idAddButton: AddButtonClick(); break;
    case idRemoveButton: RemoveButtonClick(); break;
    case idHelpButton: HelpButtonClick(); break;
    case idUpgradeButton: UpgradeButtonClick(); break;
    case cmWeb: WebClick(); break;
    case cmHelp: HelpClick(); break;
    case cmSendErrorReport: SendErrorReportClick(); break;
    case cmAbout: AboutClick(); break;
    default: break;
    }
}

void TMainForm::Show()
{
    EnsureControls();
    int showCommand = SW_SHOW;
    if (!FShownOnce) {
        FShownOnce = true;
        showCommand = aFormPlacement.RestoreOnFirstShow(FHandle);
    }
    ShowWindow(FHandle, showCommand);
    SetForegroundWindow(FHandle);
    try {
        FormShow();
    }
    // A failed first-show step runs again at the next showing; it is on record already.
    ZEL_CATCH_SILENT_RETURN()
}

void TMainForm::Close()
{
    try {
        FormClose();
    }
    ZEL_CATCH_SILENT_RETURN()
    ShowWindow(FHandle, SW_HIDE);
}

void TMainForm::FormCreate()
{
    std::vector<std::u16string> problems;
    FNotifier = LogExceptionNotifier(aLogFile);
    JclAddExceptNotifier(FNotifier, npNormal);
    FNotifierAdded = true;
    aLogFile.SetSizeLimit(LogSizeLimit);

    std::u16string folder = FSettings.DataFolder;
    try {
        if (folder.empty())
            folder = DefaultDataFolder();
        SetupDataFiles(folder, &aLogFile, &aXMLStorage);
    } catch (...) {
        // The user's file stays as it is: nothing is loaded, nothing can be edited, and the store
        // never writes it.
        FEditingEnabled = false;
        problems.push_back(UnreadableSettingsText(aXMLStorage.FileName().empty() ? folder + u"\\config.xml"
                                                                                  : aXMLStorage.FileName()));
    }

    FDispatch.SetNameSpace(FSettings.NameSpace);
    try {
        CreateSession();
    } catch (const Exception& failure) {
        // Only the screenshot mail and the Inbox path need the session: the table and the
        // hotkeys go on without it.
        problems.push_back(MailLibraryProblemText(failure.Message()));
    } catch (...) {
        problems.push_back(MailLibraryProblemText(u""));
    }
    FFirstShow = true;

    SetEditingEnabled(FEditingEnabled);
    ReportProblems(problems);
}

void TMainForm::CreateSession()
{
    TRedemptionLoader* loader = LoaderInstance();
    if (!loader)
        throw Exception(u"The extended-MAPI library's loader is not available");
    loader->SetDllLocation(FSettings.LibraryPath.empty() ? PrivateLibraryPath() : FSettings.LibraryPath);
    ComPtr<IDispatch> session = loader->new_RDOSession();
    if (!FSettings.NameSpace)
        throw Exception(u"Outlook's namespace is not available");
    OlePut(session.Get(), L"MAPIOBJECT", OleGet(FSettings.NameSpace, L"MAPIOBJECT"));
    FOfficeVersion = ToU16(OleGet(session.Get(), L"OutlookVersion").AsString());
    FRSession = session;
    FDispatch.SetSession(session.Get());
}

void TMainForm::FormShow()
{
    if (!FFirstShow)
        return;
    LoadColumnWidths(ItemsVSTName, Columns(), aFormStorage);
    try {
        LoadHotKeys(FRows, aFormStorage);
    } catch (...) {
        // The stored rows are still in the file: an "Add" now would write a table of one row
        // over them, and any later write would replace the user's file with the store's reading
        // of it. Editing stays off, the file is left as it is, and the step is left to run again.
        SetEditingEnabled(false);
        aXMLStorage.KeepFileAsItIs();
        SetStatusText(UnreadableTableText(aXMLStorage.FileName()));
        throw;
    }
    if (FItemsVST)
        FItemsVST->RowsChanged();
    RegisterHotKeys();
    SetHints(HintLabelText(HintsText));
    FFirstShow = false;
}

void TMainForm::FormClose()
{
    aFormPlacement.SaveOnClose(FHandle);
    SaveColumnWidths(ItemsVSTName, Columns(), aFormStorage);
    // The file follows every close: Outlook may end without disconnecting the add-in.
    aXMLStorage.Flush();
}

void TMainForm::FormDestroy()
{
    aFormPlacement.SaveOnDestroy(FHandle);
    FDispatch.SetSession(nullptr);
    FRSession.Reset();
    if (FNotifierAdded) {
        JclRemoveExceptNotifier(FNotifier);
        FNotifierAdded = false;
    }
}

void TMainForm::RegisterHotKeys()
{
    std::vector<std::u16string> problems;
    for (size_t i = 0; i < FRows.Count(); ++i) {
        const THotKeyProblem problem = AddHotKey(FRows[i]);
        if (problem != THotKeyProblem::None)
            problems.push_back(HotKeyProblemText(FRows[i].Subject, problem));
    }
    ReportProblems(problems);
}

THotKeyProblem TMainForm::AddHotKey(const TTreeData& row)
{
    FHotKeys.push_back(std::make_unique<TJvApplicationHotKey>(FHandle));
    AppHotKey = FHotKeys.back().get();
    // Parsed back from the row's text: a number-pad digit in the edit box registers the digit
    // of the main keyboard row, as the text names it.
    AppHotKey->SetHotKey(TextToShortCut(row.Subject));
    AppHotKey->OnHotKey = [this](TJvApplicationHotKey* sender) { DoHotKey(sender); };
    AppHotKey->SetActive(true);
    if (AppHotKey->HotKey() == scNone)
        return THotKeyProblem::NoShortcut;
    if (AppHotKey->Active())
        return THotKeyProblem::None;
    for (size_t i = 0; i < FRows.Count(); ++i)
        if (&FRows[i] != &row && TextToShortCut(FRows[i].Subject) == AppHotKey->HotKey())
            return THotKeyProblem::TakenByRow;
    return THotKeyProblem::TakenElsewhere;
}

void TMainForm::ReleaseHotKey(const std::u16string& hotKeyText)
{
    const TShortCut shortCut = TextToShortCut(hotKeyText);
    for (size_t i = 0; i < FRows.Count(); ++i)
        if (TextToShortCut(FRows[i].Subject) == shortCut)
            return; // a remaining row still answers to it
    // The components stay (they live as long as the window); only their registrations end.
    for (const auto& hotKey : FHotKeys)
        if (hotKey->Active() && hotKey->HotKey() == shortCut)
            hotKey->SetActive(false);
}

void TMainForm::AddButtonClick()
{
    if (!FEditingEnabled)
        return;
    const auto value = static_cast<std::uint16_t>(SendMessageW(Control(idHotKeyEdit), HKM_GETHOTKEY, 0, 0));
    TTreeData& row = ItemsVST().AddRow();
    row.Subject = ShortCutToText(ShortCutFromHotKeyValue(value));
    row.Folder = ActionInsertText;
    row.EntryID = DefaultInsertTextSettings;
    FItemsVST->InvalidateNode(&row);
    SaveTable();
    const THotKeyProblem problem = AddHotKey(row);
    if (problem != THotKeyProblem::None)
        SetStatusText(HotKeyProblemText(row.Subject, problem));
}

void TMainForm::RemoveButtonClick()
{
    if (!FEditingEnabled)
        return;
    TTreeData* focused = FItemsVST ? FItemsVST->FocusedNode() : nullptr;
    if (!focused)
        return;
    const std::u16string hotKeyText = focused->Subject;
    FItemsVST->DeleteRow(focused);
    SaveTable();
    ReleaseHotKey(hotKeyText);
}

void TMainForm::UpgradeButtonClick()
{
    FSettings.OpenPage(FHandle, UpgradePage());
}

void TMainForm::WebClick()
{
    FSettings.OpenPage(FHandle, ProductPage());
}

void TMainForm::HelpClick()
{
    FSettings.OpenPage(FHandle, HelpPage());
}

void TMainForm::SendErrorReportClick()
{
    if (FSettings.AboutForm)
        FSettings.AboutForm->SendErrorReportButtonClick(bMenu.get());
}

void TMainForm::AboutClick()
{
    if (FSettings.AboutForm)
        FSettings.AboutForm->ShowModal(FHandle);
}

void TMainForm::HelpButtonClick()
{
    RECT button;
    GetWindowRect(Control(idHelpButton), &button);
    const int command = TrackPopupMenu(bMenu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                                       button.left, button.bottom, 0, FHandle, nullptr);
    if (command != 0)
        Command(command);
}

void TMainForm::ItemsVSTColumnClick(int Column)
{
    TTreeData* focused = FItemsVST->FocusedNode();
    if (focused && static_cast<unsigned>(Column - 1) < 3u)
        FItemsVST->EditNode(focused, Column);
}

std::unique_ptr<IVTEditLink> TMainForm::ItemsVSTCreateEditor(TTreeData*, int Column)
{
    if (static_cast<unsigned>(Column - 1) < 3u)
        return std::make_unique<THKEditLink>();
    return nullptr; // the table's own single-line editor
}

void TMainForm::ItemsVSTHeaderClick(int Column)
{
    SortOnHeaderClick(FRows, FSortHeader, Column);
    if (FItemsVST)
        FItemsVST->RowsChanged();
}

void TMainForm::ItemsVSTNewText(TTreeData& Node, int Column, std::u16string_view NewText)
{
    FDispatch.ItemsVSTNewText(Node, Column, NewText);
    if (FItemsVST)
        FItemsVST->InvalidateNode(&Node);
}

void TMainForm::DoHotKey(TJvApplicationHotKey* Sender)
{
    FDispatch.DoHotKey(Sender);
}

void TMainForm::SaveTable()
{
    SaveHotKeys(FRows, aFormStorage);
    // The file follows every change of the table.
    aXMLStorage.Flush();
}

void TMainForm::SetStatusText(const std::u16string& text)
{
    FStatusText = text;
    if (const HWND status = Existing(idStatusBar))
        SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(AsWide(FStatusText).data()));
}

void TMainForm::SetEditingEnabled(bool enabled)
{
    FEditingEnabled = enabled;
    EnableWindow(Existing(idAddButton), enabled);
    EnableWindow(Existing(idRemoveButton), enabled);
}

void TMainForm::SetHints(const std::u16string& text)
{
    FHints = text;
    if (const HWND hints = Existing(idHints))
        SetWindowTextW(hints, AsWide(FHints).data());
}

void TMainForm::ReportProblems(const std::vector<std::u16string>& problems)
{
    if (problems.empty())
        return;
    std::u16string text;
    for (const std::u16string& problem : problems)
        text += (text.empty() ? u"" : u" ") + problem;
    SetStatusText(text);
}

std::u16string TMainForm::StatusText() const
{
    const HWND status = Existing(idStatusBar);
    if (!status)
        return FStatusText;
    const auto length = LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, 0, 0));
    std::wstring text(length + 1u, L'\0');
    SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return ToU16(text);
}

std::u16string TMainForm::HintsCaption() const
{
    const HWND hints = Existing(idHints);
    return hints ? WindowText(hints) : FHints;
}

} // namespace zel
