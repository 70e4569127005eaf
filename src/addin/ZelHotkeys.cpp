// The library entry of the add-in DLL.
#include "platform/ModuleHandle.h"
#include "diagnostics/ZelDebug.h"
#include "mapi/uRedemptionLoader.h"

#include <windows.h>

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
        zel::FinalizeExceptionTracking();
        // At process exit (reserved set) other threads are gone and the library may already be
        // unloaded: leave the loader to the process's end instead of freeing into it.
        if (reserved == nullptr)
            zel::FinalizeLoaderInstance();
        break;
    default:
        break;
    }
    return TRUE;
}
