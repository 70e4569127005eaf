#include "addin/ComServer.h"

#include "addin/AddinIdentity.h"
#include "addin/uAddin.h"
#include "outlook/OleVariant.h"
#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/ModuleHandle.h"
#include "platform/Utf16.h"
#include "platform/WideText.h"

#include <memory>

namespace zel {
namespace {

std::atomic<long> GModuleLocks{0};

constinit TZelHotkeysFactory GFactory;

// The loaded type library and the two type infos taken from it.
struct TTypeLibCache {
    ComPtr<ITypeLib> Library;
    ComPtr<ITypeInfo> InterfaceInfo;
    ComPtr<ITypeInfo> ClassInfo;
};

// Held by plain pointer, not a static object: a static destructor would release into oleaut32
// at process exit, when it may be unloaded already. FinalizeComServer frees it on FreeLibrary.
TTypeLibCache* GTypeLibCache = nullptr;
SRWLOCK GTypeLibLock = SRWLOCK_INIT;

class TExclusiveLock {
public:
    explicit TExclusiveLock(SRWLOCK& lock) noexcept : FLock(lock) { AcquireSRWLockExclusive(&FLock); }
    ~TExclusiveLock() { ReleaseSRWLockExclusive(&FLock); }
    TExclusiveLock(const TExclusiveLock&) = delete;
    TExclusiveLock& operator=(const TExclusiveLock&) = delete;

private:
    SRWLOCK& FLock;
};

ComPtr<ITypeInfo> LoadTypeInfo(ITypeLib* library, REFGUID id, std::u16string_view name)
{
    ComPtr<ITypeInfo> info;
    const HRESULT hr = library->GetTypeInfoOfGuid(id, &info);
    if (FAILED(hr))
        throw EOleSysError(u"The type library has no type information for " + std::u16string(name) + u": " +
                               HResultText(hr),
                           hr);
    return info;
}

// Loads the cache when it is not loaded yet; the caller holds GTypeLibLock.
const TTypeLibCache& TypeLibCache()
{
    if (GTypeLibCache)
        return *GTypeLibCache;
    const std::wstring fileName = ThisModuleFileName();
    ComPtr<ITypeLib> library;
    const HRESULT hr = LoadTypeLibEx(fileName.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr))
        throw EOleSysError(u"Cannot load the type library of \"" + ToU16(fileName) + u"\": " +
                               HResultText(hr),
                           hr);
    auto cache = std::make_unique<TTypeLibCache>();
    cache->InterfaceInfo = LoadTypeInfo(library.Get(), IID_IZelHotkeys, InterfaceName);
    cache->ClassInfo = LoadTypeInfo(library.Get(), CLSID_CZelHotkeys, ClassName);
    cache->Library = std::move(library);
    GTypeLibCache = cache.release();
    return *GTypeLibCache;
}

} // namespace

void ModuleLock() noexcept
{
    ++GModuleLocks;
}

void ModuleUnlock() noexcept
{
    // An unlock without a lock (LockServer(FALSE) first, a caller's fault) must not take the
    // count below zero, where a later object would leave it at zero and let the DLL unload
    // under that object.
    long locks = GModuleLocks.load();
    while (locks > 0 && !GModuleLocks.compare_exchange_weak(locks, locks - 1)) {
    }
}

long ModuleLockCount() noexcept
{
    return GModuleLocks.load();
}

TZelHotkeysFactory& ZelHotkeysFactory() noexcept
{
    return GFactory;
}

bool ComServerCanUnload() noexcept
{
    return GModuleLocks.load() == 0 && GFactory.OutstandingReferences() == 0;
}

STDMETHODIMP TZelHotkeysFactory::QueryInterface(REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TZelHotkeysFactory::AddRef() noexcept
{
    return ++FRefs;
}

STDMETHODIMP_(ULONG) TZelHotkeysFactory::Release() noexcept
{
    // The factory is static: the last release frees nothing. A release without a reference
    // (a caller's fault) leaves the count at zero instead of wrapping it.
    ULONG refs = FRefs.load();
    while (refs != 0 && !FRefs.compare_exchange_weak(refs, refs - 1)) {
    }
    return refs == 0 ? 0 : refs - 1;
}

// CreateZelHotkeys is noexcept and reports its own failures; the boundary only ensures that a
// failure here, in the factory, ends as E_UNEXPECTED.
STDMETHODIMP TZelHotkeysFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept
try {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    // An aggregated object hands its outer object only its own IUnknown.
    if (outer && riid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    return CreateZelHotkeys(outer, riid, ppv);
}
ZEL_CATCH_SILENT_RETURN(E_UNEXPECTED)

STDMETHODIMP TZelHotkeysFactory::LockServer(BOOL lock) noexcept
{
    if (lock)
        ModuleLock();
    else
        ModuleUnlock();
    return S_OK;
}

ITypeLib* AddinTypeLib()
{
    const TExclusiveLock guard(GTypeLibLock);
    return TypeLibCache().Library.Get();
}

ITypeInfo* ZelHotkeysTypeInfo()
{
    const TExclusiveLock guard(GTypeLibLock);
    return TypeLibCache().InterfaceInfo.Get();
}

ITypeInfo* ZelHotkeysClassInfo()
{
    const TExclusiveLock guard(GTypeLibLock);
    return TypeLibCache().ClassInfo.Get();
}

void FinalizeComServer() noexcept
{
    const TExclusiveLock guard(GTypeLibLock);
    delete GTypeLibCache;
    GTypeLibCache = nullptr;
}

} // namespace zel
