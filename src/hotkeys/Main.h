// The settings window (MainForm): the hotkey table the user edits, and the owner of the add-in's
// long-lived parts: the configuration store, the error log, the extended-MAPI session and every
// system-wide hotkey component. Its window exists, hidden or shown, from construction to
// destruction; all hotkeys are registered on it.
//
//   TMainForm form(settings);  // creation step: log, store, session; the window hidden
//   form.FormShow();           // the first-show step, run once directly after creation
//   form.Show();               // the toolbar button: shows it (placement restored once)
//   form.Close();              // hides it; saves placement, widths and the file
//   // destruction: session released, notifier removed, components, store (file) and log freed
//
// Every window procedure and handler ends its failures at its own boundary: nothing is shown,
// and the failure is on record in error.log (the notifier sees every raise).
//
// The window's controls (and their pictures) are made when they are first needed, at the first
// showing at the latest: Outlook's start-up pays for the window that the hotkeys live on, the
// store, the log, the session and the registrations, not for controls nobody sees yet. The
// status text, the hint and the column widths are kept by the window until then.
#pragma once

#include "diagnostics/ErrorReport.h"
#include "diagnostics/JvLogFile.h"
#include "diagnostics/ZelDebug.h"
#include "hotkeys/HotKeyDispatch.h"
#include "hotkeys/HotKeyTable.h"
#include "hotkeys/JvAppHotKey.h"
#include "hotkeys/MainTexts.h"
#include "hotkeys/ZelTable.h"
#include "hotkeys/ZelTree.h"
#include "outlook/OleVariant.h"
#include "platform/Handles.h"
#include "storage/FormPlacement.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace zel {

class TAboutForm;

// The per-user data folder: the user's application-data folder followed by "\Zelkor\" and
// "Zelkor Hotkeys for Outlook".
std::u16string DefaultDataFolder();

// What the window is created with. Empty paths take the running add-in's: DefaultDataFolder()
// and PrivateLibraryPath().
struct TMainFormSettings {
    std::u16string DataFolder;
    std::wstring LibraryPath;
    // Outlook's namespace: its MAPIOBJECT is given to the session, and the actions reach the
    // application through it. May be null (no session then).
    IDispatch* NameSpace = nullptr;
    // The About window that "About..." shows and "Send Error Report..." runs; may be null.
    TAboutForm* AboutForm = nullptr;
    // Opens a page of the maker's site (ShellExecute "open", SW_SHOWNORMAL, the window as owner).
    std::function<void(HWND owner, const std::u16string& address)> OpenPage;
};

class TMainForm {
public:
    explicit TMainForm(TMainFormSettings settings = {});
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Handle() const noexcept { return FHandle; }

    // Shows the window non-modally and brings it to the front. The first showing restores the
    // stored placement before the first-show step runs.
    void Show();
    // Closes the window as its close button does: FormClose, then hidden.
    void Close();

    // ---- Handlers, as the window's layout binds them.
    void FormCreate();
    // The first-show step: column widths, the table, the hotkeys, the hint. Does something only
    // until it has completed once; a failure leaves it to run again and goes to the caller.
    void FormShow();
    void FormClose();
    void FormDestroy();
    void AddButtonClick();
    void RemoveButtonClick();
    void UpgradeButtonClick();
    void WebClick();
    void HelpClick();
    void SendErrorReportClick();
    void AboutClick();
    void HelpButtonClick(); // drops the Help menu under the button
    void ItemsVSTColumnClick(int Column);
    std::unique_ptr<IVTEditLink> ItemsVSTCreateEditor(TTreeData* Node, int Column);
    void ItemsVSTHeaderClick(int Column);
    void ItemsVSTNewText(TTreeData& Node, int Column, std::u16string_view NewText);
    void DoHotKey(TJvApplicationHotKey* Sender);

