// A DLL whose class factory answers as the test tells it, for the loader's tests.
// Environment (read at every call, as hexadecimal HRESULTs):
//   ZEL_TEST_GETCLASSOBJECT_HR   what DllGetClassObject returns (default S_OK);
//   ZEL_TEST_CREATEINSTANCE_HR   what IClassFactory::CreateInstance returns (default S_OK);
//   ZEL_TEST_IUNKNOWN_ONLY=1     the new object answers IUnknown only.
// Otherwise the new object answers IUnknown, IDispatch and whatever interface it is asked for
// next; it records the class id, the interface asked for and how often a factory was requested.
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <cwchar>
#include <new>

namespace {

GUID GLastClassId{};
GUID GLastInterfaceId{};
std::atomic<long> GClassObjectRequests{0};

HRESULT ResultFromEnvironment(const wchar_t* name)
{
    wchar_t value[32] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, 32);
    if (n == 0 || n >= 32)
        return S_OK;
    return static_cast<HRESULT>(std::wcstoul(value, nullptr, 16));
}

bool UnknownOnly()
{
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(L"ZEL_TEST_IUNKNOWN_ONLY", value, 4) == 1 && value[0] == L'1';
}

class TTestObject final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(this);
        } else if (!UnknownOnly()) {
            if (riid != IID_IDispatch)
                GLastInterfaceId = riid;
            *object = static_cast<IDispatch*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --FRefs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::atomic<ULONG> FRefs{1};
};

class TTestFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --FRefs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        const HRESULT hr = ResultFromEnvironment(L"ZEL_TEST_CREATEINSTANCE_HR");
        if (FAILED(hr))
            return hr;
        auto* created = new (std::nothrow) TTestObject;
        if (!created)
            return E_OUTOFMEMORY;
        const HRESULT qi = created->QueryInterface(riid, object);
        created->Release();
        return qi;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    std::atomic<ULONG> FRefs{1};
};

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ++GClassObjectRequests;
    GLastClassId = classId;
    const HRESULT hr = ResultFromEnvironment(L"ZEL_TEST_GETCLASSOBJECT_HR");
    if (FAILED(hr))
        return hr;
    auto* factory = new (std::nothrow) TTestFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT qi = factory->QueryInterface(riid, object);
    factory->Release();
    return qi;
}

extern "C" void STDAPICALLTYPE TestLastClassId(GUID* id)
{
    *id = GLastClassId;
}

extern "C" void STDAPICALLTYPE TestLastInterfaceId(GUID* id)
{
    *id = GLastInterfaceId;
}

extern "C" long STDAPICALLTYPE TestClassObjectRequests()
{
    return GClassObjectRequests;
}
