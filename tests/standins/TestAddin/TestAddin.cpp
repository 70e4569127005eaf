// A tiny COM add-in for the stand-in Outlook's tests: an in-process server whose objects
// implement IDTExtensibility2 and write every call they get, one line each, to the file named by
// the environment variable ZEL_TESTADDIN_LOG:
//
//   <ProgID> OnConnection mode=1 application=Outlook instance=<ProgID the instance names> custom=0
//   <ProgID> OnStartupComplete | OnBeginShutdown | OnAddInsUpdate
//   <ProgID> OnDisconnection mode=0
//   <ProgID> destroyed
//
// It serves every class ID it is asked for (a test registers several ProgIDs on this one DLL);
// the ProgID is the one registered for the class. ZEL_TESTADDIN_SLOW=<ProgID> makes that add-in
// sleep 1,200 ms in OnConnection; ZEL_TESTADDIN_FAIL=<ProgID> makes its OnConnection fail with
// 0x80040201 and the error description "The test add-in refuses the connection.".
//
// ZEL_TESTADDIN_BUTTON=<ProgID> makes that add-in put a button "Test Button" (begin-group,
// style 3, a red 16x16 face pasted from the clipboard) on the first explorer's "Standard" bar in
// OnConnection and listen to its clicks; a click logs "<ProgID> Click", switches the first
// explorer to the Drafts folder and inserts "[clicked]" at the active inspector's caret.
#include "outlook/Extensibility.h"
#include "outlook/LateBinding.h"
#include "outlook/OutlookIds.h"
#include "platform/Handles.h"
#include "standins/outlook/StandinOutlookInterfaces.h"

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <new>
#include <string>

namespace {

using zel::ext_ConnectMode;
using zel::ext_DisconnectMode;

LONG GObjects = 0;
LONG GLocks = 0;

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[1024];
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length && length < 1024 ? std::wstring(value, length) : std::wstring();
}

void Log(const std::wstring& line)
{
    const std::wstring file = Environment(L"ZEL_TESTADDIN_LOG");
    if (file.empty())
        return;
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    std::string bytes;
    for (wchar_t c : line + L"\n")
        bytes += c < 0x80 ? static_cast<char>(c) : '?';
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
}

// A property of a late-bound object read as text; "?" when it cannot be read.
std::wstring TextProperty(IDispatch* object, const wchar_t* name)
{
    if (!object)
        return L"none";
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return L"?";
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    std::wstring text = L"?";
    if (SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)))
        text.assign(result.bstrVal, SysStringLen(result.bstrVal));
    VariantClear(&result);
    return text;
}

using zel::ComPtr;
using zel::TOleVariant;

// The button's click sink: Invoke(1) is Click(Ctrl, CancelDefault).
class TClickSink final : public IDispatch {
public:
    TClickSink(std::wstring progId, ComPtr<IDispatch> application)
        : FProgId(std::move(progId)), FApplication(std::move(application)) { InterlockedIncrement(&GObjects); }
    ~TClickSink() { InterlockedDecrement(&GObjects); }
    void Forget() { FApplication.Reset(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == zel::DIID__CommandBarButtonEvents) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const LONG left = InterlockedDecrement(&FRefs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override
    {
        if (id != zel::dispid::CommandBarButtonClick || !FApplication)
            return S_OK;
        Log(FProgId + L" Click");
        try {
            const TOleVariant explorer = zel::OleCall(zel::OleGet(FApplication.Get(), L"Explorers"), L"Item", {TOleVariant(std::int32_t{1})});
            const TOleVariant drafts = zel::OleCall(zel::OleGet(FApplication.Get(), L"Session"), L"GetDefaultFolder", {TOleVariant(std::int32_t{16})});
            zel::OlePut(explorer, L"CurrentFolder", drafts);
            const TOleVariant inspector = zel::OleCall(FApplication.Get(), L"ActiveInspector");
            ComPtr<zel::standin::IStandinInspectorEditor> editor;
            if (inspector.Type() == VT_DISPATCH && inspector.Get().pdispVal &&
                SUCCEEDED(inspector.Get().pdispVal->QueryInterface(zel::standin::IID_IStandinInspectorEditor,
                                                                   reinterpret_cast<void**>(editor.GetAddressOf())))) {
                zel::TBStr text(std::wstring_view(L"[clicked]"));
                editor->ReplaceSelection(text.Get());
            }
        } catch (...) {
            Log(FProgId + L" Click failed");
        }
        return S_OK;
    }

private:
    LONG FRefs = 1;
    std::wstring FProgId;
    ComPtr<IDispatch> FApplication;
};

// A red 16x16 picture on the clipboard, for PasteFace.
bool PutRedFace()
{
    const zel::TScreenDC screen;
    zel::TBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), 16, 16));
    {
        const zel::TMemoryDC memory(CreateCompatibleDC(screen.Get()));
        const zel::TSelection selected(memory.get(), bitmap.get());
        const zel::TBrushHandle red(CreateSolidBrush(RGB(220, 30, 30)));
        RECT all{0, 0, 16, 16};
        FillRect(memory.get(), &all, red.get());
    }
    const zel::TClipboardOpen clipboard;
    if (!clipboard.IsOpen() || !EmptyClipboard() || !SetClipboardData(CF_BITMAP, bitmap.get()))
        return false;
    static_cast<void>(bitmap.release());
    return true;
}

