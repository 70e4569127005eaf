#include "addin/uAddin.h"

#include "addin/AddinIdentity.h"
#include "addin/ButtonFace.h"
#include "addin/ComServer.h"
#include "addin/uSaveClipboard.h"
#include "diagnostics/About.h"
#include "hotkeys/Main.h"
#include "outlook/LateBinding.h"
#include "outlook/OutlookIds.h"
#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/ModuleHandle.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <random>

namespace zel {

ComPtr<IDispatch> OutlookNameSpace;
std::unique_ptr<TMainForm> MainForm;
std::unique_ptr<TAboutForm> AboutForm;

namespace {

// Removes Sender's wrapper from the list (destroying it); false when it is not there.
template <class T>
bool RemoveFromList(std::vector<std::unique_ptr<T>>& list, TOutlookServer* sender) noexcept
{
    const auto found = std::find_if(list.begin(), list.end(), [sender](const auto& item) { return item.get() == sender; });
    if (found == list.end())
        return false;
    // Out of the list first, then destroyed: the wrapper's destructor may run code that looks at
    // the list.
    std::unique_ptr<T> removed = std::move(*found);
    list.erase(found);
    removed.reset();
    return true;
}

// The window collection's Item(i), queried for the window's own interface.
ComPtr<IDispatch> WindowItem(IDispatch* application, const wchar_t* collection, std::int32_t index, REFIID iid)
{
    TOleVariant windows = OleGet(application, collection);
    TOleVariant item = OleCall(windows, L"Item", {TOleVariant(index)});
    ComPtr<IDispatch> object = item.AsDispatch();
    ComPtr<IUnknown> typed = QueryIntf<IUnknown>(object.Get(), iid);
    return QueryIntf<IDispatch>(typed.Get(), IID_IDispatch);
}

std::int32_t WindowCount(IDispatch* application, const wchar_t* collection)
{
    return OleGet(OleGet(application, collection), L"Count").AsInteger();
}

// Puts a copy of the bitmap on the clipboard, which is emptied first.
void PutBitmapOnClipboard(HBITMAP bitmap)
{
    TClipboardOpen clipboard;
    if (!clipboard.IsOpen())
        throw EOSError(u"Cannot open clipboard", GetLastError());
    TBitmapHandle copy(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
    if (!copy)
        throw EOSError(u"The button's picture could not be copied", GetLastError());
    if (!EmptyClipboard())
        throw EOSError(u"Cannot clear clipboard", GetLastError());
    if (!SetClipboardData(CF_BITMAP, copy.get()))
        throw EOSError(u"Cannot set clipboard data", GetLastError());
    copy.release(); // the clipboard owns it now
}

} // namespace

// ---- the toolbar button

std::wstring ButtonTag(const std::wstring& caption)
{
    // Seeded once per process from the high-resolution counter, so that tags differ between
    // runs and between explorers.
    static std::mt19937 generator = [] {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        return std::mt19937(static_cast<std::mt19937::result_type>(counter.QuadPart ^ (counter.QuadPart >> 32)));
    }();
    std::uniform_int_distribution<std::int32_t> number(0, 2147483646);
    return caption + L"_" + std::to_wstring(number(generator));
}

void SetButtonIcon(const std::wstring& ResName, const TOleVariant& Button) noexcept
try {
    // A missing or unreadable icon gives up before the clipboard is touched.
    TBitmapHandle face = MakeButtonFace(ThisModule(), ResName.c_str());
    TSaveClipboard snapshot;
    // The snapshot goes back whatever happens after it was taken, also when taking it failed
    // half-way.
    struct TRestore {
        TSaveClipboard& Snapshot;
        ~TRestore()
        {
            try {
                Snapshot.Restore();
            }
            ZEL_CATCH_SILENT_RETURN()
        }
    } restore{snapshot};
    snapshot.Save();
    PutBitmapOnClipboard(face.get());
    OlePut(Button, L"Style", TOleVariant(ButtonStyle));
    OleCall(Button, L"PasteFace");
}
ZEL_CATCH_SILENT_RETURN()

TAddinOutlookButton* AddExplorerButton(TAddinExplorer& Explorer, const TOleVariant& CommandBar,
                                       const std::wstring& Caption, const std::wstring& ResName,
                                       std::int32_t ButtonType, bool BeginGroup)
{
    ComPtr<IDispatch> control;
    try {
        control = OleCall(OleGet(CommandBar, L"Controls"), L"Item", {TOleVariant(Caption)}).AsDispatch();
    } catch (...) {
        // No control with that caption: the normal path to a new one.
    }
    if (!control) {
        control = OleCall(OleGet(CommandBar, L"Controls"), L"Add", {},
                          {{L"type", TOleVariant(ButtonType)}, {L"Temporary", TOleVariant(true)}})
                      .AsDispatch();
        if (!control)
            throw EOleSysError(u"The command bar gave no new control", E_POINTER);
    }
    const TOleVariant button(control.Get());
    OlePut(button, L"Caption", TOleVariant(Caption));
    OlePut(button, L"BeginGroup", TOleVariant(BeginGroup));
    OlePut(button, L"Tag", TOleVariant(ButtonTag(Caption)));
    if (!ResName.empty())
        SetButtonIcon(ResName, button);
    ComPtr<IUnknown> unknown = QueryIntf<IUnknown>(control.Get(), IID_IUnknown);
    auto wrapper = std::make_unique<TAddinOutlookButton>(unknown.Get());
    wrapper->SetExplorer(&Explorer);
    Explorer.Buttons().push_back(std::move(wrapper));
    return Explorer.Buttons().back().get();
}

void TZelHotkeys::InstallExplorerToolbar(TAddinExplorer& Explorer) noexcept
try {
    ComPtr<IDispatch> explorer = QueryIntf<IDispatch>(Explorer.Intf(), IID_IDispatch);
    TOleVariant bar = OleCall(OleGet(explorer.Get(), L"CommandBars"), L"Item", {TOleVariant(ButtonBarName)});
    if (bar.Type() != VT_DISPATCH || bar.Get().pdispVal == nullptr)
        return;
    TAddinOutlookButton* button = AddExplorerButton(Explorer, bar, ButtonCaption, ButtonIconName, ButtonControlType, true);
    button->OnClick = [this](TOutlookCommandBarButton* sender, IDispatch* ctrl, VARIANT_BOOL& cancelDefault) {
        OnZelHotkeysClick(sender, ctrl, cancelDefault);
    };
}
ZEL_CATCH_SILENT_RETURN()

void TZelHotkeys::OnZelHotkeysClick(TOutlookCommandBarButton*, IDispatch*, VARIANT_BOOL&)
{
    if (MainForm)
        MainForm->Show();
}

// ---- creation and IUnknown

void FinalizeAddin(bool processExit) noexcept
{
    if (processExit) {
        static_cast<void>(MainForm.release());
        static_cast<void>(AboutForm.release());
        static_cast<void>(OutlookNameSpace.Detach());
        return;
    }
    try {
        MainForm.reset();
        AboutForm.reset();
    }
    ZEL_CATCH_SILENT_RETURN()
    OutlookNameSpace.Reset();
}

HRESULT CreateZelHotkeys(IUnknown* outer, REFIID riid, void** ppv) noexcept
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    TZelHotkeys* object = nullptr;
    try {
        object = new TZelHotkeys(outer);
    }
    ZEL_CATCH_SILENT_RETURN(E_UNEXPECTED)
    // The creator's reference goes after the query: a refused query destroys the object.
    IUnknown* inner = object->InnerUnknown();
    const HRESULT hr = inner->QueryInterface(riid, ppv);
    inner->Release();
    return hr;
}

TZelHotkeys::TZelHotkeys(IUnknown* outer) : FInner(*this), FOuter(outer ? outer : &FInner)
{
    ModuleLock();
}

TZelHotkeys::~TZelHotkeys()
{
    // Released without a disconnection (or with the windows still up): nothing of the add-in
    // may outlive the object, whose module can be unloaded next.
    TearDownWindows();
    FInspectors.reset();
    FInspectorsList.clear();
    FExplorers.reset();
    FExplorersList.clear();
    if (FApplication)
        OutlookNameSpace.Reset();
    FApplication.Reset();
    ModuleUnlock();
}

STDMETHODIMP TZelHotkeys::TInner::QueryInterface(REFIID riid, void** ppv) noexcept
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
        *ppv = static_cast<IUnknown*>(this);
    else if (IsEqualIID(riid, IID_IDTExtensibility2) || IsEqualIID(riid, IID_IDispatch) ||
             IsEqualIID(riid, IID_IZelHotkeys))
        // IZelHotkeys has no members of its own: IDispatch's table, the start of IDTExtensibility2's.
        *ppv = static_cast<IDTExtensibility2*>(&FOwner);
    else if (IsEqualIID(riid, IID_IProvideClassInfo))
        *ppv = static_cast<IProvideClassInfo*>(&FOwner);
    else if (IsEqualIID(riid, IID_ISupportErrorInfo))
        *ppv = static_cast<ISupportErrorInfo*>(&FOwner);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TZelHotkeys::TInner::AddRef() noexcept
{
    return static_cast<ULONG>(InterlockedIncrement(&FOwner.FRefCount));
}

STDMETHODIMP_(ULONG) TZelHotkeys::TInner::Release() noexcept
{
    const LONG count = InterlockedDecrement(&FOwner.FRefCount);
    if (count == 0) {
        try {
            delete &FOwner;
        }
        ZEL_CATCH_SILENT_RETURN(0)
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP TZelHotkeys::QueryInterface(REFIID riid, void** ppv) noexcept
{
    return FOuter->QueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) TZelHotkeys::AddRef() noexcept { return FOuter->AddRef(); }

STDMETHODIMP_(ULONG) TZelHotkeys::Release() noexcept { return FOuter->Release(); }

// ---- IDispatch, IProvideClassInfo, ISupportErrorInfo

STDMETHODIMP TZelHotkeys::GetTypeInfoCount(UINT* pctinfo) noexcept
{
    if (pctinfo == nullptr)
        return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP TZelHotkeys::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) noexcept
try {
    if (ppTInfo == nullptr)
        return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0)
        return DISP_E_BADINDEX;
    ITypeInfo* info = ZelHotkeysTypeInfo();
    info->AddRef();
    *ppTInfo = info;
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

STDMETHODIMP TZelHotkeys::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) noexcept
try {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return DispGetIDsOfNames(ZelHotkeysTypeInfo(), rgszNames, cNames, rgDispId);
}
ZEL_CATCH_RETURN_HRESULT

STDMETHODIMP TZelHotkeys::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) noexcept
try {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return DispInvoke(static_cast<IDTExtensibility2*>(this), ZelHotkeysTypeInfo(), dispIdMember, wFlags,
                      pDispParams, pVarResult, pExcepInfo, puArgErr);
}
ZEL_CATCH_RETURN_HRESULT

STDMETHODIMP TZelHotkeys::GetClassInfo(ITypeInfo** ppTI) noexcept
try {
    if (ppTI == nullptr)
        return E_POINTER;
    *ppTI = nullptr;
    ITypeInfo* info = ZelHotkeysClassInfo();
    info->AddRef();
    *ppTI = info;
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

STDMETHODIMP TZelHotkeys::InterfaceSupportsErrorInfo(REFIID riid) noexcept
{
    void* probe = nullptr;
    if (FAILED(FInner.QueryInterface(riid, &probe)))
        return S_FALSE;
    static_cast<IUnknown*>(probe)->Release();
    return S_OK;
}

HRESULT TZelHotkeys::PublishCaught() noexcept
{
    HRESULT result = E_UNEXPECTED;
    std::u16string message;
    try {
        throw;
    } catch (const EOleSysError& e) {
        if (e.ErrorCode() < 0)
            result = static_cast<HRESULT>(e.ErrorCode());
        message = e.Message();
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        const char* what = e.what();
        message.assign(what, what + std::char_traits<char>::length(what));
    } catch (...) {
    }
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(IID_IZelHotkeys);
        const std::wstring source(AsWide(ProgId));
        create->SetSource(const_cast<LPOLESTR>(source.c_str()));
        create->SetDescription(const_cast<LPOLESTR>(AsWide(message).data()));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(&info)))
            SetErrorInfo(0, info.Get());
    }
    return result;
}

