// The stand-in's explorers and inspectors, their collections, and the application.
#include "standins/outlook/StandinOutlook.h"

#include "outlook/OutlookIds.h"
#include "platform/Boundary.h"

#include <algorithm>

namespace zel::standin {

namespace {

const wchar_t* const IndexOutOfRange = L"Array index out of bounds.";

VARIANT DispatchArg(TStandinObject* object) noexcept
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object ? object->Dispatch() : nullptr;
    return v;
}

template <class List>
TOleVariant ItemOf(const List& items, const TCallArgs& a)
{
    const std::int32_t i = a.Int(0);
    if (i < 1 || static_cast<size_t>(i) > items.size())
        throw TStandinError(E_INVALIDARG, IndexOutOfRange);
    return ObjectVariant(items[static_cast<size_t>(i) - 1].Get());
}

} // namespace

// ---- TStandinExplorer

TStandinExplorer::TStandinExplorer(TModelLink model, TStandinFolder* folder, bool standardBar)
    : TStandinObject(L"Explorer", {IID__Explorer}), FModel(std::move(model)), FCurrentFolder(folder),
      FCommandBars(MakeStandin<TStandinCommandBars>())
{
    FCommandBars->SetStandardAvailable(standardBar);
    FCommandBars->SetChangeSignal(FBarChanged);
    AddConnectionPoint(DIID_ExplorerEvents);
    AddProperty(L"Application", [this](const TCallArgs&) { return ObjectVariant(FModel->App); });
    AddProperty(L"CommandBars", [this](const TCallArgs&) { return ObjectVariant(FCommandBars.Get()); });
    AddProperty(L"Caption", [this](const TCallArgs&) {
        return TOleVariant(std::wstring_view(FCurrentFolder ? FCurrentFolder->Name() : std::wstring()));
    });
    // Setting the current folder raises BeforeFolderSwitch and FolderSwitch, as in Outlook, whose
    // type library declares the put by reference (Set explorer.CurrentFolder = folder).
    AddProperty(L"CurrentFolder", [this](const TCallArgs&) { return ObjectVariant(FCurrentFolder.Get()); },
                [this](const TCallArgs& a) {
                    TStandinFolder* folder = StandinCast<TStandinFolder>(a.Value().AsDispatch().Get());
                    if (!folder)
                        throw TStandinError(E_INVALIDARG, L"The object is not a folder.");
                    SwitchFolder(folder);
                },
                TPutKind::Reference);
    AddProperty(L"CurrentView", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FView)); },
                [this](const TCallArgs& a) { SwitchView(a.Value().AsString()); });
    AddMethod(L"Activate", {}, [this](const TCallArgs&) { Activate(); return TOleVariant(); });
    AddMethod(L"Close", {}, [this](const TCallArgs&) { Close(); return TOleVariant(); });
    AddMethod(L"Display", {}, [this](const TCallArgs&) { Activate(); return TOleVariant(); });
}

HRESULT TStandinExplorer::Raise(DISPID dispid, std::vector<VARIANT> args)
{
    return ConnectionPoint(DIID_ExplorerEvents)->Fire(dispid, std::move(args));
}

void TStandinExplorer::Activate()
{
    if (!FOpen)
        return;
    if (FModel->App)
        FModel->App->SetActive(this);
    FModel->Notify(TStandinChange::ExplorerActivated, this);
    Raise(dispid::ExplorerActivate);
}

void TStandinExplorer::Deactivate()
{
    if (FOpen)
        Raise(dispid::ExplorerDeactivate);
}

bool TStandinExplorer::SwitchFolder(TStandinFolder* folder)
{
    ComPtr<TStandinFolder> keep(folder);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> args{DispatchArg(folder), VARIANT{}};
    args[1].vt = VT_BYREF | VT_BOOL;
    args[1].pboolVal = &cancel;
    Raise(dispid::ExplorerBeforeFolderSwitch, std::move(args));
    if (cancel != VARIANT_FALSE)
        return false;
    FCurrentFolder = folder;
    FModel->Notify(TStandinChange::FolderSwitched, this);
    Raise(dispid::ExplorerFolderSwitch);
    return true;
}

