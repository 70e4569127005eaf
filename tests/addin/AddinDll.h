// The built add-in DLL loaded into the test program with LoadLibrary, and its exports.
#pragma once

#include "platform/Handles.h"
#include "support/TestLibraries.h"

#include <string>

#include <windows.h>

namespace zel::testing {

// The DLL as this process sees the path it was built at.
inline std::wstring AddinDllPath()
{
    return BuildPath(ZEL_TEST_ADDIN_DLL);
}

class TAddinDll {
public:
    explicit TAddinDll(const std::wstring& path = AddinDllPath()) : FModule(LoadLibraryW(path.c_str())) {}

    bool Loaded() const noexcept { return FModule != nullptr; }
    HMODULE Module() const noexcept { return FModule.get(); }

    HRESULT GetClassObject(REFCLSID classId, REFIID riid, void** ppv) const
    {
        return Export<HRESULT WINAPI(REFCLSID, REFIID, void**)>("DllGetClassObject")(classId, riid, ppv);
    }
    HRESULT CanUnloadNow() const { return Export<HRESULT WINAPI()>("DllCanUnloadNow")(); }
    HRESULT RegisterServer() const { return Export<HRESULT WINAPI()>("DllRegisterServer")(); }
    HRESULT UnregisterServer() const { return Export<HRESULT WINAPI()>("DllUnregisterServer")(); }
    HRESULT Install(BOOL install, LPCWSTR commandLine) const
    {
        return Export<HRESULT WINAPI(BOOL, LPCWSTR)>("DllInstall")(install, commandLine);
    }

private:
    template <class Function>
    Function* Export(const char* name) const
    {
        return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(FModule.get(), name)));
    }

    TLibraryHandle FModule;
};

} // namespace zel::testing