class TTestAddin final : public zel::IDTExtensibility2 {
public:
    explicit TTestAddin(std::wstring progId) : FProgId(std::move(progId)) { InterlockedIncrement(&GObjects); }
    ~TTestAddin()
    {
        Log(FProgId + L" destroyed");
        InterlockedDecrement(&GObjects);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == zel::IID_IDTExtensibility2) {
            *ppv = static_cast<zel::IDTExtensibility2*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const LONG left = InterlockedDecrement(&FRefs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* instance,
                                           SAFEARRAY** custom) noexcept override
    {
        const LONG elements = custom && *custom ? static_cast<LONG>((*custom)->rgsabound[0].cElements) : -1;
        Log(FProgId + L" OnConnection mode=" + std::to_wstring(mode) + L" application=" +
            TextProperty(application, L"Name") + L" instance=" + TextProperty(instance, L"ProgId") +
            L" custom=" + std::to_wstring(elements));
        if (Environment(L"ZEL_TESTADDIN_SLOW") == FProgId)
            Sleep(1200);
        if (Environment(L"ZEL_TESTADDIN_FAIL") == FProgId) {
            ICreateErrorInfo* create = nullptr;
            if (SUCCEEDED(CreateErrorInfo(&create))) {
                create->SetDescription(const_cast<LPOLESTR>(L"The test add-in refuses the connection."));
                IErrorInfo* info = nullptr;
                if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                    SetErrorInfo(0, info);
                    info->Release();
                }
                create->Release();
            }
            return static_cast<HRESULT>(0x80040201);
        }
        if (Environment(L"ZEL_TESTADDIN_BUTTON") == FProgId && application)
            AddButton(application);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode mode, SAFEARRAY**) noexcept override
    {
        Log(FProgId + L" OnDisconnection mode=" + std::to_wstring(mode));
        if (FPoint)
            FPoint->Unadvise(FCookie);
        FPoint.Reset();
        if (FSink)
            FSink->Forget();
        FSink.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) noexcept override
    {
        Log(FProgId + L" OnAddInsUpdate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) noexcept override
    {
        Log(FProgId + L" OnStartupComplete");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) noexcept override
    {
        Log(FProgId + L" OnBeginShutdown");
        return S_OK;
    }

private:
    void AddButton(IDispatch* application) noexcept
    {
        try {
            const TOleVariant explorer = zel::OleCall(zel::OleGet(application, L"Explorers"), L"Item", {TOleVariant(std::int32_t{1})});
            const TOleVariant bar = zel::OleCall(zel::OleGet(explorer, L"CommandBars"), L"Item", {TOleVariant(L"Standard")});
            const TOleVariant button = zel::OleCall(zel::OleGet(bar, L"Controls"), L"Add", {},
                {{L"Type", TOleVariant(std::int32_t{1})}, {L"Temporary", TOleVariant(true)}});
            zel::OlePut(button, L"Caption", TOleVariant(L"Test Button"));
            zel::OlePut(button, L"BeginGroup", TOleVariant(true));
            zel::OlePut(button, L"Tag", TOleVariant(L"Test Button_1"));
            zel::OlePut(button, L"Style", TOleVariant(std::int32_t{3}));
            if (PutRedFace())
                zel::OleCall(button, L"PasteFace");
            ComPtr<IConnectionPointContainer> container;
            zel::OleCheck(button.Get().pdispVal->QueryInterface(IID_PPV_ARGS(&container)));
            zel::OleCheck(container->FindConnectionPoint(zel::DIID__CommandBarButtonEvents, &FPoint));
            *FSink.GetAddressOf() = new TClickSink(FProgId, application); // holds its first reference
            zel::OleCheck(FPoint->Advise(FSink.Get(), &FCookie));
            Log(FProgId + L" button added");
        } catch (...) {
            Log(FProgId + L" button failed");
        }
    }

    LONG FRefs = 1;
    std::wstring FProgId;
    ComPtr<IConnectionPoint> FPoint;
    ComPtr<TClickSink> FSink;
    DWORD FCookie = 0;
};

class TFactory final : public IClassFactory {
public:
    explicit TFactory(const CLSID& clsid) : FClsid(clsid) { InterlockedIncrement(&GObjects); }
    ~TFactory() { InterlockedDecrement(&GObjects); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const LONG left = InterlockedDecrement(&FRefs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        LPOLESTR progId = nullptr;
        std::wstring name = L"?";
        if (SUCCEEDED(ProgIDFromCLSID(FClsid, &progId)) && progId) {
            name = progId;
            CoTaskMemFree(progId);
        }
        auto* addin = new (std::nothrow) TTestAddin(name);
        if (!addin)
            return E_OUTOFMEMORY;
        const HRESULT hr = addin->QueryInterface(riid, ppv);
        addin->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) noexcept override
    {
        lock ? InterlockedIncrement(&GLocks) : InterlockedDecrement(&GLocks);
        return S_OK;
    }

private:
    LONG FRefs = 1;
    CLSID FClsid;
};

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    auto* factory = new (std::nothrow) TFactory(clsid);
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return GObjects == 0 && GLocks == 0 ? S_OK : S_FALSE;
}