TStandinView::TStandinView(std::wstring name) : TStandinObject(L"View", {}), FName(std::move(name))
{
    AddProperty(L"Name", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FName)); });
}

bool TStandinExplorer::RaiseBeforeViewSwitch(const VARIANT& newView)
{
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> args{newView, VARIANT{}};
    args[1].vt = VT_BYREF | VT_BOOL;
    args[1].pboolVal = &cancel;
    Raise(dispid::ExplorerBeforeViewSwitch, std::move(args));
    return cancel != VARIANT_FALSE;
}

bool TStandinExplorer::SwitchView(const std::wstring& view)
{
    ComPtr<TStandinView> object = MakeStandin<TStandinView>(view);
    if (RaiseBeforeViewSwitch(DispatchArg(object.Get())))
        return false;
    FView = view;
    Raise(dispid::ExplorerViewSwitch);
    return true;
}

void TStandinExplorer::ChangeSelection() { Raise(dispid::ExplorerSelectionChange); }

void TStandinExplorer::Close()
{
    if (!FOpen)
        return;
    ComPtr<IUnknown> keepAlive(Dispatch());
    Raise(dispid::ExplorerClose);
    FOpen = false;
    *FBarChanged = nullptr;
    if (FModel->App)
        FModel->App->Closed(this);
    FModel->Notify(TStandinChange::ExplorerClosed, this);
}

void TStandinExplorer::BeforeDestroy() noexcept
{
    *FBarChanged = nullptr;
    FCurrentFolder.Reset();
    FCommandBars.Reset();
}

// ---- TStandinInspector

TStandinInspector::TStandinInspector(TModelLink model, IDispatch* item, std::wstring body)
    : TStandinObject(L"Inspector", {IID__Inspector}), FModel(std::move(model)), FItem(item), FBody(std::move(body)),
      FSelStart(static_cast<LONG>(FBody.size()))
{
    AddConnectionPoint(DIID_InspectorEvents);
    AddProperty(L"Application", [this](const TCallArgs&) { return ObjectVariant(FModel->App); });
    AddProperty(L"CurrentItem", [this](const TCallArgs&) { return TOleVariant(FItem.Get()); });
    AddProperty(L"Caption", [](const TCallArgs&) { return TOleVariant(L"Message"); });
    AddMethod(L"Activate", {}, [this](const TCallArgs&) { Activate(); return TOleVariant(); });
    AddMethod(L"Display", {L"Modal"}, [this](const TCallArgs&) { Activate(); return TOleVariant(); });
    AddMethod(L"Close", {L"SaveMode"}, [this](const TCallArgs&) { Close(); return TOleVariant(); });
}

void* TStandinInspector::QueryExtra(const IID& iid) noexcept
{
    return iid == IID_IStandinInspectorEditor ? static_cast<IStandinInspectorEditor*>(this) : nullptr;
}

HRESULT TStandinInspector::Raise(DISPID dispid) { return ConnectionPoint(DIID_InspectorEvents)->Fire(dispid); }

void TStandinInspector::Activate()
{
    if (!FOpen)
        return;
    if (FModel->App)
        FModel->App->SetActive(this);
    FModel->Notify(TStandinChange::InspectorActivated, this);
    Raise(dispid::InspectorActivate);
}

void TStandinInspector::Deactivate()
{
    if (FOpen)
        Raise(dispid::InspectorDeactivate);
}

void TStandinInspector::Close()
{
    if (!FOpen)
        return;
    ComPtr<IUnknown> keepAlive(Dispatch());
    Raise(dispid::InspectorClose);
    FOpen = false;
    if (FModel->App)
        FModel->App->Closed(this);
    FModel->Notify(TStandinChange::InspectorClosed, this);
}

