// The stand-in's folder tree, its items, the namespace and the namespace's MAPIOBJECT.
#include "standins/outlook/StandinOutlook.h"

#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "outlook/LateBinding.h"
#include "outlook/OutlookIds.h"

namespace zel::standin {

namespace {

// Outlook's answer for a name or number it does not find.
constexpr HRESULT MAPI_E_NOT_FOUND_ = static_cast<HRESULT>(0x8004010F);
const wchar_t* const NotFoundText = L"The attempted operation failed. An object could not be found.";

} // namespace

TOleVariant ObjectVariant(TStandinObject* object)
{
    return TOleVariant(object ? object->Dispatch() : static_cast<IDispatch*>(nullptr));
}

// ---- TStandinItems

TStandinItems::TStandinItems() : TStandinObject(L"Items", {IID__Items})
{
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FItems.size())); });
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& a) {
        const std::int32_t i = a.Int(0);
        if (i < 1 || static_cast<size_t>(i) > FItems.size())
            throw TStandinError(MAPI_E_NOT_FOUND_, NotFoundText);
        return TOleVariant(FItems[static_cast<size_t>(i) - 1].Get());
    });
}

void TStandinItems::Add(IDispatch* item) { FItems.emplace_back(item); }

size_t TStandinItems::Clear() noexcept
{
    const size_t count = FItems.size();
    auto items = std::move(FItems); // released after the list is empty: a release may call back
    FItems.clear();
    return count;
}

// ---- TStandinFolders

TStandinFolders::TStandinFolders(TModelLink model, TStandinFolder* parent)
    : TStandinObject(L"Folders", {IID__Folders}), FModel(std::move(model)), FParent(parent)
{
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FFolders.size())); });
    // Item(name) compares names without regard to letter case; Item(number) is 1-based.
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& a) {
        TStandinFolder* found = ItemByNameOrNumber(a, FFolders, [this](const std::wstring& n) { return Find(n); });
        if (!found)
            throw TStandinError(MAPI_E_NOT_FOUND_, NotFoundText);
        return ObjectVariant(found);
    });
    AddMethod(L"Add", {L"Name", L"Type"}, [this](const TCallArgs& a) {
        const std::wstring name = a.String(0);
        if (name.empty() || Find(name))
            throw TStandinError(E_INVALIDARG, L"Cannot create the folder.");
        return ObjectVariant(Add(name).Get());
    });
}

ComPtr<TStandinFolder> TStandinFolders::Add(const std::wstring& name)
{
    ComPtr<TStandinFolder> folder = MakeStandin<TStandinFolder>(FModel, FParent, name);
    FFolders.push_back(folder);
    return folder;
}

TStandinFolder* TStandinFolders::Find(std::wstring_view name) const noexcept
{
    for (const auto& f : FFolders)
        if (SameName(f->Name(), name))
            return f.Get();
    return nullptr;
}

void TStandinFolders::Orphan() noexcept
{
    FParent = nullptr;
    for (auto& f : FFolders)
        f->CutParent();
}

void TStandinFolders::BeforeDestroy() noexcept
{
    for (auto& f : FFolders)
        f->CutParent();
    FFolders.clear();
}

// ---- TStandinFolder

TStandinFolder::TStandinFolder(TModelLink model, TStandinFolder* parent, std::wstring name)
    : TStandinObject(L"Folder", {IID_MAPIFolder}), FModel(std::move(model)), FParent(parent), FName(std::move(name)),
      FFolders(MakeStandin<TStandinFolders>(FModel, this)), FItems(MakeStandin<TStandinItems>())
{
    AddProperty(L"Name", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FName)); },
                [this](const TCallArgs& a) { FName = a.Value().AsString(); });
    AddProperty(L"Folders", [this](const TCallArgs&) { return ObjectVariant(FFolders.Get()); });
    AddProperty(L"Items", [this](const TCallArgs&) { return ObjectVariant(FItems.Get()); });
    AddProperty(L"Parent", [this](const TCallArgs&) { return ObjectVariant(FParent); });
    // As in Outlook, displaying a folder opens a new explorer window on it (raising NewExplorer
    // on the Explorers collection), which becomes the active one.
    AddMethod(L"Display", {}, [this](const TCallArgs&) {
        ++FDisplayCount;
        if (FModel->App) {
            FModel->App->DisplayedFolders.push_back(FolderPath());
            FModel->App->OpenExplorer(this);
        }
        return TOleVariant();
    });
}

std::wstring TStandinFolder::FolderPath() const
{
    std::wstring path = FName;
    for (TStandinFolder* p = FParent; p; p = p->Parent())
        path = p->Name() + L"\\" + path;
    return L"\\\\" + path;
}

TStandinFolder* TStandinFolder::FindBelow(std::wstring_view name) noexcept
{
    if (SameName(FName, name))
        return this;
    for (size_t i = 0; i < FFolders->Count(); ++i)
        if (TStandinFolder* found = FFolders->At(i)->FindBelow(name))
            return found;
    return nullptr;
}

void TStandinFolder::BeforeDestroy() noexcept
{
    FFolders->Orphan();
    FFolders.Reset();
    FItems.Reset();
}

// ---- TStandinMapiSession

TStandinMapiSession::TStandinMapiSession(TModelLink model) : TStandinObject(L"MAPISession", {}), FModel(std::move(model)) {}

