// The stand-in Outlook object model: application, namespace, folder tree, explorers and
// inspectors with their collections and connection points, and Office command bars, all reached
// by IDispatch by name like Outlook's own objects. No windows: a host program (or a test) drives
// the model through the C++ methods below (open, activate and close windows, switch folders,
// click buttons) and reads its state back.
//
//   ComPtr<TStandinApplication> app = TStandinApplication::Create();   // default store ready
//   ComPtr<TStandinExplorer> explorer = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"));
//   ComPtr<TStandinInspector> inspector = app->OpenInspector(nullptr, L"Hello");
//   explorer->Close();                                   // raises Close, leaves Explorers
//
// Objects refer to their children by counted references and to their parents by plain links
// that are cut when the parent goes, so there are no reference cycles: once every outside
// reference is released no stand-in object stays alive (LiveStandinObjects() == 0).
#pragma once

#include "standins/common/StandinObject.h"
#include "standins/outlook/StandinOutlookInterfaces.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::standin {

class TStandinApplication;
class TStandinNameSpace;
class TStandinFolder;
class TStandinFolders;
class TStandinItems;
class TStandinExplorer;
class TStandinInspector;
class TStandinCommandBars;
class TStandinCommandBar;
class TStandinControls;
class TStandinButton;

// What changed in a model, for a host program whose windows follow the model.
enum class TStandinChange {
    ExplorerOpened,     // joined Explorers (after NewExplorer), before its first activation
    ExplorerActivated,
    ExplorerClosed,     // after Close was raised and it left Explorers
    FolderSwitched,     // an explorer's current folder
    InspectorOpened,
    InspectorActivated,
    InspectorClosed,
    BodyChanged,        // an inspector's body or selection
};

// Told of every change of one model (on the thread that made it); the object is the explorer
// or inspector concerned.
class IStandinModelObserver {
public:
    virtual void ModelChanged(TStandinChange change, TStandinObject* object) noexcept = 0;

protected:
    ~IStandinModelObserver() = default;
};

// What every object of one model shares: the application while it lives, and its observer.
struct TStandinModel {
    TStandinApplication* App = nullptr;
    IStandinModelObserver* Observer = nullptr;
    void Notify(TStandinChange change, TStandinObject* object) const
    {
        if (Observer)
            Observer->ModelChanged(change, object);
    }
};
using TModelLink = std::shared_ptr<TStandinModel>;

// An object, or a null object reference (Outlook's Nothing), as a variant.
TOleVariant ObjectVariant(TStandinObject* object);

// Item(index) of a collection: a text index is a name looked up by findByName, a number is a
// 1-based position. Null when nothing matches.
template <class T, class F>
T* ItemByNameOrNumber(const TCallArgs& args, const std::vector<ComPtr<T>>& items, F&& findByName)
{
    TOleVariant index = CopyDereferenced(args.Arg(0));
    if (index.Type() == VT_BSTR)
        return findByName(index.AsString());
    const std::int32_t i = index.AsInteger();
    return i >= 1 && static_cast<size_t>(i) <= items.size() ? items[static_cast<size_t>(i) - 1].Get() : nullptr;
}

// ---- folders

class TStandinItems final : public TStandinObject {
public:
    TStandinItems();
    void Add(IDispatch* item);
    // Deletes every item (as the user empties the folder); returns how many there were.
    size_t Clear() noexcept;
    size_t Count() const noexcept { return FItems.size(); }
    IDispatch* At(size_t i) const noexcept { return FItems[i].Get(); }

protected:
    void BeforeDestroy() noexcept override { FItems.clear(); }

private:
    std::vector<ComPtr<IDispatch>> FItems;
};

class TStandinFolders final : public TStandinObject {
public:
    TStandinFolders(TModelLink model, TStandinFolder* parent);
    ComPtr<TStandinFolder> Add(const std::wstring& name);
    // By name, without regard to letter case; null when no folder bears the name.
    TStandinFolder* Find(std::wstring_view name) const noexcept;
    size_t Count() const noexcept { return FFolders.size(); }
    TStandinFolder* At(size_t i) const noexcept { return FFolders[i].Get(); }
    // The owning folder goes: cut the links up to it.
    void Orphan() noexcept;

protected:
    void BeforeDestroy() noexcept override;

private:
    TModelLink FModel;
    TStandinFolder* FParent;
    std::vector<ComPtr<TStandinFolder>> FFolders;
};