void TStandinInspector::Edited(std::wstring body, LONG start, LONG length)
{
    FBody = std::move(body);
    const LONG size = static_cast<LONG>(FBody.size());
    FSelStart = std::clamp<LONG>(start, 0, size);
    FSelLength = std::clamp<LONG>(length, 0, size - FSelStart);
    FModel->Notify(TStandinChange::BodyChanged, this);
}

void TStandinInspector::BeforeDestroy() noexcept { FItem.Reset(); }

HRESULT STDMETHODCALLTYPE TStandinInspector::GetBody(BSTR* body) noexcept
{
    if (!body)
        return E_POINTER;
    *body = SysAllocStringLen(FBody.data(), static_cast<UINT>(FBody.size()));
    return *body ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE TStandinInspector::SetBody(BSTR body) noexcept
try {
    FBody.assign(body ? body : L"", body ? SysStringLen(body) : 0);
    FSelStart = static_cast<LONG>(FBody.size());
    FSelLength = 0;
    FModel->Notify(TStandinChange::BodyChanged, this);
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

HRESULT STDMETHODCALLTYPE TStandinInspector::GetSelection(LONG* start, LONG* length) noexcept
{
    if (!start || !length)
        return E_POINTER;
    *start = FSelStart;
    *length = FSelLength;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TStandinInspector::SetSelection(LONG start, LONG length) noexcept
{
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > FBody.size())
        return E_INVALIDARG;
    FSelStart = start;
    FSelLength = length;
    FModel->Notify(TStandinChange::BodyChanged, this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TStandinInspector::ReplaceSelection(BSTR text) noexcept
try {
    if (HRESULT hr = InjectedFailure(L"ReplaceSelection"); FAILED(hr))
        return hr;
    const size_t length = text ? SysStringLen(text) : 0;
    FBody.replace(static_cast<size_t>(FSelStart), static_cast<size_t>(FSelLength), text ? text : L"", length);
    FSelStart += static_cast<LONG>(length);
    FSelLength = 0;
    FModel->Notify(TStandinChange::BodyChanged, this);
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

// ---- the collections

template <class TWindow>
TStandinWindows<TWindow>::TStandinWindows(TModelLink model, std::wstring typeName, const IID& iid, const IID& eventIid)
    : TStandinObject(std::move(typeName), {iid}), FModel(std::move(model)), FEventIid(eventIid)
{
    AddConnectionPoint(eventIid);
    AddProperty(L"Application", [this](const TCallArgs&) { return ObjectVariant(FModel->App); });
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FItems.size())); });
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& a) { return ItemOf(FItems, a); });
}

template <class TWindow>
void TStandinWindows<TWindow>::Add(TWindow* window)
{
    FItems.emplace_back(window);
    ConnectionPoint(FEventIid)->Fire(dispid::NewExplorer, {DispatchArg(window)}); // NewInspector alike
}

template <class TWindow>
void TStandinWindows<TWindow>::Remove(TWindow* window) noexcept
{
    std::erase_if(FItems, [&](const auto& w) { return w.Get() == window; });
}

template class TStandinWindows<TStandinExplorer>;
template class TStandinWindows<TStandinInspector>;

// ---- TStandinApplication

ComPtr<TStandinApplication> TStandinApplication::Create()
{
    auto model = std::make_shared<TStandinModel>();
    ComPtr<TStandinApplication> app;
    *app.GetAddressOf() = new TStandinApplication(model);
    TStandinFolders* stores = app->NameSpace()->Folders();
    ComPtr<TStandinFolder> personal = stores->Add(L"Personal Folders");
    ComPtr<TStandinFolder> inbox = personal->Folders()->Add(L"Inbox");
    inbox->Folders()->Add(L"Projects")->Folders()->Add(L"Alpha");
    personal->Folders()->Add(L"Drafts");
    personal->Folders()->Add(L"Sent Items");
    personal->Folders()->Add(L"Deleted Items");
    stores->Add(L"Archive Folders")->Folders()->Add(L"2025");
    return app;
}