    // ---- State, for the add-in and for tests.
    bool FirstShow() const noexcept { return FFirstShow; }
    const std::u16string& OfficeVersion() const noexcept { return FOfficeVersion; }
    // What the error report attaches and names: the log's and the settings file's names and
    // Outlook's version text, as they are now.
    TErrorReportSources ErrorReportSources() const
    {
        return {aLogFile.FileName(), aXMLStorage.FileName(), FOfficeVersion};
    }
    IDispatch* RSession() const noexcept { return FRSession.Get(); }
    // False when the settings file or its table could not be read: the table then cannot be
    // edited, so that the stored rows are never written over.
    bool EditingEnabled() const noexcept { return FEditingEnabled; }
    THotKeyRows& Rows() noexcept { return FRows; }
    // The table control (made now if it does not exist yet).
    TZelTable& ItemsVST();
    // The table's columns: the control's, or the widths kept for it until it exists.
    ITableColumns& Columns() noexcept;
    TJvLogFile& LogFile() noexcept { return aLogFile; }
    TXMLFileStorage& XMLStorage() noexcept { return aXMLStorage; }
    TFormStorage& FormStorage() noexcept { return aFormStorage; }
    const std::vector<std::unique_ptr<TJvApplicationHotKey>>& HotKeys() const noexcept { return FHotKeys; }
    // The status bar's and the hint label's texts.
    std::u16string StatusText() const;
    std::u16string HintsCaption() const;
    bool ControlsCreated() const noexcept { return FControlsTried; }
    // A control of the window (the controls are made now if they do not exist yet).
    HWND Control(int id);

    // Control identifiers.
    enum : int {
        idHotKeyEdit = 101,
        idAddButton,
        idRemoveButton,
        idHelpButton,
        idUpgradeButton,
        idHints,
        idStatusBar,
        idHotkeysGroup,
        idHelpGroup,
        idMoreGroup,
        idItemsPanel,
        idItemsVST,
    };
    // Help menu commands.
    enum : int { cmWeb = 201, cmHelp, cmSendErrorReport, cmAbout };

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the controls once; they then show the texts and widths kept so far.
    void EnsureControls();
    void CreateControls();
    HWND Existing(int id) const noexcept { return GetDlgItem(FHandle, id); }
    void Layout();
    void Command(int id);
    void RegisterHotKeys();
    // Creates and activates one hotkey component for the row, as RegisterHotKeys does; what
    // stops its hotkey from working, if anything.
    THotKeyProblem AddHotKey(const TTreeData& row);
    // Ends the registrations of a removed row's hotkey text when no remaining row has it.
    void ReleaseHotKey(const std::u16string& hotKeyText);
    void SetStatusText(const std::u16string& text);
    void SetEditingEnabled(bool enabled);
    void SetHints(const std::u16string& text);
    void ReportProblems(const std::vector<std::u16string>& problems);
    void SaveTable();
    void CreateSession();

    TMainFormSettings FSettings;
    HWND FHandle = nullptr;
    bool FFirstShow = false;
    bool FShownOnce = false;
    bool FEditingEnabled = true;
    bool FControlsTried = false;
    std::u16string FOfficeVersion;
    ComPtr<IDispatch> FRSession;
    TJvApplicationHotKey* AppHotKey = nullptr; // the component created last

    // Non-visual parts; destroyed after the window, in reverse order.
    TJvLogFile aLogFile;
    TXMLFileStorage aXMLStorage;
    TFormStorage aFormStorage{aXMLStorage};
    TFormPlacement aFormPlacement{aFormStorage};
    TJclExceptNotifier FNotifier{};
    bool FNotifierAdded = false;
    THotKeyRows FRows;
    TSortHeader FSortHeader;
    THotKeyDispatch FDispatch;
    std::vector<std::unique_ptr<TJvApplicationHotKey>> FHotKeys;

    // Kept by the window while the controls do not exist.
    class TKeptColumns : public ITableColumns {
    public:
        int ColumnCount() const override { return static_cast<int>(FWidths.size()); }
        int ColumnWidth(int index) const override { return FWidths.at(static_cast<size_t>(index)); }
        void SetColumnWidth(int index, int width) override;

    private:
        std::vector<int> FWidths{160, 160, 160};
    };
    TKeptColumns FKeptColumns;
    std::u16string FStatusText;
    std::u16string FHints{u"Hints"};

    // Visual parts.
    TFontHandle FFont;
    TFontHandle FCaptionFont;
    TIconHandle FWindowIcon;
    TIconHandle FAddImage, FRemoveImage, FHelpImage, FUpgradeImage;
    TMenuHandle bMenu;
    HWND ItemsPanel = nullptr;
    std::unique_ptr<TZelTable> FItemsVST;
};

} // namespace zel
