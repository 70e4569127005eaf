// The library entry of the add-in DLL: module initialisation and the in-process server's
// exports (ZelHotkeys.def names exactly these, undecorated in both builds).
#include "addin/AddinIdentity.h"
#include "addin/ComServer.h"
#include "addin/Registration.h"
#include "addin/uAddin.h"
#include "diagnostics/ZelDebug.h"
#include "mapi/uRedemptionLoader.h"
#include "platform/Boundary.h"
#include "platform/ModuleHandle.h"

#include <windows.h>
#include <olectl.h>
#include <shlwapi.h>

namespace {

bool IsUserCommandLine(LPCWSTR commandLine) noexcept
{
    return commandLine && CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) == CSTR_EQUAL;
}

} // namespace

// The module's initialisation creates, in this order, the extended-MAPI loader and the exception
// tracking; the class factory is a constant-initialised static object that needs no code here.
// Nothing else runs under the loader lock: the type library loads at its first use.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        zel::SetThisModule(instance);
        DisableThreadLibraryCalls(instance);
        if (!zel::InitializeLoaderInstance())
            return FALSE;
        zel::InitializeExceptionTracking();
        break;
    case DLL_PROCESS_DETACH:
        zel::FinalizeAddin(reserved != nullptr);
        zel::FinalizeExceptionTracking();
        // At process exit (reserved set) other threads are gone and the libraries may already be
        // unloaded: leave the loader and the type library to the process's end instead of
        // freeing into them.
        if (reserved == nullptr) {
            zel::FinalizeComServer();
            zel::FinalizeLoaderInstance();
        }
        break;
    default:
        break;
    }
    return TRUE;
}

// The factory of the add-in class, as IUnknown or IClassFactory.
STDAPI DllGetClassObject(REFCLSID classId, REFIID riid, LPVOID* ppv) noexcept
try {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (classId != zel::CLSID_CZelHotkeys)
        return CLASS_E_CLASSNOTAVAILABLE;
    return zel::ZelHotkeysFactory().QueryInterface(riid, ppv);
}
ZEL_CATCH_RETURN_HRESULT

STDAPI DllCanUnloadNow() noexcept
try {
    return zel::ComServerCanUnload() ? S_OK : S_FALSE;
}
ZEL_CATCH_RETURN_HRESULT

// Machine-wide registration (regsvr32): the type library, the class entries under
// HKEY_CLASSES_ROOT, Outlook's add-in key under HKEY_LOCAL_MACHINE, or under HKEY_CURRENT_USER
// when the machine's key cannot be made. Every failure is E_FAIL.
STDAPI DllRegisterServer() noexcept
try {
    zel::RegisterServer(zel::TRegistrationScope::Machine);
    return S_OK;
}
ZEL_CATCH_SILENT_RETURN(E_FAIL)

STDAPI DllUnregisterServer() noexcept
try {
    zel::UnregisterServer(zel::TRegistrationScope::Machine);
    return S_OK;
}
ZEL_CATCH_SILENT_RETURN(E_FAIL)

// Per-user registration without administrator rights (regsvr32 /n /i:user, and /u for the
// removal): command line "user", in any case; any other command line is E_INVALIDARG.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) noexcept
try {
    if (!IsUserCommandLine(commandLine))
        return E_INVALIDARG;
    if (install)
        zel::RegisterServer(zel::TRegistrationScope::User);
    else
        zel::UnregisterServer(zel::TRegistrationScope::User);
    return S_OK;
}
ZEL_CATCH_SILENT_RETURN(E_FAIL)
