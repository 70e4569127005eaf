// The in-process COM server's module state: the count of live add-in objects and server locks,
// the one class factory of the add-in class, and the type library embedded in the DLL with the
// type information that the add-in object's IDispatch and IProvideClassInfo answer from.
#pragma once

#include <atomic>

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

namespace zel {

// ---- The module's object count: live TZelHotkeys objects plus LockServer(TRUE) locks.
// TZelHotkeys' constructor calls ModuleLock and its destructor ModuleUnlock, so that
// DllCanUnloadNow keeps the DLL loaded while an object lives. Interlocked; any thread.
void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
long ModuleLockCount() noexcept;

// The class factory of the add-in class: a static object of the module, never deleted; its
// references are counted only so that DllCanUnloadNow can tell whether one is outstanding.
class TZelHotkeysFactory final : public IClassFactory {
public:
    constexpr TZelHotkeysFactory() noexcept = default;
    TZelHotkeysFactory(const TZelHotkeysFactory&) = delete;
    TZelHotkeysFactory& operator=(const TZelHotkeysFactory&) = delete;

    // IUnknown: answers IUnknown and IClassFactory.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;
    // IClassFactory: a new TZelHotkeys per call (see CreateZelHotkeys); LockServer changes the
    // module's object count.
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP LockServer(BOOL lock) noexcept override;

    // References handed out and not yet released.
    ULONG OutstandingReferences() const noexcept { return FRefs.load(); }

private:
    std::atomic<ULONG> FRefs{0};
};

// The one factory, created with the module (constant-initialised: no code runs in DllMain).
TZelHotkeysFactory& ZelHotkeysFactory() noexcept;

// True when no add-in object lives, no server lock is held and no factory reference is out.
bool ComServerCanUnload() noexcept;

// ---- The type library "ZelHotkeys", loaded from this module's own file (resource TYPELIB 1)
// without registering it, at the first call, and kept until the module unloads. Never call them
// from DllMain (loading a library under the loader lock). The pointers stay owned by the module:
// a caller that keeps one beyond the call AddRefs it. Each throws EOleSysError (with the
// HRESULT) when the library or the type cannot be loaded; a later call tries again.
ITypeLib* AddinTypeLib();
// IZelHotkeys: the dual interface's dispatch type information, for IDispatch.
ITypeInfo* ZelHotkeysTypeInfo();
// CZelHotkeys: the coclass's type information, for IProvideClassInfo::GetClassInfo.
ITypeInfo* ZelHotkeysClassInfo();

// Releases the type library and its type information; DllMain calls it when the DLL is freed
// (not at process exit, when oleaut32 may be gone already).
void FinalizeComServer() noexcept;

} // namespace zel