class TStandinFolder final : public TStandinObject {
public:
    TStandinFolder(TModelLink model, TStandinFolder* parent, std::wstring name);
    const std::wstring& Name() const noexcept { return FName; }
    TStandinFolder* Parent() const noexcept { return FParent; }
    TStandinFolders* Folders() const noexcept { return FFolders.Get(); }
    TStandinItems* Items() const noexcept { return FItems.Get(); }
    // "\\Root\Sub\Folder"
    std::wstring FolderPath() const;
    // Depth-first search of this folder and everything below it, by name without regard to case.
    TStandinFolder* FindBelow(std::wstring_view name) noexcept;
    // How often Display was called on this folder; each call opened a new explorer on it.
    int DisplayCount() const noexcept { return FDisplayCount; }
    void CutParent() noexcept { FParent = nullptr; }

protected:
    void BeforeDestroy() noexcept override;

private:
    TModelLink FModel;
    TStandinFolder* FParent;
    std::wstring FName;
    ComPtr<TStandinFolders> FFolders;
    ComPtr<TStandinItems> FItems;
    int FDisplayCount = 0;
};

// The namespace's MAPIOBJECT: the way other stand-ins reach this model.
class TStandinMapiSession final : public TStandinObject, public IStandinOutlookSession {
public:
    explicit TStandinMapiSession(TModelLink model);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override { return TStandinObject::QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return TStandinObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override { return TStandinObject::Release(); }

    HRESULT STDMETHODCALLTYPE GetApplication(IDispatch** application) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRootFolder(IDispatch** folder) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDefaultFolder(LONG folderType, IDispatch** folder) noexcept override;
    HRESULT STDMETHODCALLTYPE GetFolderPath(IDispatch* folder, BSTR* path) noexcept override;
    HRESULT STDMETHODCALLTYPE AddItem(IDispatch* folder, IDispatch* item) noexcept override;
    HRESULT STDMETHODCALLTYPE DisplayItem(IDispatch* item) noexcept override;

protected:
    void* QueryExtra(const IID& iid) noexcept override;

private:
    TModelLink FModel;
};

class TStandinNameSpace final : public TStandinObject {
public:
    explicit TStandinNameSpace(TModelLink model);
    TStandinFolders* Folders() const noexcept { return FFolders.Get(); }
    TStandinFolder* DefaultStore() const noexcept;
    // A default folder by Outlook's number (6 Inbox, 16 Drafts), or null.
    TStandinFolder* DefaultFolder(LONG folderType) const noexcept;
    // A folder anywhere in the default store, by name.
    TStandinFolder* FindFolder(std::wstring_view name) const noexcept;
    TStandinMapiSession* MapiSession() const noexcept { return FMapiSession.Get(); }

protected:
    void BeforeDestroy() noexcept override;

private:
    TModelLink FModel;
    ComPtr<TStandinFolders> FFolders;
    ComPtr<TStandinMapiSession> FMapiSession;
};

// ---- command bars

// Raised when a command bar's controls change (a button added, its caption, tag, style, group
// or face set): the explorer that owns the bars sets the function and empties it when it goes.
using TChangeSignal = std::shared_ptr<std::function<void()>>;
inline void Signal(const TChangeSignal& signal)
{
    if (signal && *signal)
        (*signal)();
}

class TStandinButton final : public TStandinObject {
public:
    TStandinButton();
    // Raises Click(button, CancelDefault) on the advised sinks; returns CancelDefault as they
    // left it.
    bool Click(bool cancelDefault = false);

