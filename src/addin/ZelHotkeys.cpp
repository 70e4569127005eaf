// The library entry of the add-in DLL.
#include "addin/ModuleHandle.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        zel::SetThisModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