// ---- IDTExtensibility2

STDMETHODIMP TZelHotkeys::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**) noexcept
try {
    Connect(Application);
    return S_OK;
}
ZEL_AUTO_EXCEPTION_FRAME
catch (...) {
    return PublishCaught();
}

STDMETHODIMP TZelHotkeys::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) noexcept
try {
    Disconnect();
    return S_OK;
}
ZEL_AUTO_EXCEPTION_FRAME
catch (...) {
    return PublishCaught();
}

STDMETHODIMP TZelHotkeys::OnAddInsUpdate(SAFEARRAY**) noexcept { return S_OK; }
STDMETHODIMP TZelHotkeys::OnStartupComplete(SAFEARRAY**) noexcept { return S_OK; }
STDMETHODIMP TZelHotkeys::OnBeginShutdown(SAFEARRAY**) noexcept { return S_OK; }

void TZelHotkeys::Connect(IDispatch* Application)
{
    FApplication = QueryIntf<IDispatch>(QueryIntf<IUnknown>(Application, IID__Application).Get(), IID_IDispatch);
    OutlookNameSpace = OleGet(FApplication.Get(), L"Session").AsDispatch();
    FWindowsTornDown = false;

    FInspectors = std::make_unique<TOutlookInspectors>(OleGet(FApplication.Get(), L"Inspectors").AsDispatch().Get());
    FInspectors->OnNewInspector = [this](TOutlookInspectors* sender, IDispatch* inspector) {
        OnNewInspector(sender, inspector);
    };
    const std::int32_t inspectors = WindowCount(FApplication.Get(), L"Inspectors");
    for (std::int32_t i = 1; i <= inspectors; ++i)
        OnNewInspector(FInspectors.get(), WindowItem(FApplication.Get(), L"Inspectors", i, IID__Inspector).Get());

    FExplorers = std::make_unique<TOutlookExplorers>(OleGet(FApplication.Get(), L"Explorers").AsDispatch().Get());
    FExplorers->OnNewExplorer = [this](TOutlookExplorers* sender, IDispatch* explorer) { OnNewExplorer(sender, explorer); };
    const std::int32_t explorers = WindowCount(FApplication.Get(), L"Explorers");
    for (std::int32_t i = 1; i <= explorers; ++i)
        OnNewExplorer(FExplorers.get(), WindowItem(FApplication.Get(), L"Explorers", i, IID__Explorer).Get());

    CreateWindows();
}