    std::wstring Caption, Tag;
    bool BeginGroup = false;
    std::int32_t Style = 0; // msoButtonAutomatic
    bool Temporary = false;
    // The face taken by PasteFace: size and 32-bit pixels (0x00RRGGBB), top row first.
    int FaceWidth = 0, FaceHeight = 0;
    std::vector<std::uint32_t> FacePixels;
    TChangeSignal Changed;

private:
    void PasteFace();
};

class TStandinControls final : public TStandinObject {
public:
    TStandinControls();
    ComPtr<TStandinButton> AddButton();
    // By caption, without regard to letter case; null when none has it.
    TStandinButton* Find(std::wstring_view caption) const noexcept;
    size_t Count() const noexcept { return FButtons.size(); }
    TStandinButton* At(size_t i) const noexcept { return FButtons[i].Get(); }
    // The signal for this collection and every button in it, now and later.
    void SetChangeSignal(const TChangeSignal& signal);

protected:
    void BeforeDestroy() noexcept override { FButtons.clear(); }

private:
    std::vector<ComPtr<TStandinButton>> FButtons;
    TChangeSignal FChanged;
};

class TStandinCommandBar final : public TStandinObject {
public:
    explicit TStandinCommandBar(std::wstring name);
    const std::wstring& Name() const noexcept { return FName; }
    TStandinControls* Controls() const noexcept { return FControls.Get(); }

protected:
    void BeforeDestroy() noexcept override { FControls.Reset(); }

private:
    std::wstring FName;
    ComPtr<TStandinControls> FControls;
};

class TStandinCommandBars final : public TStandinObject {
public:
    TStandinCommandBars();
    TStandinCommandBar* Standard() const noexcept { return FStandard.Get(); }
    // Whether Item("Standard") finds the bar (Outlook builds it some time after the window).
    void SetStandardAvailable(bool available) noexcept { FStandardAvailable = available; }
    bool StandardAvailable() const noexcept { return FStandardAvailable; }
    void SetChangeSignal(const TChangeSignal& signal) { FStandard->Controls()->SetChangeSignal(signal); }

protected:
    void BeforeDestroy() noexcept override { FStandard.Reset(); }

private:
    ComPtr<TStandinCommandBar> FStandard;
    bool FStandardAvailable = true;
};

// ---- windows

// A view of an explorer (only its name).
class TStandinView final : public TStandinObject {
public:
    explicit TStandinView(std::wstring name);
    const std::wstring& Name() const noexcept { return FName; }

private:
    std::wstring FName;
};

class TStandinExplorer final : public TStandinObject {
public:
    TStandinExplorer(TModelLink model, TStandinFolder* folder, bool standardBar);
    TStandinFolder* CurrentFolder() const noexcept { return FCurrentFolder.Get(); }
    TStandinCommandBars* CommandBars() const noexcept { return FCommandBars.Get(); }
    bool IsOpen() const noexcept { return FOpen; }

