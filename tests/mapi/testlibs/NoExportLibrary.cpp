// A DLL without the class-object export: the loader must refuse it and keep it loaded.
#include <windows.h>

extern "C" __declspec(dllexport) int NotTheClassObjectExport()
{
    return 42;
}
