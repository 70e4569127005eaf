#include "standins/outlook/host/AddinHost.h"

#include "platform/Handles.h"
#include "standins/outlook/host/HostOutput.h"

#include <algorithm>
#include <cstdio>

namespace zel::standin::host {

namespace {

std::wstring ReadString(HKEY key, const wchar_t* subKey, const wchar_t* name)
{
    DWORD size = 0;
    if (RegGetValueW(key, subKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t))
        return {};
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key, subKey, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

void ReadHive(HKEY root, const wchar_t* hive, std::vector<TAddinEntry>& found)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, AddinsKeyPath, 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return;
    const TRegKey addins(raw);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(addins.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        TAddinEntry entry;
        entry.ProgId.assign(name, length);
        entry.Hive = hive;
        DWORD behavior = 0, size = sizeof behavior;
        if (RegGetValueW(addins.get(), name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size) == ERROR_SUCCESS)
            entry.LoadBehavior = behavior;
        entry.FriendlyName = ReadString(addins.get(), name, L"FriendlyName");
        entry.Description = ReadString(addins.get(), name, L"Description");
        const bool seen = std::any_of(found.begin(), found.end(), [&](const TAddinEntry& e) {
            return SameName(e.ProgId, entry.ProgId);
        });
        if (seen)
            PrintLine(L"addin " + entry.ProgId + L" in " + hive + L" ignored: HKCU has it");
        else
            found.push_back(std::move(entry));
    }
}

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[64] = {};
    StringFromGUID2(guid, text, 64);
    return text;
}

// The description of the calling thread's error object (what a failing add-in published with
// SetErrorInfo), empty when there is none.
std::wstring ErrorInfoText()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return {};
    TBStr description;
    info->GetDescription(description.Receive());
    return description.Text();
}

void PrintFailure(const std::wstring& progId, const wchar_t* step, HRESULT hr, const std::wstring& description)
{
    std::wstring line = L"addin " + progId + L" failed: " + step + L" " + HResultText(hr);
    if (!description.empty())
        line += L" " + Quoted(description);
    PrintLine(line);
}

double Milliseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring MsText(double ms)
{
    wchar_t text[32];
    swprintf(text, 32, L"%.1f", ms);
    return text;
}

struct TEmptyCustom {
    SAFEARRAY* Array = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    ~TEmptyCustom()
    {
        if (Array)
            SafeArrayDestroy(Array);
    }
};

} // namespace

std::vector<TAddinEntry> FindRegisteredAddins(const std::vector<std::wstring>& only)
{
    std::vector<TAddinEntry> all;
    ReadHive(HKEY_CURRENT_USER, L"HKCU", all);
    ReadHive(HKEY_LOCAL_MACHINE, L"HKLM", all);
    std::vector<TAddinEntry> result;
    for (TAddinEntry& e : all) {
        const bool wanted = only.empty() || std::any_of(only.begin(), only.end(), [&](const std::wstring& p) { return SameName(p, e.ProgId); });
        if (!wanted)
            continue;
        if (e.LoadBehavior != 3) {
            PrintLine(L"addin " + e.ProgId + L" in " + e.Hive + L" not loaded: LoadBehavior " + std::to_wstring(e.LoadBehavior));
            continue;
        }
        result.push_back(std::move(e));
    }
    for (const std::wstring& p : only) {
        const bool listed = std::any_of(result.begin(), result.end(), [&](const TAddinEntry& e) { return SameName(p, e.ProgId); });
        if (!listed) {
            TAddinEntry entry;
            entry.ProgId = p;
            result.push_back(entry);
        }
    }
    return result;
}

// ---- TStandinComAddin

