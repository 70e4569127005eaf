// The DLL's class object and unload rule, through its exports as COM calls them.
#include "addin/AddinIdentity.h"
#include "addin/AddinDll.h"
#include "outlook/OleVariant.h"
#include "outlook/OutlookIds.h"

#include <ocidl.h>

#include <gtest/gtest.h>

namespace zel {
namespace {

using testing::TAddinDll;

// A stand-in for an outer object that aggregates; the factory must not call it.
class TOuterUnknown final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppv) noexcept override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
};

class ComServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GDll = new TAddinDll(); }
    static void TearDownTestSuite()
    {
        delete GDll;
        GDll = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(GDll->Loaded()) << "cannot load " << ZEL_TEST_ADDIN_DLL; }

    static ComPtr<IClassFactory> Factory()
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(GDll->GetClassObject(CLSID_CZelHotkeys, IID_IClassFactory, &factory), S_OK);
        return factory;
    }

    static TAddinDll* GDll;
};
TAddinDll* ComServerTest::GDll = nullptr;

void* const Garbage = reinterpret_cast<void*>(static_cast<INT_PTR>(0x1234));

TEST_F(ComServerTest, GetClassObjectAnswersTheAddinClassOnly)
{
    struct TCase {
        const char* Name;
        GUID ClassId;
        GUID InterfaceId;
        HRESULT Expected;
    };
    const TCase cases[] = {
        {"IUnknown of the add-in class", CLSID_CZelHotkeys, IID_IUnknown, S_OK},
        {"IClassFactory of the add-in class", CLSID_CZelHotkeys, IID_IClassFactory, S_OK},
        {"IDispatch of the add-in class", CLSID_CZelHotkeys, IID_IDispatch, E_NOINTERFACE},
        {"IClassFactory2 of the add-in class", CLSID_CZelHotkeys, IID_IClassFactory2, E_NOINTERFACE},
        {"the interface's id as class", IID_IZelHotkeys, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"the library's id as class", LIBID_ZelHotkeys, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
        {"Outlook's explorer class", CLSID_Explorer, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        void* object = Garbage;
        EXPECT_EQ(GDll->GetClassObject(c.ClassId, c.InterfaceId, &object), c.Expected);
        if (c.Expected == S_OK) {
            ASSERT_NE(object, nullptr);
            ASSERT_NE(object, Garbage);
            static_cast<IUnknown*>(object)->Release();
        } else {
            EXPECT_EQ(object, nullptr);
        }
    }
    EXPECT_EQ(GDll->GetClassObject(CLSID_CZelHotkeys, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(GDll->CanUnloadNow(), S_OK);
}

TEST_F(ComServerTest, FactoryIsOneObjectWhateverItIsAskedAs)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(GDll->GetClassObject(CLSID_CZelHotkeys, IID_IUnknown, &unknown), S_OK);
    ComPtr<IClassFactory> factory = Factory();
    ComPtr<IUnknown> identity;
    ASSERT_EQ(factory.As(&identity), S_OK);
    EXPECT_EQ(identity.Get(), unknown.Get());
}

TEST_F(ComServerTest, CreateInstanceChecksItsArgumentsFirst)
{
    const ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    TOuterUnknown outer;
    struct TCase {
        const char* Name;
        IUnknown* Outer;
        GUID InterfaceId;
        HRESULT Expected;
    };
    const TCase cases[] = {
        {"aggregated, asked for IDTExtensibility2", &outer, IID_IDTExtensibility2, CLASS_E_NOAGGREGATION},
        {"aggregated, asked for IDispatch", &outer, IID_IDispatch, CLASS_E_NOAGGREGATION},
        {"aggregated, asked for IZelHotkeys", &outer, IID_IZelHotkeys, CLASS_E_NOAGGREGATION},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        void* object = Garbage;
        EXPECT_EQ(factory->CreateInstance(c.Outer, c.InterfaceId, &object), c.Expected);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, nullptr), E_POINTER);
}

// Past the checks the factory hands over to the add-in object's own creation: either a live
// object, which keeps the DLL loaded until it is released, or (while the add-in object is not
// built yet) E_NOTIMPL with a null result.
TEST_F(ComServerTest, CreateInstanceMakesAnObjectThatKeepsTheModuleLoaded)
{
    void* object = Garbage;
    {
        const ComPtr<IClassFactory> factory = Factory();
        const HRESULT hr = factory->CreateInstance(nullptr, IID_IUnknown, &object);
        if (FAILED(hr)) {
            EXPECT_EQ(hr, E_NOTIMPL);
            EXPECT_EQ(object, nullptr);
            return;
        }
    }
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(GDll->CanUnloadNow(), S_FALSE);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(GDll->CanUnloadNow(), S_OK);
}

TEST_F(ComServerTest, CanUnloadNowOnlyWithoutFactoryReferencesAndLocks)
{
    ASSERT_EQ(GDll->CanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory = Factory();
    EXPECT_EQ(GDll->CanUnloadNow(), S_FALSE) << "a factory reference is out";
    ComPtr<IClassFactory> second = factory;
    factory.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_FALSE) << "one of two references is out";
    second.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_OK);

    // A lock outlives the reference it was taken through.
    factory = Factory();
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_FALSE) << "two locks held";
    factory = Factory();
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_FALSE) << "one lock held";
    factory = Factory();
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_OK);
}

// An unlock without a lock must not leave a debt that a later lock pays off: the count would
// then read zero while the server is locked.
TEST_F(ComServerTest, UnlockWithoutLockLeavesNoDebt)
{
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_FALSE);
    factory = Factory();
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(GDll->CanUnloadNow(), S_OK);
}

} // namespace
} // namespace zel
