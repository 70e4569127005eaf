// The stand-in Outlook's real windows, each following one object of the model:
//   TExplorerWindow: the "Standard" tool strip (the command bar's buttons), the folder tree and a
//     pane with the current folder's path; a tree selection switches the model's folder, a
//     switch made through the model shows in tree and pane.
//   TInspectorWindow: a message window (To, Subject, attachments, body) whose body edit and caret
//     are the inspector's body and selection in both directions.
// Activation and closing go to the host (IWindowHost), which raises them through the model.
#pragma once

#include "platform/Handles.h"
#include "standins/outlook/StandinOutlook.h"

#include <map>
#include <string>

#include <windows.h>
#include <commctrl.h>

namespace zel::standin::host {

class IWindowHost {
public:
    // A person activated or deactivated the window (WM_ACTIVATE).
    virtual void WindowActivated(TStandinObject* window, bool active) noexcept = 0;
    // The window's close box: the host closes the model's window.
    virtual void WindowCloseAsked(TStandinObject* window) noexcept = 0;
    // The tool strip's own "New" button.
    virtual void NewMessageAsked() noexcept = 0;

protected:
    ~IWindowHost() = default;
};

// Common to both windows: the top-level window of a class of its own, its messages routed to
// HandleMessage, activation events suppressed while the host itself moves the focus.
class THostWindow {
public:
    THostWindow(const THostWindow&) = delete;
    THostWindow& operator=(const THostWindow&) = delete;
    virtual ~THostWindow();

    HWND Handle() const noexcept { return FHandle.get(); }
    // Brings the window to the front without raising an activation through the host.
    void BringToFront() noexcept;
    // Destroys the window; no event reaches the host any more.
    void Destroy() noexcept;
    // Repaints the window and its children now.
    void RedrawNow() noexcept;

protected:
    THostWindow(IWindowHost& host, TStandinObject* object) : FHost(host), FObject(object) {}
    void Create(const wchar_t* className, const std::wstring& caption, const RECT& bounds);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void Created() = 0;
    virtual void Layout(int width, int height) = 0;
    HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0);

    IWindowHost& FHost;
    TStandinObject* FObject;
    TWindowHandle FHandle;
    TFontHandle FFont, FBoldFont;
    bool FSuppressActivation = false;
    bool FDestroyed = false;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
};

class TExplorerWindow final : public THostWindow {
public:
    // stores: the namespace's top folders, which the tree shows.
    TExplorerWindow(IWindowHost& host, TStandinExplorer* explorer, TStandinFolders* stores, const RECT& bounds);
    ~TExplorerWindow() override;

    TStandinExplorer* Explorer() const noexcept { return FExplorer; }
    // Shows the model's current folder in tree, pane and caption.
    void ShowFolder();
    // Rebuilds the tool strip from the command bar (at once, or at the next RefreshIfDue).
    void RebuildToolStrip();
    void ToolStripChanged() noexcept;
    void RefreshIfDue();
    // Clicks the tool strip's button of that caption as the mouse does; false when there is none.
    bool ClickButton(const std::wstring& caption);
    HWND ToolStrip() const noexcept { return FToolStrip; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Created() override;
    void Layout(int width, int height) override;

private:
    void FillTree(TStandinFolder* folder, HTREEITEM parent);
    void TreeSelectionChanged(const NMTREEVIEWW& change);
    TStandinExplorer* FExplorer;
    TStandinFolders* FStores;
    HWND FToolStrip = nullptr, FTree = nullptr, FPath = nullptr, FItems = nullptr, FStatus = nullptr;
    HIMAGELIST FImages = nullptr;
    std::map<TStandinFolder*, HTREEITEM> FTreeItems;
    bool FUpdating = false;
    bool FToolStripDue = false;
};

class TInspectorWindow final : public THostWindow {
public:
    TInspectorWindow(IWindowHost& host, TStandinInspector* inspector, const RECT& bounds);

    TStandinInspector* Inspector() const noexcept { return FInspector; }
    // Shows the model's body and selection in the body edit (when they differ from it).
    void ShowBody();
    // Reads the message fields (To, Subject, attachments) of the inspector's item again.
    void ShowMessageFields();
    // Types the text into the body edit character by character, as the keyboard does.
    void Type(const std::wstring& text);
    // Sets the body edit's selection, as a click or the arrow keys do.
    void Select(long start, long length);
    HWND Body() const noexcept { return FBody; }
    // Keeps the model's selection equal to the edit's (after a key or mouse message).
    void SyncSelection();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Created() override;
    void Layout(int width, int height) override;

private:
    void BodyEdited();
    static LRESULT CALLBACK BodyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self) noexcept;
    TStandinInspector* FInspector;
    HWND FToLabel = nullptr, FTo = nullptr, FSubjectLabel = nullptr, FSubject = nullptr;
    HWND FAttachLabel = nullptr, FAttachments = nullptr, FBody = nullptr;
    bool FUpdating = false;
};

// The message fields of an item as the inspector window shows them: recipients' names joined
// by "; ", the subject, the attachments' display names joined by "; ". Empty for an item that
// has none (or no item).
struct TMessageFields {
    bool IsMessage = false;  // the item has a Subject
    std::wstring To, Subject, Attachments;
};
TMessageFields ReadMessageFields(IDispatch* item) noexcept;

} // namespace zel::standin::host