    // Each raises the event of the same name; the Before events return false when a sink
    // cancelled, and the change then does not happen.
    void Activate();
    void Deactivate();
    bool SwitchFolder(TStandinFolder* folder);
    bool SwitchView(const std::wstring& view);
    // Raises BeforeViewSwitch with any first argument (Outlook passes a View object; some
    // versions passed the view's name); returns the Cancel the sinks left.
    bool RaiseBeforeViewSwitch(const VARIANT& newView);
    void ChangeSelection();
    // Raises Close and takes the explorer out of the application's Explorers.
    void Close();
    const std::wstring& CurrentView() const noexcept { return FView; }
    // Called (on the explorer's thread) whenever its "Standard" bar's controls change; an empty
    // function stops the calls.
    void OnCommandBarChanged(std::function<void()> handler) { *FBarChanged = std::move(handler); }

protected:
    void BeforeDestroy() noexcept override;

private:
    HRESULT Raise(DISPID dispid, std::vector<VARIANT> args = {});
    TModelLink FModel;
    ComPtr<TStandinFolder> FCurrentFolder;
    ComPtr<TStandinCommandBars> FCommandBars;
    TChangeSignal FBarChanged = std::make_shared<std::function<void()>>();
    std::wstring FView = L"Messages";
    bool FOpen = true;
};

class TStandinInspector final : public TStandinObject, public IStandinInspectorEditor {
public:
    TStandinInspector(TModelLink model, IDispatch* item, std::wstring body);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override { return TStandinObject::QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return TStandinObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override { return TStandinObject::Release(); }

    HRESULT STDMETHODCALLTYPE GetBody(BSTR* body) noexcept override;
    HRESULT STDMETHODCALLTYPE SetBody(BSTR body) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSelection(LONG* start, LONG* length) noexcept override;
    HRESULT STDMETHODCALLTYPE SetSelection(LONG start, LONG length) noexcept override;
    HRESULT STDMETHODCALLTYPE ReplaceSelection(BSTR text) noexcept override;

    IDispatch* Item() const noexcept { return FItem.Get(); }
    const std::wstring& Body() const noexcept { return FBody; }
    LONG SelStart() const noexcept { return FSelStart; }
    LONG SelLength() const noexcept { return FSelLength; }
    bool IsOpen() const noexcept { return FOpen; }
    // What a person's typing in the window did: the new body and selection at once (the range
    // is clipped to the body).
    void Edited(std::wstring body, LONG start, LONG length);

    void Activate();
    void Deactivate();
    void Close();

protected:
    void* QueryExtra(const IID& iid) noexcept override;
    void BeforeDestroy() noexcept override;

private:
    HRESULT Raise(DISPID dispid);
    TModelLink FModel;
    ComPtr<IDispatch> FItem;
    std::wstring FBody;
    LONG FSelStart = 0, FSelLength = 0;
    bool FOpen = true;
};

// The Explorers and Inspectors collections: Count, 1-based Item, and the event raised when a
// window joins (NewExplorer / NewInspector, DISPID 0xF001).
template <class TWindow>
class TStandinWindows final : public TStandinObject {
public:
    TStandinWindows(TModelLink model, std::wstring typeName, const IID& iid, const IID& eventIid);
    size_t Count() const noexcept { return FItems.size(); }
    TWindow* At(size_t i) const noexcept { return FItems[i].Get(); }
    // Adds the window and raises the new-window event.
    void Add(TWindow* window);
    void Remove(TWindow* window) noexcept;

protected:
    void BeforeDestroy() noexcept override { FItems.clear(); }

private:
    TModelLink FModel;
    IID FEventIid;
    std::vector<ComPtr<TWindow>> FItems;
};

extern template class TStandinWindows<TStandinExplorer>;
extern template class TStandinWindows<TStandinInspector>;
using TStandinExplorers = TStandinWindows<TStandinExplorer>;
using TStandinInspectors = TStandinWindows<TStandinInspector>;

// ---- the application

class TStandinApplication final : public TStandinObject {
public:
    // A new model with its default store: "Personal Folders" holding "Inbox" (with "Projects"
    // and its "Alpha" below), "Drafts", "Sent Items", "Deleted Items"; and a second store
    // "Archive Folders" holding "2025".
    static ComPtr<TStandinApplication> Create();

    TStandinNameSpace* NameSpace() const noexcept { return FNameSpace.Get(); }
    TStandinExplorers* Explorers() const noexcept { return FExplorers.Get(); }
    TStandinInspectors* Inspectors() const noexcept { return FInspectors.Get(); }
    TStandinExplorer* ActiveExplorer() const noexcept { return FActiveExplorer; }
    TStandinInspector* ActiveInspector() const noexcept { return FActiveInspector; }
    // The one observer of the model's changes (null for none).
    void SetObserver(IStandinModelObserver* observer) noexcept { FModel->Observer = observer; }
    void Notify(TStandinChange change, TStandinObject* object) const { FModel->Notify(change, object); }

    // Opens a window: it joins its collection (NewExplorer/NewInspector is raised), then it is
    // activated. standardBar: whether its "Standard" command bar is available at once.
    ComPtr<TStandinExplorer> OpenExplorer(TStandinFolder* folder, bool standardBar = true);
    ComPtr<TStandinInspector> OpenInspector(IDispatch* item, std::wstring body = {});

    // Called by the windows.
    void SetActive(TStandinExplorer* explorer) noexcept;
    void SetActive(TStandinInspector* inspector) noexcept;
    void Closed(TStandinExplorer* explorer) noexcept;
    void Closed(TStandinInspector* inspector) noexcept;
    // The folders that Display was called on, in order (each opened a new explorer).
    std::vector<std::wstring> DisplayedFolders;
    // The items shown through the MAPI session's DisplayItem.
    int ItemDisplays = 0;

protected:
    void BeforeDestroy() noexcept override;

private:
    explicit TStandinApplication(TModelLink model);
    template <class T, class... A>
    friend ComPtr<T> MakeStandin(A&&... args);

    TModelLink FModel;
    ComPtr<TStandinNameSpace> FNameSpace;
    ComPtr<TStandinExplorers> FExplorers;
    ComPtr<TStandinInspectors> FInspectors;
    TStandinExplorer* FActiveExplorer = nullptr;
    TStandinInspector* FActiveInspector = nullptr;
};

} // namespace zel::standin
