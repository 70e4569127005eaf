// The add-in object that Outlook creates and connects (TZelHotkeys), the wrappers of the
// explorer and inspector windows it tracks, and the toolbar button each explorer gets.
//
//   Outlook: CoCreateInstance(CLSID of ZelHotkeys.CZelHotkeys) -> OnConnection(app, ...)
//     connection: namespace kept, window collections and open windows wrapped, a button on
//     every explorer's "Standard" bar, MainForm and AboutForm created hidden, the hotkey table
//     loaded and its hotkeys registered.
//   last tracked window closes, or OnDisconnection with windows up: MainForm closed (placement,
//     widths, file) and destroyed (hotkeys unregistered, log freed), AboutForm destroyed.
//   a window opening after that, within the same connection: both windows come back.
//
// Every entry point from Outlook (the IDTExtensibility2 methods, the window and button events)
// ends its failures at its own boundary: nothing ever crosses into Outlook.
#pragma once

#include "outlook/Extensibility.h"
#include "outlook/OleVariant.h"
#include "outlook/uOutlookEvents.h"

#include <memory>
#include <string>
#include <vector>

#include <windows.h>
#include <unknwn.h>

namespace zel {

class TAboutForm;
class TMainForm;
class TAddinExplorer;
class TAddinInspector;

// The module-wide objects that other parts reach without a reference to the add-in object.
extern ComPtr<IDispatch> OutlookNameSpace;
extern std::unique_ptr<TMainForm> MainForm;
extern std::unique_ptr<TAboutForm> AboutForm;

// The module unloads: the module-wide objects go now. At the process's end (processExit) they are
// left to it instead, since the host's objects and the windows' thread may be gone already.
void FinalizeAddin(bool processExit) noexcept;

// Creates a new add-in object (aggregated under outer when given) and queries it for riid.
// The class factory's CreateInstance, after its own argument checks.
HRESULT CreateZelHotkeys(IUnknown* outer, REFIID riid, void** ppv) noexcept;

// A command-bar button the add-in put on an explorer's bar.
class TAddinOutlookButton final : public TOutlookCommandBarButton {
public:
    using TOutlookCommandBarButton::TOutlookCommandBarButton;
    TAddinInspector* Inspector() const noexcept { return FInspector; }
    const std::wstring& Data() const noexcept { return FData; }
    TAddinExplorer* Explorer() const noexcept { return FExplorer; }
    void SetExplorer(TAddinExplorer* explorer) noexcept { FExplorer = explorer; }

private:
    TAddinInspector* FInspector = nullptr;
    std::wstring FData;
    TAddinExplorer* FExplorer = nullptr;
};

using TAddinButtons = std::vector<std::unique_ptr<TAddinOutlookButton>>;

class TAddinExplorer final : public TOutlookExplorer {
public:
    explicit TAddinExplorer(IUnknown* explorer) : TOutlookExplorer(explorer) {}
    // The buttons go (and detach) before the explorer's own connection.
    ~TAddinExplorer() override { FButtons.clear(); }
    TAddinButtons& Buttons() noexcept { return FButtons; }

private:
    TAddinButtons FButtons;
};

class TAddinInspector final : public TOutlookInspector {
public:
    explicit TAddinInspector(IUnknown* inspector) : TOutlookInspector(inspector) {}
    ~TAddinInspector() override { FButtons.clear(); }
    TAddinButtons& Buttons() noexcept { return FButtons; }

private:
    TAddinButtons FButtons;
};

// The add-in object. Its IDispatch (the IDTExtensibility2 table's first entries, and the member-
// less dual IZelHotkeys) is answered from the type library.
class TZelHotkeys final : public IDTExtensibility2, public IProvideClassInfo, public ISupportErrorInfo {
public:
    // outer: the controlling object when aggregated, else null.
    explicit TZelHotkeys(IUnknown* outer);
    TZelHotkeys(const TZelHotkeys&) = delete;
    TZelHotkeys& operator=(const TZelHotkeys&) = delete;
    // The non-delegating IUnknown (the outer object's view of this one).
    IUnknown* InnerUnknown() noexcept { return &FInner; }

