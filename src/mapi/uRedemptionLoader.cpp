#include "mapi/uRedemptionLoader.h"

#include "platform/ModuleHandle.h"
#include "platform/WideText.h"
#include "mapi/RedemptionIds.h"
#include "mapi/RedemptionLoaderErrors.h"

#include <mutex>
#include <new>
#include <string_view>

namespace zel {
namespace {

using Microsoft::WRL::ComPtr;

// The system's text for an error code in the user's default language, unchanged (such texts
// end with CR LF); empty when the system has none.
std::wstring SystemMessage(DWORD errorCode)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        errorCode, LANG_USER_DEFAULT, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    TLocalMemory owned(buffer);
    if (length == 0 || !buffer)
        return {};
    return std::wstring(buffer, length);
}

// The add-in module's folder followed by the given file name ("\Redemption.dll").
std::wstring DefaultLibraryPath(std::wstring_view fileName)
{
    return ToWide(FolderOfFileName(AsU16(ThisModuleFileName()))) + std::wstring(fileName);
}

std::unique_ptr<TRedemptionLoader> GLoaderInstance;

} // namespace

TRedemptionLoader::TRedemptionLoader() = default;

TRedemptionLoader::~TRedemptionLoader()
{
    std::lock_guard lock(fCritSection);
    fDllGetClassObject = nullptr;
    fDllHandle.reset();
}

std::wstring TRedemptionLoader::DllLocation32Bit() const
{
    std::lock_guard lock(fCritSection);
    return fDllLocation32Bit;
}

void TRedemptionLoader::SetDllLocation32Bit(const std::wstring& value)
{
    std::lock_guard lock(fCritSection);
    fDllLocation32Bit = value;
}

std::wstring TRedemptionLoader::DllLocation64Bit() const
{
    std::lock_guard lock(fCritSection);
    return fDllLocation64Bit;
}

void TRedemptionLoader::SetDllLocation64Bit(const std::wstring& value)
{
    std::lock_guard lock(fCritSection);
    fDllLocation64Bit = value;
}

// A process can only load a DLL of its own bitness, so each build loads the path of its own
// and the settings window sets that one.
std::wstring TRedemptionLoader::DllLocation() const
{
#ifdef _WIN64
    return DllLocation64Bit();
#else
    return DllLocation32Bit();
#endif
}

void TRedemptionLoader::SetDllLocation(const std::wstring& value)
{
#ifdef _WIN64
    SetDllLocation64Bit(value);
#else
    SetDllLocation32Bit(value);
#endif
}

void TRedemptionLoader::LoadLibraryOnce()
{
    if (fDllHandle)
        return;
    // Both defaults are filled in, whichever of the two this build loads.
    if (fDllLocation32Bit.empty())
        fDllLocation32Bit = DefaultLibraryPath(L"\\Redemption.dll");
    if (fDllLocation64Bit.empty())
        fDllLocation64Bit = DefaultLibraryPath(L"\\Redemption64.dll");
#ifdef _WIN64
    const std::wstring& path = fDllLocation64Bit;
#else
    const std::wstring& path = fDllLocation32Bit;
#endif
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        // Read the error before anything else can overwrite it. The handle stays empty, so the
        // next creation tries again with the path now stored.
        const DWORD error = GetLastError();
        RaiseLoadLibraryError(AsU16(path), AsU16(SystemMessage(error)));
    }
    fDllHandle.reset(module);
}

ComPtr<IUnknown> TRedemptionLoader::CreateInstanceFromDll(REFCLSID classId)
{
    std::lock_guard lock(fCritSection);
    LoadLibraryOnce();
    if (!fDllGetClassObject) {
        // A library without the export stays loaded; every creation looks it up again.
        fDllGetClassObject =
            reinterpret_cast<TDllGetClassObject>(reinterpret_cast<void*>(GetProcAddress(fDllHandle.get(), "DllGetClassObject")));
        if (!fDllGetClassObject)
            RaiseExportMissing();
    }
    // The factory is not kept: every creation asks the library for it again.
    ComPtr<IClassFactory> factory;
    HRESULT hr = fDllGetClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (FAILED(hr))
        RaiseDllGetClassObjectFailed(hr);
    if (!factory) // success without a factory: nothing to call
        RaiseDllGetClassObjectFailed(E_POINTER);
    ComPtr<IUnknown> object;
    hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr)) {
        object.Reset();
        RaiseCreateInstanceFailed(hr);
    }
    return object;
}

TRedemptionLoader::TLibraryObject TRedemptionLoader::CreateAs(REFCLSID classId, REFIID interfaceId)
{
    ComPtr<IUnknown> object = CreateInstanceFromDll(classId);
    // The interfaces asked for are dual: the pointer returned for each is also an IDispatch.
    TLibraryObject result;
    if (!object || FAILED(object->QueryInterface(interfaceId, reinterpret_cast<void**>(result.GetAddressOf()))) || !result)
        RaiseInterfaceNotSupported();
    return result;
}

using namespace redemption;

TRedemptionLoader::TLibraryObject TRedemptionLoader::new_RDOSession() { return CreateAs(CLSID_RDOSession, IID_IRDOSession); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeMailItem() { return CreateAs(CLSID_SafeMailItem, IID_ISafeMailItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeContactItem() { return CreateAs(CLSID_SafeContactItem, IID_ISafeContactItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeAppointmentItem() { return CreateAs(CLSID_SafeAppointmentItem, IID_ISafeAppointmentItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeTaskItem() { return CreateAs(CLSID_SafeTaskItem, IID_ISafeTaskItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeJournalItem() { return CreateAs(CLSID_SafeJournalItem, IID_ISafeJournalItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeMeetingItem() { return CreateAs(CLSID_SafeMeetingItem, IID_ISafeMeetingItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafePostItem() { return CreateAs(CLSID_SafePostItem, IID_ISafePostItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeReportItem() { return CreateAs(CLSID_SafeReportItem, IID_ISafeReportItem); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeMAPIFolder() { return CreateAs(CLSID_SafeMAPIFolder, IID_ISafeMAPIFolder); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeCurrentUser() { return CreateAs(CLSID_SafeCurrentUser, IID_ISafeCurrentUser); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeDistList() { return CreateAs(CLSID_SafeDistList, IID_ISafeDistList); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_AddressLists() { return CreateAs(CLSID_AddressLists, IID_IAddressLists); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_MAPITable() { return CreateAs(CLSID_MAPITable, IID__IMAPITable); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_MAPIUtils() { return CreateAs(CLSID_MAPIUtils, IID_IMAPIUtils); }
TRedemptionLoader::TLibraryObject TRedemptionLoader::new_SafeInspector() { return CreateAs(CLSID_SafeInspector, IID_ISafeInspector); }

bool InitializeLoaderInstance() noexcept
{
    if (GLoaderInstance)
        return true;
    GLoaderInstance.reset(new (std::nothrow) TRedemptionLoader);
    return GLoaderInstance != nullptr;
}

void FinalizeLoaderInstance() noexcept
{
    GLoaderInstance.reset();
}

TRedemptionLoader* LoaderInstance() noexcept
{
    return GLoaderInstance.get();
}

} // namespace zel