void TZelHotkeys::Disconnect()
{
    // The windows, their hotkeys and the files go now, not when the module happens to unload.
    TearDownWindows();
    FInspectors.reset();
    FExplorers.reset();
    OutlookNameSpace.Reset();
    FApplication.Reset();
}

void TZelHotkeys::CreateWindows()
{
    // The About window is made first only so that the settings window can be handed it; both
    // are hidden and nothing of either is seen until the user asks.
    TAboutFormSettings about;
    // The report takes the settings window's files and Outlook's version at the moment of the click.
    about.ErrorReportSources = [] { return MainForm ? MainForm->ErrorReportSources() : TErrorReportSources{}; };
    AboutForm = std::make_unique<TAboutForm>(std::move(about));
    TMainFormSettings settings;
    settings.NameSpace = OutlookNameSpace.Get();
    settings.AboutForm = AboutForm.get();
    MainForm = std::make_unique<TMainForm>(std::move(settings));
    FWindowsTornDown = false;
    // A first-show step that fails (a row count in config.xml that is no number) has told the
    // status bar and error.log, turned editing off and left the file alone; the add-in stays
    // connected, so that the user sees why, and the step runs again when the window is shown.
    try {
        MainForm->FormShow();
    }
    ZEL_CATCH_SILENT_RETURN()
}