TStandinComAddin::TStandinComAddin(const TAddinEntry& entry, const CLSID& clsid)
    : TStandinObject(L"COMAddIn", {}), FProgId(entry.ProgId),
      FDescription(entry.Description.empty() ? entry.FriendlyName : entry.Description), FGuid(GuidText(clsid))
{
    AddProperty(L"ProgId", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FProgId)); });
    AddProperty(L"Guid", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FGuid)); });
    AddProperty(L"Description", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FDescription)); },
                [this](const TCallArgs& a) { FDescription = a.Value().AsString(); });
    AddProperty(L"Connect", [this](const TCallArgs&) { return TOleVariant(Connect); });
    AddProperty(L"Object", [this](const TCallArgs&) { return TOleVariant(FObject.Get()); },
                [this](const TCallArgs& a) { FObject = a.Value().AsDispatch(); }, TPutKind::Both);
}

// ---- TAddinHost

TAddinHost::~TAddinHost()
{
    // Reached without Shutdown only when the process ends another way; let go all the same.
    FLoaded.clear();
}

void TAddinHost::Load(const std::vector<TAddinEntry>& addins, IDispatch* application, ext_ConnectMode mode)
{
    for (const TAddinEntry& entry : addins)
        LoadOne(entry, application, mode);
}

void TAddinHost::LoadOne(const TAddinEntry& entry, IDispatch* application, ext_ConnectMode mode)
{
    if (entry.Hive.empty())
        PrintLine(L"addin " + entry.ProgId + L" not listed with LoadBehavior 3: loaded as asked");
    CLSID clsid{};
    TLoaded loaded;
    loaded.Entry = entry;
    ComPtr<IUnknown> object;
    HRESULT hr = CLSIDFromProgID(entry.ProgId.c_str(), &clsid);
    if (SUCCEEDED(hr)) {
        loaded.Dll = ReadString(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(clsid) + L"\\InprocServer32").c_str(), nullptr);
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object));
        if (FAILED(hr))
            return PrintFailure(entry.ProgId, L"CoCreateInstance", hr, ErrorInfoText());
    } else {
        const HRESULT perUser = CreatePerUser(entry.ProgId, clsid, loaded.Dll, object);
        if (perUser == REGDB_E_CLASSNOTREG)
            return PrintFailure(entry.ProgId, L"CLSIDFromProgID", hr, ErrorInfoText());
        if (FAILED(perUser))
            return PrintFailure(entry.ProgId, L"per-user class", perUser, ErrorInfoText());
        PrintLine(L"addin " + entry.ProgId + L" created from the per-user classes");
    }
    if (!loaded.Dll.empty() && std::find(FDlls.begin(), FDlls.end(), loaded.Dll) == FDlls.end())
        FDlls.push_back(loaded.Dll);
    hr = object->QueryInterface(IID_IDTExtensibility2, reinterpret_cast<void**>(loaded.Addin.GetAddressOf()));
    if (FAILED(hr) || !loaded.Addin)
        return PrintFailure(entry.ProgId, L"QueryInterface(IDTExtensibility2)", FAILED(hr) ? hr : E_NOINTERFACE, {});
    object.Reset();
    loaded.Instance = MakeStandin<TStandinComAddin>(entry, clsid);

    TEmptyCustom custom;
    SetErrorInfo(0, nullptr);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    hr = loaded.Addin->OnConnection(application, mode, loaded.Instance->Dispatch(), &custom.Array);
    QueryPerformanceCounter(&end);
    const double ms = Milliseconds(end.QuadPart - start.QuadPart);
    std::wstring line = L"addin " + entry.ProgId + L" OnConnection " + MsText(ms) + L" ms";
    if (ms > SlowConnectionMs)
        line += L" slow: over 1000 ms, would be disabled";
    PrintLine(line);
    if (FAILED(hr))
        return PrintFailure(entry.ProgId, L"OnConnection", hr, ErrorInfoText());
    loaded.Instance->Connect = true;
    FLoaded.push_back(std::move(loaded));
}

