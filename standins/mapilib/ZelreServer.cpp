// The stand-in library's DLL entry and COM server: the class factory for the session and the
// safe inspector, the per-user registration of the safe inspector's ProgID, and the count of
// live objects that tests read.
#include "platform/Boundary.h"
#include "platform/Handles.h"
#include "platform/ModuleHandle.h"
#include "standins/common/StandinObject.h"
#include "mapi/RedemptionIds.h"
#include "standins/mapilib/RDOSession.h"
#include "standins/mapilib/SafeInspector.h"

#include <atomic>
#include <new>
#include <string>
#include <vector>
#include <windows.h>

namespace zel::standin {
namespace {

std::atomic<long> GServerLocks{0};

constexpr wchar_t SafeInspectorProgId[] = L"zelre.SafeInspector";

class TClassFactory final : public IClassFactory {
public:
    explicit TClassFactory(const CLSID& classId) : FClassId(classId) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const ULONG left = --FRefs;
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override
    try {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ComPtr<IDispatch> object;
        if (FClassId == redemption::CLSID_RDOSession)
            object = MakeStandin<TRDOSession>()->Dispatch();
        else if (FClassId == redemption::CLSID_SafeInspector)
            object = MakeStandin<TSafeInspector>()->Dispatch();
        else
            return CLASS_E_CLASSNOTAVAILABLE;
        return object->QueryInterface(riid, ppv);
    }
    ZEL_CATCH_RETURN_HRESULT
    STDMETHODIMP LockServer(BOOL lock) noexcept override
    {
        lock ? ++GServerLocks : --GServerLocks;
        return S_OK;
    }

private:
    CLSID FClassId;
    std::atomic<ULONG> FRefs{1};
};

std::wstring GuidText(const GUID& id)
{
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

// One value of the registration, relative to a classes root.
struct TRegistryEntry {
    std::wstring Key;
    const wchar_t* ValueName; // nullptr: the key's default value
    std::wstring Value;
};

// Where the classes are written: the user's classes, which Windows shows merged into
// HKEY_CLASSES_ROOT. Wine's HKEY_CLASSES_ROOT shows only the machine's classes, and COM
// activation under Wine looks nowhere else, so under Wine they go there as well (Wine needs no
// administrator for it).
struct TClassesRoot {
    HKEY Root;
    const wchar_t* Prefix;
};

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::vector<TClassesRoot> ClassesRoots()
{
    std::vector<TClassesRoot> roots{{HKEY_CURRENT_USER, L"Software\\Classes\\"}};
    if (RunningOnWine())
        roots.push_back({HKEY_CLASSES_ROOT, L""});
    return roots;
}

LSTATUS WriteEntry(const TClassesRoot& root, const TRegistryEntry& entry)
{
    HKEY raw = nullptr;
    const std::wstring path = root.Prefix + entry.Key;
    const LSTATUS status = RegCreateKeyExW(root.Root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const zel::TRegKey key(raw);
    return RegSetValueExW(key.get(), entry.ValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.Value.c_str()),
                          static_cast<DWORD>((entry.Value.size() + 1) * sizeof(wchar_t)));
}

} // namespace
} // namespace zel::standin

using namespace zel::standin;
using zel::redemption::CLSID_SafeInspector;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        zel::SetThisModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (classId != zel::redemption::CLSID_RDOSession && classId != CLSID_SafeInspector)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) TClassFactory(classId);
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return (LiveStandinObjects() == 0 && GServerLocks == 0) ? S_OK : S_FALSE;
}

// For tests: the number of the library's objects alive now (sessions, folders, messages,
// recipients, attachments, safe inspectors), so that a test can check that its caller released
// every object it was given. This export is the stand-in's own; the real library has none.
extern "C" LONG STDAPICALLTYPE ZelreLiveObjects()
{
    return LiveStandinObjects();
}

// Registers the safe inspector for the current user: the ProgID "zelre.SafeInspector" and its
// class with this DLL as in-process server (see ClassesRoots for Wine).
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
try {
    const std::wstring clsid = GuidText(CLSID_SafeInspector);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const TRegistryEntry entries[] = {
        {SafeInspectorProgId, nullptr, L"Stand-in safe inspector"},
        {std::wstring(SafeInspectorProgId) + L"\\CLSID", nullptr, clsid},
        {classKey, nullptr, L"Stand-in safe inspector"},
        {classKey + L"\\ProgID", nullptr, SafeInspectorProgId},
        {classKey + L"\\InprocServer32", nullptr, zel::ThisModuleFileName()},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    };
    for (const auto& root : ClassesRoots())
        for (const auto& entry : entries)
            if (LSTATUS status = WriteEntry(root, entry); status != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(status);
    return S_OK;
}
ZEL_CATCH_RETURN_HRESULT

// Removes the current user's registration; keys already missing are no error.
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
try {
    const std::wstring keys[] = {SafeInspectorProgId, L"CLSID\\" + GuidText(CLSID_SafeInspector)};
    HRESULT result = S_OK;
    for (const auto& root : ClassesRoots())
        for (const auto& key : keys) {
            const LSTATUS status = RegDeleteTreeW(root.Root, (root.Prefix + key).c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
                result = HRESULT_FROM_WIN32(status);
        }
    return result;
}
ZEL_CATCH_RETURN_HRESULT