void* TStandinMapiSession::QueryExtra(const IID& iid) noexcept
{
    return iid == IID_IStandinOutlookSession ? static_cast<IStandinOutlookSession*>(this) : nullptr;
}

namespace {

HRESULT HandOut(TStandinObject* object, IDispatch** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!object)
        return MAPI_E_NOT_FOUND_;
    *out = object->Dispatch();
    (*out)->AddRef();
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE TStandinMapiSession::GetApplication(IDispatch** application) noexcept
{
    if (HRESULT hr = InjectedFailure(L"GetApplication"); FAILED(hr))
        return hr;
    return FModel->App ? HandOut(FModel->App, application) : (application ? (*application = nullptr, E_UNEXPECTED) : E_POINTER);
}

HRESULT STDMETHODCALLTYPE TStandinMapiSession::GetRootFolder(IDispatch** folder) noexcept
{
    if (HRESULT hr = InjectedFailure(L"GetRootFolder"); FAILED(hr))
        return hr;
    return HandOut(FModel->App ? FModel->App->NameSpace()->DefaultStore() : nullptr, folder);
}

HRESULT STDMETHODCALLTYPE TStandinMapiSession::GetDefaultFolder(LONG folderType, IDispatch** folder) noexcept
{
    if (HRESULT hr = InjectedFailure(L"GetDefaultFolder"); FAILED(hr))
        return hr;
    return HandOut(FModel->App ? FModel->App->NameSpace()->DefaultFolder(folderType) : nullptr, folder);
}

HRESULT STDMETHODCALLTYPE TStandinMapiSession::GetFolderPath(IDispatch* folder, BSTR* path) noexcept
try {
    if (!path)
        return E_POINTER;
    *path = nullptr;
    if (HRESULT hr = InjectedFailure(L"GetFolderPath"); FAILED(hr))
        return hr;
    TStandinFolder* f = StandinCast<TStandinFolder>(folder);
    if (!f)
        return E_INVALIDARG;
    const std::wstring text = f->FolderPath();
    *path = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *path ? S_OK : E_OUTOFMEMORY;
}
ZEL_CATCH_RETURN_HRESULT

HRESULT STDMETHODCALLTYPE TStandinMapiSession::AddItem(IDispatch* folder, IDispatch* item) noexcept
try {
    if (HRESULT hr = InjectedFailure(L"AddItem"); FAILED(hr))
        return hr;
    TStandinFolder* f = StandinCast<TStandinFolder>(folder);
    if (!f || !item)
        return E_INVALIDARG;
    f->Items()->Add(item);
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

HRESULT STDMETHODCALLTYPE TStandinMapiSession::DisplayItem(IDispatch* item) noexcept
try {
    if (HRESULT hr = InjectedFailure(L"DisplayItem"); FAILED(hr))
        return hr;
    if (!item)
        return E_INVALIDARG;
    if (!FModel->App)
        return E_UNEXPECTED;
    std::wstring body;
    try {
        body = OleGet(item, L"Body").AsString();
    } catch (const Exception&) {
        // an item without a readable body opens with an empty one
    }
    ++FModel->App->ItemDisplays;
    FModel->App->OpenInspector(item, std::move(body));
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

// ---- TStandinNameSpace

TStandinNameSpace::TStandinNameSpace(TModelLink model)
    : TStandinObject(L"NameSpace", {IID__NameSpace}), FModel(std::move(model)),
      FFolders(MakeStandin<TStandinFolders>(FModel, nullptr)), FMapiSession(MakeStandin<TStandinMapiSession>(FModel))
{
    AddProperty(L"Application", [this](const TCallArgs&) { return ObjectVariant(FModel->App); });
    AddProperty(L"Parent", [this](const TCallArgs&) { return ObjectVariant(FModel->App); });
    AddProperty(L"Folders", [this](const TCallArgs&) { return ObjectVariant(FFolders.Get()); });
    // Outlook hands out the IUnknown of its MAPI session.
    AddProperty(L"MAPIOBJECT", [this](const TCallArgs&) {
        return TOleVariant(static_cast<IUnknown*>(FMapiSession->Dispatch()));
    });
    AddMethod(L"GetDefaultFolder", {L"FolderType"}, [this](const TCallArgs& a) {
        TStandinFolder* folder = DefaultFolder(a.Int(0));
        if (!folder)
            throw TStandinError(MAPI_E_NOT_FOUND_, NotFoundText);
        return ObjectVariant(folder);
    });
}

TStandinFolder* TStandinNameSpace::DefaultStore() const noexcept
{
    return FFolders->Count() ? FFolders->At(0) : nullptr;
}

TStandinFolder* TStandinNameSpace::DefaultFolder(LONG folderType) const noexcept
{
    TStandinFolder* store = DefaultStore();
    if (!store)
        return nullptr;
    switch (folderType) {
    case olFolderInbox: return store->Folders()->Find(L"Inbox");
    case olFolderDrafts: return store->Folders()->Find(L"Drafts");
    default: return nullptr;
    }
}

TStandinFolder* TStandinNameSpace::FindFolder(std::wstring_view name) const noexcept
{
    TStandinFolder* store = DefaultStore();
    return store ? store->FindBelow(name) : nullptr;
}

void TStandinNameSpace::BeforeDestroy() noexcept
{
    FFolders.Reset();
    FMapiSession.Reset();
}

} // namespace zel::standin
