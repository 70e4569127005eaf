#include "mapi/uRedemptionLoader.h"

#include "support/TestLibraries.h"
#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "mapi/RedemptionIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <type_traits>

namespace zel {
namespace {

using testing::BuildPath;
using testing::IsLoaded;
using testing::ProgramFolder;
using testing::TEnvironmentSetting;

std::wstring FactoryDll() { return BuildPath(ZEL_TEST_FACTORY_DLL); }
std::wstring NoExportDll() { return BuildPath(ZEL_TEST_NOEXPORT_DLL); }

std::wstring GuidText(const GUID& id)
{
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

// What the test library recorded of the last creation.
struct TFactoryRecord {
    explicit TFactoryRecord(const std::wstring& path) : FModule(GetModuleHandleW(path.c_str())) {}
    std::wstring LastClassId() const { return Read("TestLastClassId"); }
    std::wstring LastInterfaceId() const { return Read("TestLastInterfaceId"); }
    long Requests() const
    {
        auto get = reinterpret_cast<long(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(FModule, "TestClassObjectRequests")));
        return get ? get() : -1;
    }

private:
    std::wstring Read(const char* name) const
    {
        auto get = reinterpret_cast<void(WINAPI*)(GUID*)>(reinterpret_cast<void*>(GetProcAddress(FModule, name)));
        if (!get)
            return L"(no test library)";
        GUID id{};
        get(&id);
        return GuidText(id);
    }
    HMODULE FModule;
};

// Runs a creation that must fail and returns what it raised.
template <class E>
std::optional<E> Raised(TRedemptionLoader& loader)
{
    try {
        auto object = loader.new_RDOSession();
        ADD_FAILURE() << "created an object";
    } catch (const Exception& e) {
        if constexpr (std::is_same_v<E, Exception>) {
            return e;
        } else {
            if (const auto* wanted = dynamic_cast<const E*>(&e))
                return *wanted;
            ADD_FAILURE() << "raised " << e.ClassName() << ": " << e.what();
        }
    }
    return std::nullopt;
}

class RedemptionLoaderTest : public ::testing::Test {
protected:
    TComApartment FApartment;
};

TEST_F(RedemptionLoaderTest, CreatesTheSessionFromTheSetPath)
{
    auto loader = std::make_unique<TRedemptionLoader>();
    loader->SetDllLocation(FactoryDll());
    auto session = loader->new_RDOSession();
    ASSERT_TRUE(session);
    EXPECT_TRUE(IsLoaded(FactoryDll()));
    TFactoryRecord record(FactoryDll());
    EXPECT_EQ(record.LastClassId(), L"{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}");
    EXPECT_EQ(record.LastInterfaceId(), L"{E54C5168-AA8C-405F-9C14-A4037302BD9D}");
    session.Reset();
    loader.reset();
    EXPECT_FALSE(IsLoaded(FactoryDll())) << "destroying the loader unloads the library";
}

struct CreatorCase {
    const char* name;
    TRedemptionLoader::TLibraryObject (TRedemptionLoader::*create)();
    const wchar_t* classId;
    const wchar_t* interfaceId;
};

class CreatorTest : public RedemptionLoaderTest, public ::testing::WithParamInterface<CreatorCase> {};

TEST_P(CreatorTest, AsksForItsClassAndInterface)
{
    const auto& c = GetParam();
    TRedemptionLoader loader;
    loader.SetDllLocation(FactoryDll());
    auto object = (loader.*c.create)();
    ASSERT_TRUE(object);
    TFactoryRecord record(FactoryDll());
    EXPECT_EQ(record.LastClassId(), c.classId);
    EXPECT_EQ(record.LastInterfaceId(), c.interfaceId);
}

INSTANTIATE_TEST_SUITE_P(Table, CreatorTest, ::testing::Values(
    CreatorCase{"RDOSession", &TRedemptionLoader::new_RDOSession, L"{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}", L"{E54C5168-AA8C-405F-9C14-A4037302BD9D}"},
    CreatorCase{"SafeMailItem", &TRedemptionLoader::new_SafeMailItem, L"{741BEEFD-AEC0-4AFF-84AF-4F61D15F5526}", L"{0A95BE2D-1543-46BE-AD6D-18653034BF87}"},
    CreatorCase{"SafeContactItem", &TRedemptionLoader::new_SafeContactItem, L"{4FD5C4D3-6C15-4EA0-9EB9-EEE8FC74A91B}", L"{3120A5E4-552D-4EDF-8C48-70C5D5FF22D2}"},
    CreatorCase{"SafeAppointmentItem", &TRedemptionLoader::new_SafeAppointmentItem, L"{620D55B0-F2FB-464E-A278-B4308DB1DB2B}", L"{35EFAD55-134A-47BF-912A-44A9D9FD556F}"},
    CreatorCase{"SafeTaskItem", &TRedemptionLoader::new_SafeTaskItem, L"{7A41359E-0407-470F-B3F7-7C6A0F7C449A}", L"{F961CE9D-AE2B-4CFB-887C-3A055FF685C9}"},
    CreatorCase{"SafeJournalItem", &TRedemptionLoader::new_SafeJournalItem, L"{C5AA36A1-8BD1-47E0-90F8-47E7239C6EA1}", L"{E3EC74BB-5522-462D-A00F-2728C53FCA04}"},
    CreatorCase{"SafeMeetingItem", &TRedemptionLoader::new_SafeMeetingItem, L"{FA2CBAFB-F7B1-4F41-9B7A-73329A6C1CB7}", L"{F7919641-3978-4668-8388-7310329C800E}"},
    CreatorCase{"SafePostItem", &TRedemptionLoader::new_SafePostItem, L"{11E2BC0C-5D4F-4E0C-B438-501FFE05A382}", L"{6A5D680A-8F9F-4752-A056-2C0273F60B4E}"},
    CreatorCase{"SafeReportItem", &TRedemptionLoader::new_SafeReportItem, L"{D46BA7B2-899F-4F60-85C7-4DF5713F6F18}", L"{03C3860D-86B7-4F36-924C-3B1AD93B4C79}"},
    CreatorCase{"SafeMAPIFolder", &TRedemptionLoader::new_SafeMAPIFolder, L"{03C4C5F4-1893-444C-B8D8-002F0034DA92}", L"{31CE2164-4D5C-4508-BCA7-B10E11D08E6B}"},
    CreatorCase{"SafeCurrentUser", &TRedemptionLoader::new_SafeCurrentUser, L"{7ED1E9B1-CB57-4FA0-84E8-FAE653FE8E6B}", L"{D7E6FB7C-A22F-4A9D-A89D-653D1AA37324}"},
    CreatorCase{"SafeDistList", &TRedemptionLoader::new_SafeDistList, L"{7C4A630A-DE98-4E3E-8093-E8F5E159BB72}", L"{EBB4EBA9-D546-4C85-A05A-167BF875FB83}"},
    CreatorCase{"AddressLists", &TRedemptionLoader::new_AddressLists, L"{37587889-FC28-4507-B6D3-8557305F7511}", L"{86797248-1A4E-41D0-A0C3-2175A36B3D0E}"},
    CreatorCase{"MAPITable", &TRedemptionLoader::new_MAPITable, L"{A6931B16-90FA-4D69-A49F-3ABFA2C04060}", L"{6CCD925E-E833-4BE3-A62E-D3C8838C5D6D}"},
    CreatorCase{"MAPIUtils", &TRedemptionLoader::new_MAPIUtils, L"{4A5E947E-C407-4DCC-A0B5-5658E457153B}", L"{D45B0772-5801-4E61-9CBA-84120557A4D7}"},
    CreatorCase{"SafeInspector", &TRedemptionLoader::new_SafeInspector, L"{ED323630-B4FD-4628-BC6A-D4CC44AE3F00}", L"{6E4C6020-2932-4DDD-BDA8-998AE4CDF50D}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RedemptionLoaderTest, EmptyPathsDefaultToTheModuleFolder)
{
    // The build copies the test library next to the program under both default names.
    const std::wstring folder = ProgramFolder();
    auto loader = std::make_unique<TRedemptionLoader>();
    EXPECT_EQ(loader->DllLocation32Bit(), L"");
    EXPECT_EQ(loader->DllLocation64Bit(), L"");
    ASSERT_TRUE(loader->new_RDOSession());
    EXPECT_EQ(loader->DllLocation32Bit(), folder + L"\\Redemption.dll");
    EXPECT_EQ(loader->DllLocation64Bit(), folder + L"\\Redemption64.dll");
#ifdef _WIN64
    const std::wstring loaded = folder + L"\\Redemption64.dll", other = folder + L"\\Redemption.dll";
#else
    const std::wstring loaded = folder + L"\\Redemption.dll", other = folder + L"\\Redemption64.dll";
#endif
    EXPECT_TRUE(IsLoaded(loaded));
    EXPECT_FALSE(IsLoaded(other)) << "a process loads only the library of its own bitness";
    loader.reset();
    EXPECT_FALSE(IsLoaded(loaded));
}

TEST_F(RedemptionLoaderTest, AnEmptyPathIsDefaultedWhileTheOtherIsKept)
{
    TRedemptionLoader loader;
    loader.SetDllLocation(FactoryDll());
    ASSERT_TRUE(loader.new_RDOSession());
    EXPECT_EQ(loader.DllLocation(), FactoryDll());
#ifdef _WIN64
    EXPECT_EQ(loader.DllLocation32Bit(), ProgramFolder() + L"\\Redemption.dll");
#else
    EXPECT_EQ(loader.DllLocation64Bit(), ProgramFolder() + L"\\Redemption64.dll");
#endif
}

TEST_F(RedemptionLoaderTest, APathNamingNoFileRaisesTheSystemMessageAndIsTriedAgain)
{
    const std::wstring path = ProgramFolder() + L"\\mapi_test_missing.dll";
    DeleteFileW(path.c_str());
    {
        TRedemptionLoader loader;
        loader.SetDllLocation(path);
        auto raised = Raised<Exception>(loader);
        ASSERT_TRUE(raised);
        EXPECT_STREQ(raised->ClassName(), "Exception");
        wchar_t* text = nullptr;
        const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                       nullptr, ERROR_MOD_NOT_FOUND, LANG_USER_DEFAULT, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        const TLocalMemory textOwner(text);
        const std::wstring systemText(text, n);
        ASSERT_GE(systemText.size(), 2u);
        EXPECT_EQ(systemText.substr(systemText.size() - 2), L"\r\n");
        EXPECT_EQ(raised->Message(), u"Could not load \"" + ToU16(path) + u"\": " + ToU16(systemText));
        std::printf("observed: %s", raised->what());

        // The next creation loads again, from the stored path.
        ASSERT_TRUE(CopyFileW(FactoryDll().c_str(), path.c_str(), FALSE));
        EXPECT_TRUE(loader.new_RDOSession());
        EXPECT_TRUE(IsLoaded(path));
    }
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the loader unloaded the library";
}

TEST_F(RedemptionLoaderTest, ALibraryWithoutTheExportFailsEveryTimeAndStaysLoaded)
{
    auto loader = std::make_unique<TRedemptionLoader>();
    loader->SetDllLocation(NoExportDll());
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto raised = Raised<Exception>(*loader);
        ASSERT_TRUE(raised);
        EXPECT_STREQ(raised->ClassName(), "Exception");
        EXPECT_EQ(raised->Message(), u"The dll does not export the 'DllGetClassObject' function");
        EXPECT_TRUE(IsLoaded(NoExportDll()));
    }
    // A new path does not replace the loaded library.
    loader->SetDllLocation(FactoryDll());
    EXPECT_TRUE(Raised<Exception>(*loader));
    EXPECT_FALSE(IsLoaded(FactoryDll()));
    loader.reset();
    EXPECT_FALSE(IsLoaded(NoExportDll()));
}

struct ComFailureCase {
    const char* name;
    const wchar_t* variable;
    const wchar_t* value;
    std::u16string message;
    std::int32_t errorCode;
};

class ComFailureTest : public RedemptionLoaderTest, public ::testing::WithParamInterface<ComFailureCase> {};

TEST_P(ComFailureTest, RaisesEOleSysErrorAndStaysReady)
{
    const auto& c = GetParam();
    TRedemptionLoader loader;
    loader.SetDllLocation(FactoryDll());
    {
        TEnvironmentSetting failing(c.variable, c.value);
        auto raised = Raised<EOleSysError>(loader);
        ASSERT_TRUE(raised);
        EXPECT_STREQ(raised->ClassName(), "EOleSysError");
        EXPECT_EQ(raised->Message(), c.message);
        EXPECT_EQ(raised->ErrorCode(), c.errorCode);
        std::printf("observed: %s\n", raised->what());
    }
    EXPECT_TRUE(loader.new_RDOSession()) << "the loader stays ready after the failure";
}

INSTANTIATE_TEST_SUITE_P(Table, ComFailureTest, ::testing::Values(
    ComFailureCase{"EntryPointFails", L"ZEL_TEST_GETCLASSOBJECT_HR", L"80040111",
                   u"DllGetClassObject returned 0x80040111", 0},
    ComFailureCase{"EntryPointWrongOs", L"ZEL_TEST_GETCLASSOBJECT_HR", L"800401FA",
                   u"DllGetClassObject returned 0x800401FA", 0},
    ComFailureCase{"CreateInstanceWrongOs", L"ZEL_TEST_CREATEINSTANCE_HR", L"800401FA",
                   u"IClassFactory.CreateInstance returned CO_E_WRONGOSFORAPP.\r\n"
                   u"Make sure the bitness of your application and the MAPI system/Outlook match",
                   static_cast<std::int32_t>(0x800401FAu)},
    ComFailureCase{"CreateInstanceFails", L"ZEL_TEST_CREATEINSTANCE_HR", L"8007000e",
                   u"IClassFactory.CreateInstance returned 0x8007000E", static_cast<std::int32_t>(0x8007000Eu)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RedemptionLoaderTest, AnObjectLackingTheInterfaceRaisesEIntfCastError)
{
    TRedemptionLoader loader;
    loader.SetDllLocation(FactoryDll());
    TEnvironmentSetting unknownOnly(L"ZEL_TEST_IUNKNOWN_ONLY", L"1");
    auto raised = Raised<EIntfCastError>(loader);
    ASSERT_TRUE(raised);
    EXPECT_EQ(raised->Message(), u"Interface not supported");
}

TEST_F(RedemptionLoaderTest, EveryCreationAsksForANewFactory)
{
    TRedemptionLoader loader;
    loader.SetDllLocation(FactoryDll());
    ASSERT_TRUE(loader.new_RDOSession());
    TFactoryRecord record(FactoryDll());
    const long before = record.Requests();
    ASSERT_TRUE(loader.new_SafeInspector());
    ASSERT_TRUE(loader.new_RDOSession());
    EXPECT_EQ(record.Requests(), before + 2);
}

TEST_F(RedemptionLoaderTest, SettingAPathAfterCreationKeepsTheLoadedLibrary)
{
    TRedemptionLoader loader;
    loader.SetDllLocation(FactoryDll());
    ASSERT_TRUE(loader.new_RDOSession());
    const std::wstring other = ProgramFolder() + L"\\mapi_test_elsewhere.dll";
    loader.SetDllLocation32Bit(other);
    loader.SetDllLocation64Bit(other);
    EXPECT_EQ(loader.DllLocation32Bit(), other);
    EXPECT_EQ(loader.DllLocation64Bit(), other);
    EXPECT_TRUE(loader.new_RDOSession());
    EXPECT_TRUE(IsLoaded(FactoryDll()));
}

TEST(LoaderInstance, LivesBetweenInitialisationAndFinalisation)
{
    EXPECT_EQ(LoaderInstance(), nullptr);
    ASSERT_TRUE(InitializeLoaderInstance());
    TRedemptionLoader* first = LoaderInstance();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(InitializeLoaderInstance());
    EXPECT_EQ(LoaderInstance(), first);
    first->SetDllLocation(FactoryDll());
    EXPECT_TRUE(first->new_RDOSession());
    FinalizeLoaderInstance();
    EXPECT_EQ(LoaderInstance(), nullptr);
    EXPECT_FALSE(IsLoaded(FactoryDll()));
}

} // namespace
} // namespace zel
