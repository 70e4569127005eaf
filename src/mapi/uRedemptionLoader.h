// The loader of the extended-MAPI library: creates the library's objects from a private copy of
// its DLL, by path, without COM registration. The DLL is loaded on first use and stays loaded
// until the loader is destroyed; each creation asks the DLL's DllGetClassObject for the class
// factory anew and creates the object through it.
#pragma once

#include "platform/Handles.h"

#include <memory>
#include <string>
#include <type_traits>

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

namespace zel {

// The library's exported entry point.
using TDllGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID classId, REFIID interfaceId, LPVOID* object);

class TRedemptionLoader {
public:
    // The library's objects are dual interfaces: the add-in calls them through their dispatch half.
    using TLibraryObject = Microsoft::WRL::ComPtr<IDispatch>;

    TRedemptionLoader();
    virtual ~TRedemptionLoader();
    TRedemptionLoader(const TRedemptionLoader&) = delete;
    TRedemptionLoader& operator=(const TRedemptionLoader&) = delete;

    // The paths of the library's 32-bit and 64-bit DLLs. Each process loads the DLL of its own
    // bitness: a 32-bit process DllLocation32Bit, a 64-bit process DllLocation64Bit. An empty
    // path is filled in on first use with the add-in module's folder and "\Redemption.dll" or
    // "\Redemption64.dll". Setting a path neither loads nor unloads anything.
    std::wstring DllLocation32Bit() const;
    void SetDllLocation32Bit(const std::wstring& value);
    std::wstring DllLocation64Bit() const;
    void SetDllLocation64Bit(const std::wstring& value);
    // The path of this process's bitness (one of the two above).
    std::wstring DllLocation() const;
    void SetDllLocation(const std::wstring& value);

    // The creators: each returns a new object of one class of the library, queried for that
    // class's interface. Every failure raises (see RedemptionLoaderErrors.h).
    TLibraryObject new_RDOSession();
    TLibraryObject new_SafeMailItem();
    TLibraryObject new_SafeContactItem();
    TLibraryObject new_SafeAppointmentItem();
    TLibraryObject new_SafeTaskItem();
    TLibraryObject new_SafeJournalItem();
    TLibraryObject new_SafeMeetingItem();
    TLibraryObject new_SafePostItem();
    TLibraryObject new_SafeReportItem();
    TLibraryObject new_SafeMAPIFolder();
    TLibraryObject new_SafeCurrentUser();
    TLibraryObject new_SafeDistList();
    TLibraryObject new_AddressLists();
    TLibraryObject new_MAPITable();
    TLibraryObject new_MAPIUtils();
    TLibraryObject new_SafeInspector();

private:
    // A recursive lock held by every operation of the loader.
    class TCriticalSection {
    public:
        TCriticalSection() noexcept { InitializeCriticalSection(&FSection); }
        ~TCriticalSection() { DeleteCriticalSection(&FSection); }
        TCriticalSection(const TCriticalSection&) = delete;
        TCriticalSection& operator=(const TCriticalSection&) = delete;
        void lock() noexcept { EnterCriticalSection(&FSection); }
        void unlock() noexcept { LeaveCriticalSection(&FSection); }

    private:
        CRITICAL_SECTION FSection;
    };
    Microsoft::WRL::ComPtr<IUnknown> CreateInstanceFromDll(REFCLSID classId);
    TLibraryObject CreateAs(REFCLSID classId, REFIID interfaceId);
    void LoadLibraryOnce();

    mutable TCriticalSection fCritSection;
    std::wstring fDllLocation64Bit;
    std::wstring fDllLocation32Bit;
    TLibraryHandle fDllHandle;
    TDllGetClassObject fDllGetClassObject = nullptr;
};

// The one loader of the process. The add-in DLL creates it when it is loaded and destroys it
// when it is unloaded, which unloads the library DLL.
// InitializeLoaderInstance: creates the loader if there is none; false when that failed.
bool InitializeLoaderInstance() noexcept;
// FinalizeLoaderInstance: destroys the loader, if any.
void FinalizeLoaderInstance() noexcept;
// The loader; nullptr outside the two calls above.
TRedemptionLoader* LoaderInstance() noexcept;

} // namespace zel