    // IUnknown (delegates to the controlling object).
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;
    // IDTExtensibility2
    STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                              SAFEARRAY** custom) noexcept override;
    STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) noexcept override;
    STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) noexcept override;
    STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) noexcept override;
    STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) noexcept override;
    // IProvideClassInfo
    STDMETHODIMP GetClassInfo(ITypeInfo** ppTI) noexcept override;
    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) noexcept override;

    // ---- Handlers hung on the event wrappers.
    void OnNewInspector(TOutlookInspectors* Sender, IDispatch* Inspector);
    void OnNewExplorer(TOutlookExplorers* Sender, IDispatch* Explorer);
    void OnInspectorClose(TOutlookServer* Sender);
    void OnExplorerClose(TOutlookServer* Sender);
    void OnExplorerActivate(TOutlookServer* Sender) noexcept;
    // Gives one explorer its button; never fails outward.
    void InstallExplorerToolbar(TAddinExplorer& Explorer) noexcept;
    void OnZelHotkeysClick(TOutlookCommandBarButton* Sender, IDispatch* Ctrl, VARIANT_BOOL& CancelDefault);

    // ---- State, for tests.
    const std::vector<std::unique_ptr<TAddinInspector>>& InspectorsList() const noexcept { return FInspectorsList; }
    const std::vector<std::unique_ptr<TAddinExplorer>>& ExplorersList() const noexcept { return FExplorersList; }
    IDispatch* Application() const noexcept { return FApplication.Get(); }

private:
    class TInner final : public IUnknown {
    public:
        explicit TInner(TZelHotkeys& owner) noexcept : FOwner(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
        STDMETHODIMP_(ULONG) AddRef() noexcept override;
        STDMETHODIMP_(ULONG) Release() noexcept override;

    private:
        TZelHotkeys& FOwner;
    };

    ~TZelHotkeys();
    void Connect(IDispatch* Application);
    void Disconnect();
    // Connection steps 7 and 8: the settings and About windows, the table and the hotkeys.
    void CreateWindows();
    // Closes and destroys the two windows when they exist; the destruction happens even when
    // the closing fails.
    void TearDownWindows() noexcept;
    // After a close: the windows go when no tracked window is left.
    void WindowClosed();
    // The failure being handled as the method's HRESULT, published as COM error information.
    HRESULT PublishCaught() noexcept;

    TInner FInner;
    IUnknown* FOuter;
    LONG FRefCount = 1;
    ComPtr<IDispatch> FApplication;
    std::unique_ptr<TOutlookInspectors> FInspectors;
    std::vector<std::unique_ptr<TAddinInspector>> FInspectorsList;
    std::unique_ptr<TOutlookExplorers> FExplorers;
    std::vector<std::unique_ptr<TAddinExplorer>> FExplorersList;
    // The windows were torn down within this connection: a window that opens brings them back.
    bool FWindowsTornDown = false;
};

// The toolbar button's constants.
inline constexpr const wchar_t* ButtonBarName = L"Standard";
inline constexpr const wchar_t* ButtonCaption = L"Zelkor Hotkeys";
inline constexpr const wchar_t* ButtonIconName = L"fish";
inline constexpr std::int32_t ButtonControlType = 1; // a plain button
inline constexpr std::int32_t ButtonStyle = 3;       // icon and caption

// Finds the bar's control captioned Caption, or adds a temporary one; sets its caption, group
// separator, tag and (ResName not empty) icon; wraps it and appends the wrapper to the
// explorer's buttons. Failures go to the caller.
TAddinOutlookButton* AddExplorerButton(TAddinExplorer& Explorer, const TOleVariant& CommandBar,
                                       const std::wstring& Caption, const std::wstring& ResName,
                                       std::int32_t ButtonType, bool BeginGroup);
// Puts the module's icon resource ResName on the control's face through the clipboard, which is
// saved before and restored after. A failure leaves the button's default face.
void SetButtonIcon(const std::wstring& ResName, const TOleVariant& Button) noexcept;
// Caption + "_" + a pseudo-random number in 0..2147483646 (the generator seeded once per process).
std::wstring ButtonTag(const std::wstring& caption);

} // namespace zel
