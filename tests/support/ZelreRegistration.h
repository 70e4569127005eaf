// The stand-in extended-MAPI library registered for the current user while the object lives, so
// that the ProgID "zelre.SafeInspector" resolves through ordinary COM activation.
#pragma once

#include "platform/Handles.h"

#include <string>

#include <windows.h>

namespace zel::testing {

class TZelreRegistration {
public:
    explicit TZelreRegistration(const std::wstring& dllPath) : FModule(LoadLibraryW(dllPath.c_str()))
    {
        FRegistered = FModule && Call("DllRegisterServer") == S_OK;
    }
    ~TZelreRegistration()
    {
        if (FRegistered) {
            CoFreeUnusedLibraries();
            Call("DllUnregisterServer");
        }
    }
    TZelreRegistration(const TZelreRegistration&) = delete;
    TZelreRegistration& operator=(const TZelreRegistration&) = delete;

    bool Registered() const noexcept { return FRegistered; }

private:
    HRESULT Call(const char* name) const
    {
        using TExport = HRESULT WINAPI();
        auto function = reinterpret_cast<TExport*>(reinterpret_cast<void*>(GetProcAddress(FModule.get(), name)));
        return function ? function() : E_NOTIMPL;
    }

    TLibraryHandle FModule;
    bool FRegistered = false;
};

} // namespace zel::testing
