// Wrappers that attach to one Outlook object (a window, a window collection, a command-bar
// button) through its connection point and turn the DISPID-numbered calls on its event
// interface into typed callbacks.
//
//   TOutlookExplorer explorer(explorerIntf);            // attaches (silently without events
//   explorer.OnClose = [&](TOutlookServer* s) { ... }; //  when the object has none)
//   explorer.Disconnect();                              // detaches; ConnectTo re-attaches
//
// A wrapper may be destroyed from inside one of its own callbacks (an owner's OnClose handler
// removing it from a list): the sink touches it no more after the callback returns, and later
// calls on the sink do nothing. Failures inside a callback never reach the caller: the sink's
// Invoke catches everything and returns S_OK (see TServerEventDispatch::Invoke).
#pragma once

#include "outlook/OleVariant.h"

#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace zel {

// One record per wrapper class: Outlook's class ID, its default interface and its outgoing
// event interface (only the last is used to connect).
struct TServerData {
    CLSID ClassID;
    IID IntfIID;
    IID EventIID;
};

class TOutlookServer;
class TOutlookExplorer;
class TOutlookExplorers;
class TOutlookInspector;
class TOutlookInspectors;
class TOutlookCommandBarButton;

using TNotifyEvent = std::function<void(TOutlookServer* Sender)>;
using TBeforeFolderSwitchEvent = std::function<void(TOutlookExplorer* Sender, IDispatch* NewFolder, VARIANT_BOOL& Cancel)>;
using TBeforeViewSwitchEvent = std::function<void(TOutlookExplorer* Sender, IDispatch* NewView, VARIANT_BOOL& Cancel)>;
// Explorer: the dispatch interface of the object's _Explorer.
using TNewExplorerEvent = std::function<void(TOutlookExplorers* Sender, IDispatch* Explorer)>;
using TInspectorEvent = std::function<void(TOutlookInspector* Sender)>;
// Inspector: the dispatch interface of the object's _Inspector.
using TNewInspectorEvent = std::function<void(TOutlookInspectors* Sender, IDispatch* Inspector)>;
// Ctrl: the dispatch interface of the object's _CommandBarButton.
using TCommandBarButtonClickEvent =
    std::function<void(TOutlookCommandBarButton* Sender, IDispatch* Ctrl, VARIANT_BOOL& CancelDefault)>;

// The IDispatch object handed to Outlook as the event sink of one wrapper.
class TServerEventDispatch final : public IDispatch {
public:
    explicit TServerEventDispatch(TOutlookServer* server) noexcept : FServer(server) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) noexcept override;
    // Hands the event to the wrapper with the arguments in declared order, then writes the
    // values of by-reference arguments back. Always S_OK: a failure raised by a callback (or by
    // the argument conversion) is caught here and the by-reference arguments are then left as
    // the caller passed them.
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept override;

    // Cuts the back-link: later calls do nothing.
    void DetachServer() noexcept { FServer = nullptr; }
    ULONG RefCount() const noexcept { return FRefCount; }

private:
    ~TServerEventDispatch() = default;
    TOutlookServer* FServer;
    ULONG FRefCount = 1; // the wrapper's reference
};

class TOutlookServer {
public:
    TOutlookServer(const TOutlookServer&) = delete;
    TOutlookServer& operator=(const TOutlookServer&) = delete;
    virtual ~TOutlookServer();

    // Detaches from whatever is attached, then attaches to svrIntf, which may be the object
    // attached now. A failed query, look-up or Advise leaves the wrapper holding the object
    // without events.
    void ConnectTo(IUnknown* svrIntf);
    // Detaches (unadvises when advised); does nothing when nothing is attached.
    virtual void Disconnect() noexcept;
    // Attaches to the running object of the class when nothing is attached. The wrappers are
    // always created attached to an interface and never take this path.
    virtual void Connect();
    // An object is attached and it is a connection-point container.
    bool Connected() const noexcept;
    IUnknown* Intf() const noexcept { return FIntf.Get(); }
    const TServerData& ServerData() const noexcept { return *FServerData; }
    DWORD AdviseCookie() const noexcept { return FCookie; }
    TServerEventDispatch* EventSink() const noexcept { return FEventDispatch; }
    // References the sink holds beyond the wrapper's own (counted while the wrapper lives).
    long SinkReferences() const noexcept { return FSinkRefs; }

    // Routes one event; Params are in declared order and may be changed (by-reference values).
    virtual void DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params);

protected:
    TOutlookServer(const TServerData& serverData, IUnknown* svrIntf);

private:
    friend class TServerEventDispatch;
    const TServerData* FServerData;
    ComPtr<IUnknown> FIntf;
    TServerEventDispatch* FEventDispatch;
    DWORD FCookie = 0;
    long FSinkRefs = 0;
};

class TOutlookExplorer : public TOutlookServer {
public:
    explicit TOutlookExplorer(IUnknown* svrIntf);
    static const TServerData ServerDataOf;

    TNotifyEvent OnClose;
    TBeforeFolderSwitchEvent OnBeforeFolderSwitch;
    TBeforeViewSwitchEvent OnBeforeViewSwitch;
    TNotifyEvent OnSelectionChange;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnFolderSwitch;
    TNotifyEvent OnViewSwitch;
    TNotifyEvent OnActivate;

    void DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params) override;
};

class TOutlookExplorers : public TOutlookServer {
public:
    explicit TOutlookExplorers(IUnknown* svrIntf);
    static const TServerData ServerDataOf;

    TNewExplorerEvent OnNewExplorer;

    void DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params) override;
};

class TOutlookInspector : public TOutlookServer {
public:
    explicit TOutlookInspector(IUnknown* svrIntf);
    static const TServerData ServerDataOf;

    TInspectorEvent OnActivate;
    TInspectorEvent OnClose;
    TInspectorEvent OnDeactivate;

    void DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params) override;
};

class TOutlookInspectors : public TOutlookServer {
public:
    explicit TOutlookInspectors(IUnknown* svrIntf);
    static const TServerData ServerDataOf;

    TNewInspectorEvent OnNewInspector;

    void DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params) override;
};

class TOutlookCommandBarButton : public TOutlookServer {
public:
    explicit TOutlookCommandBarButton(IUnknown* svrIntf);
    static const TServerData ServerDataOf;

    TCommandBarButtonClickEvent OnClick;

    void DispatchEvent(DISPID DispID, std::vector<TOleVariant>& Params) override;
};

} // namespace zel