TStandinApplication::TStandinApplication(TModelLink model)
    : TStandinObject(L"Application", {IID__Application}), FModel(std::move(model))
{
    FModel->App = this;
    FNameSpace = MakeStandin<TStandinNameSpace>(FModel);
    FExplorers = MakeStandin<TStandinExplorers>(FModel, L"Explorers", IID__Explorers, DIID_ExplorersEvents);
    FInspectors = MakeStandin<TStandinInspectors>(FModel, L"Inspectors", IID__Inspectors, DIID_InspectorsEvents);
    AddProperty(L"Application", [this](const TCallArgs&) { return ObjectVariant(this); });
    AddProperty(L"Name", [](const TCallArgs&) { return TOleVariant(L"Outlook"); });
    AddProperty(L"Session", [this](const TCallArgs&) { return ObjectVariant(FNameSpace.Get()); });
    AddMethod(L"GetNamespace", {L"Type"}, [this](const TCallArgs& a) {
        if (!SameName(a.String(0), L"MAPI"))
            throw TStandinError(E_INVALIDARG, L"Invalid namespace type.");
        return ObjectVariant(FNameSpace.Get());
    });
    AddProperty(L"Explorers", [this](const TCallArgs&) { return ObjectVariant(FExplorers.Get()); });
    AddProperty(L"Inspectors", [this](const TCallArgs&) { return ObjectVariant(FInspectors.Get()); });
    AddMethod(L"ActiveExplorer", {}, [this](const TCallArgs&) { return ObjectVariant(FActiveExplorer); });
    AddMethod(L"ActiveInspector", {}, [this](const TCallArgs&) { return ObjectVariant(FActiveInspector); });
}

ComPtr<TStandinExplorer> TStandinApplication::OpenExplorer(TStandinFolder* folder, bool standardBar)
{
    ComPtr<TStandinExplorer> explorer = MakeStandin<TStandinExplorer>(FModel, folder, standardBar);
    FExplorers->Add(explorer.Get());
    FModel->Notify(TStandinChange::ExplorerOpened, explorer.Get());
    explorer->Activate();
    return explorer;
}

ComPtr<TStandinInspector> TStandinApplication::OpenInspector(IDispatch* item, std::wstring body)
{
    ComPtr<TStandinInspector> inspector = MakeStandin<TStandinInspector>(FModel, item, std::move(body));
    FInspectors->Add(inspector.Get());
    FModel->Notify(TStandinChange::InspectorOpened, inspector.Get());
    inspector->Activate();
    return inspector;
}

void TStandinApplication::SetActive(TStandinExplorer* explorer) noexcept { FActiveExplorer = explorer; }
void TStandinApplication::SetActive(TStandinInspector* inspector) noexcept { FActiveInspector = inspector; }

void TStandinApplication::Closed(TStandinExplorer* explorer) noexcept
{
    FExplorers->Remove(explorer);
    if (FActiveExplorer == explorer)
        FActiveExplorer = FExplorers->Count() ? FExplorers->At(FExplorers->Count() - 1) : nullptr;
}

void TStandinApplication::Closed(TStandinInspector* inspector) noexcept
{
    FInspectors->Remove(inspector);
    if (FActiveInspector == inspector)
        FActiveInspector = FInspectors->Count() ? FInspectors->At(FInspectors->Count() - 1) : nullptr;
}

void TStandinApplication::BeforeDestroy() noexcept
{
    FModel->App = nullptr;
    FModel->Observer = nullptr;
    FActiveExplorer = nullptr;
    FActiveInspector = nullptr;
    FExplorers.Reset();
    FInspectors.Reset();
    FNameSpace.Reset();
}

} // namespace zel::standin