void TZelHotkeys::TearDownWindows() noexcept
{
    if (!MainForm && !AboutForm)
        return;
    if (MainForm) {
        try {
            MainForm->Close();
        }
        ZEL_CATCH_SILENT_RETURN()
    }
    MainForm.reset();
    AboutForm.reset();
    FWindowsTornDown = true;
}

// ---- window tracking

void TZelHotkeys::OnNewInspector(TOutlookInspectors*, IDispatch* Inspector)
{
    auto wrapper = std::make_unique<TAddinInspector>(Inspector);
    wrapper->OnClose = [this](TOutlookInspector* sender) { OnInspectorClose(sender); };
    FInspectorsList.push_back(std::move(wrapper));
    if (FWindowsTornDown && FApplication)
        CreateWindows();
}

void TZelHotkeys::OnNewExplorer(TOutlookExplorers*, IDispatch* Explorer)
{
    auto wrapper = std::make_unique<TAddinExplorer>(Explorer);
    wrapper->OnClose = [this](TOutlookServer* sender) { OnExplorerClose(sender); };
    wrapper->OnActivate = [this](TOutlookServer* sender) { OnExplorerActivate(sender); };
    FExplorersList.push_back(std::move(wrapper));
    InstallExplorerToolbar(*FExplorersList.back());
    if (FWindowsTornDown && FApplication)
        CreateWindows();
}

void TZelHotkeys::OnExplorerActivate(TOutlookServer* Sender) noexcept
try {
    const auto found = std::find_if(FExplorersList.begin(), FExplorersList.end(),
                                    [Sender](const auto& item) { return item.get() == Sender; });
    if (found != FExplorersList.end() && (*found)->Buttons().empty())
        InstallExplorerToolbar(**found);
}
ZEL_CATCH_SILENT_RETURN()

void TZelHotkeys::OnInspectorClose(TOutlookServer* Sender)
{
    RemoveFromList(FInspectorsList, Sender);
    WindowClosed();
}

void TZelHotkeys::OnExplorerClose(TOutlookServer* Sender)
{
    RemoveFromList(FExplorersList, Sender);
    WindowClosed();
}

void TZelHotkeys::WindowClosed()
{
    if (FExplorersList.empty() && FInspectorsList.empty())
        TearDownWindows();
}

} // namespace zel