HRESULT TAddinHost::CreatePerUser(const std::wstring& progId, CLSID& clsid, std::wstring& dll, ComPtr<IUnknown>& object)
{
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring clsidText = ReadString(HKEY_CURRENT_USER, (classes + progId + L"\\Clsid").c_str(), nullptr);
    if (clsidText.empty() || FAILED(CLSIDFromString(clsidText.c_str(), &clsid)))
        return REGDB_E_CLASSNOTREG;
    dll = ReadString(HKEY_CURRENT_USER, (classes + L"CLSID\\" + GuidText(clsid) + L"\\InprocServer32").c_str(), nullptr);
    if (dll.empty())
        return REGDB_E_CLASSNOTREG;
    TLibraryHandle library(LoadLibraryW(dll.c_str()));
    if (!library)
        return HRESULT_FROM_WIN32(GetLastError());
    using TGetClassObject = HRESULT WINAPI(REFCLSID, REFIID, void**);
    auto getClassObject =
        reinterpret_cast<TGetClassObject*>(reinterpret_cast<void*>(GetProcAddress(library.get(), "DllGetClassObject")));
    if (!getClassObject)
        return CO_E_ERRORINDLL;
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (SUCCEEDED(hr))
        hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    FPerUserLibraries.push_back(std::move(library));
    return S_OK;
}

void TAddinHost::StartupComplete()
{
    for (TLoaded& l : FLoaded) {
        TEmptyCustom custom;
        SetErrorInfo(0, nullptr);
        const HRESULT hr = l.Addin->OnStartupComplete(&custom.Array);
        if (FAILED(hr))
            PrintFailure(l.Entry.ProgId, L"OnStartupComplete", hr, ErrorInfoText());
    }
}

void TAddinHost::Shutdown()
{
    for (TLoaded& l : FLoaded) {
        TEmptyCustom custom;
        SetErrorInfo(0, nullptr);
        const HRESULT hr = l.Addin->OnBeginShutdown(&custom.Array);
        if (FAILED(hr))
            PrintFailure(l.Entry.ProgId, L"OnBeginShutdown", hr, ErrorInfoText());
    }
    DisconnectAll(ext_dm_HostShutdown);
}

void TAddinHost::Disconnect()
{
    DisconnectAll(ext_dm_UserClosed);
}

void TAddinHost::DisconnectAll(ext_DisconnectMode mode)
{
    for (TLoaded& l : FLoaded) {
        TEmptyCustom custom;
        SetErrorInfo(0, nullptr);
        const HRESULT hr = l.Addin->OnDisconnection(mode, &custom.Array);
        l.Instance->Connect = false;
        PrintLine(L"addin " + l.Entry.ProgId + L" OnDisconnection " + HResultText(hr));
        if (FAILED(hr))
            PrintFailure(l.Entry.ProgId, L"OnDisconnection", hr, ErrorInfoText());
    }
    for (TLoaded& l : FLoaded) {
        const ULONG left = l.Addin.Reset();
        l.Instance.Reset();
        PrintLine(L"addin " + l.Entry.ProgId + L" released, references left " + std::to_wstring(left));
    }
    FLoaded.clear();
}

std::vector<std::wstring> TAddinHost::ReportUnload() const
{
    for (const std::wstring& dll : FDlls) {
        HMODULE module = GetModuleHandleW(dll.c_str());
        if (!module) {
            const size_t slash = dll.find_last_of(L"\\/");
            module = GetModuleHandleW(dll.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str());
        }
        std::wstring answer;
        if (!module) {
            answer = L"not loaded";
        } else {
            using TCanUnload = HRESULT WINAPI();
            auto canUnload = reinterpret_cast<TCanUnload*>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
            if (!canUnload) {
                answer = L"no DllCanUnloadNow";
            } else {
                const HRESULT hr = canUnload();
                answer = hr == S_OK ? L"S_OK" : hr == S_FALSE ? L"S_FALSE" : HResultText(hr);
            }
        }
        PrintLine(L"dll " + Quoted(dll) + L" DllCanUnloadNow " + answer);
    }
    return FDlls;
}

} // namespace zel::standin::host
