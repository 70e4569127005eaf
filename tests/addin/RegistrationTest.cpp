// The registration as the registry holds it afterwards, read back with Wine's reg.exe:
// machine-wide (DllRegisterServer / DllUnregisterServer), per user (DllInstall "user"), the
// per-user fallback of Outlook's add-in key, and a DLL in a folder whose path has a blank.
#include "addin/AddinDll.h"
#include "addin/AddinIdentity.h"
#include "outlook/OleVariant.h"
#include "platform/Handles.h"
#include "platform/Utf16.h"
#include "platform/WideText.h"
#include "support/RegQuery.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using testing::RegQuery;
using testing::TAddinDll;
using testing::TRegQueryResult;
using testing::TRegValue;
using testing::TRegValues;
using testing::UpperCased;

const std::wstring ClassKeyPath = L"CLSID\\{28C66DD9-95C1-4E18-AB8B-4BEBF75EDA51}";
const std::wstring ProgIdKeyPath = L"ZelHotkeys.CZelHotkeys";
const std::wstring AddinKeyPath = L"Software\\Microsoft\\Office\\Outlook\\Addins\\ZelHotkeys.CZelHotkeys";
const std::wstring TypeLibKeyPath = L"TypeLib\\{D60C3787-102B-4CF6-90EE-E033DFCF0923}";
const std::wstring InterfaceKeyPath = L"Interface\\{8718ABAE-71BF-4688-A1E3-3E8EF6832F7C}";

const std::wstring Classes = L"HKEY_CLASSES_ROOT\\";
const std::wstring UserClasses = L"HKEY_CURRENT_USER\\Software\\Classes\\";
const std::wstring Machine = L"HKEY_LOCAL_MACHINE\\";
const std::wstring User = L"HKEY_CURRENT_USER\\";

TRegValue Text(std::wstring data)
{
    return {L"REG_SZ", std::move(data)};
}

// The class entries under a classes root (full reg.exe path of it, with the trailing "\") for
// a server at serverPath: exactly these keys, exactly these values.
std::map<std::wstring, TRegValues> ExpectedClassKeys(const std::wstring& root, const std::wstring& serverPath)
{
    const std::wstring classKey = UpperCased(root + ClassKeyPath);
    const std::wstring progIdKey = UpperCased(root + ProgIdKeyPath);
    return {
        {classKey, {{L"(Default)", Text(L"Zelkor Hotkeys Object")}}},
        {classKey + L"\\INPROCSERVER32", {{L"(Default)", Text(serverPath)}, {L"ThreadingModel", Text(L"Apartment")}}},
        {classKey + L"\\PROGID", {{L"(Default)", Text(L"ZelHotkeys.CZelHotkeys")}}},
        {classKey + L"\\VERSION", {{L"(Default)", Text(L"1.0")}}},
        {classKey + L"\\TYPELIB", {{L"(Default)", Text(L"{D60C3787-102B-4CF6-90EE-E033DFCF0923}")}}},
        {progIdKey, {{L"(Default)", Text(L"Zelkor Hotkeys Object")}}},
        {progIdKey + L"\\CLSID", {{L"(Default)", Text(L"{28C66DD9-95C1-4E18-AB8B-4BEBF75EDA51}")}}},
    };
}

std::map<std::wstring, TRegValues> ExpectedAddinKey(const std::wstring& root)
{
    return {{UpperCased(root + AddinKeyPath),
             {{L"FriendlyName", Text(L"Zelkor Hotkeys for Outlook")}, {L"LoadBehavior", {L"REG_DWORD", L"0x3"}}}}};
}

// The keys and values below the class key and the ProgID's key of a classes root, together.
std::map<std::wstring, TRegValues> ClassKeys(const std::wstring& root)
{
    std::map<std::wstring, TRegValues> keys = RegQuery(root + ClassKeyPath).Keys;
    keys.merge(RegQuery(root + ProgIdKeyPath).Keys);
    return keys;
}

bool Exists(const std::wstring& key)
{
    const TRegQueryResult result = RegQuery(key);
    // 1 is reg.exe's "no such key"; anything else is a query that did not run.
    EXPECT_TRUE(result.ExitCode == 0 || result.ExitCode == 1) << result.ExitCode << ": " << result.Output;
    return result.Found();
}

std::wstring DefaultValue(const std::wstring& key)
{
    const TRegQueryResult result = RegQuery(key);
    const auto found = result.Keys.find(UpperCased(key));
    if (found == result.Keys.end() || !found->second.contains(L"(Default)"))
        return L"";
    return found->second.at(L"(Default)").Data;
}

std::wstring FileFolder(const std::wstring& path)
{
    return path.substr(0, path.rfind(L'\\'));
}

// Every registration place, machine-wide and per user, taken back before and after each test.
void RemoveAllRegistrations(const TAddinDll& dll)
{
    dll.Install(FALSE, L"user");
    dll.UnregisterServer();
    RegDeleteTreeW(HKEY_CURRENT_USER, AddinKeyPath.c_str());
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDll.Loaded()) << "cannot load " << ZEL_TEST_ADDIN_DLL;
        RemoveAllRegistrations(FDll);
    }
    void TearDown() override { RemoveAllRegistrations(FDll); }

    // Nothing of the add-in in any of the places a registration writes.
    void ExpectNothingRegistered()
    {
        for (const std::wstring& key :
             {Classes + ClassKeyPath, Classes + ProgIdKeyPath, Classes + TypeLibKeyPath, Classes + InterfaceKeyPath,
              UserClasses + ClassKeyPath, UserClasses + ProgIdKeyPath, Machine + AddinKeyPath, User + AddinKeyPath})
            EXPECT_FALSE(Exists(key)) << ToUtf8(AsU16(key)) << " is still there";
    }

    const std::wstring FDllPath = testing::AddinDllPath();
    TAddinDll FDll;
    TComApartment FApartment;
};

TEST_F(RegistrationTest, RegisterWritesClassesTypeLibAndAddinKeyAndUnregisterTakesThemBack)
{
    ASSERT_EQ(FDll.RegisterServer(), S_OK);
    EXPECT_EQ(ClassKeys(Classes), ExpectedClassKeys(Classes, FDllPath));
    EXPECT_EQ(RegQuery(Machine + AddinKeyPath).Keys, ExpectedAddinKey(Machine));
    EXPECT_FALSE(Exists(User + AddinKeyPath));
    // The platform's type library entries: the file for this platform, the folder as help folder.
    const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
    EXPECT_EQ(DefaultValue(Classes + TypeLibKeyPath + L"\\1.0\\409\\" + platform), FDllPath);
    EXPECT_EQ(DefaultValue(Classes + TypeLibKeyPath + L"\\1.0\\HELPDIR"), FileFolder(FDllPath));
    EXPECT_EQ(DefaultValue(Classes + InterfaceKeyPath), L"IZelHotkeys");

    // COM finds the class by its ProgID and serves its factory from the registered file.
    CLSID classId{};
    EXPECT_EQ(CLSIDFromProgID(L"ZelHotkeys.CZelHotkeys", &classId), S_OK);
    EXPECT_EQ(classId, CLSID_CZelHotkeys);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CoGetClassObject(CLSID_CZelHotkeys, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &factory), S_OK);
    factory.Reset();

    ASSERT_EQ(FDll.UnregisterServer(), S_OK);
    ExpectNothingRegistered();
    EXPECT_EQ(FDll.UnregisterServer(), S_OK) << "unregistering with nothing registered";
    ExpectNothingRegistered();
}

TEST_F(RegistrationTest, RegisteringTwiceEqualsRegisteringOnce)
{
    ASSERT_EQ(FDll.RegisterServer(), S_OK);
    const auto classes = ClassKeys(Classes);
    const auto addin = RegQuery(Machine + AddinKeyPath).Keys;
    const auto typeLib = RegQuery(Classes + TypeLibKeyPath).Keys;
    ASSERT_EQ(FDll.RegisterServer(), S_OK);
    EXPECT_EQ(ClassKeys(Classes), classes);
    EXPECT_EQ(RegQuery(Machine + AddinKeyPath).Keys, addin);
    EXPECT_EQ(RegQuery(Classes + TypeLibKeyPath).Keys, typeLib);
}

TEST_F(RegistrationTest, PerUserInstallWritesTheUsersKeysOnly)
{
    ASSERT_EQ(FDll.Install(TRUE, L"User"), S_OK);
    EXPECT_EQ(ClassKeys(UserClasses), ExpectedClassKeys(UserClasses, FDllPath));
    EXPECT_EQ(RegQuery(User + AddinKeyPath).Keys, ExpectedAddinKey(User));
    EXPECT_FALSE(Exists(Machine + AddinKeyPath));
    EXPECT_FALSE(Exists(Machine + L"Software\\Classes\\" + ClassKeyPath));

    ASSERT_EQ(FDll.Install(FALSE, L"USER"), S_OK);
    ExpectNothingRegistered();
    EXPECT_EQ(FDll.Install(FALSE, L"user"), S_OK) << "uninstalling with nothing installed";
}

TEST_F(RegistrationTest, InstallTakesOnlyTheUserCommandLine)
{
    for (const wchar_t* commandLine : {static_cast<const wchar_t*>(nullptr), L"", L"machine", L"users", L" user"}) {
        SCOPED_TRACE(commandLine ? ToUtf8(AsU16(commandLine)) : "null");
        EXPECT_EQ(FDll.Install(TRUE, commandLine), E_INVALIDARG);
        EXPECT_EQ(FDll.Install(FALSE, commandLine), E_INVALIDARG);
    }
    ExpectNothingRegistered();
}

// Outlook's machine-wide Addins key made volatile for the test: a lasting key cannot be created
// below a volatile one, so the add-in's machine key cannot be made. The key as it was comes back
// at the end.
class TVolatileMachineAddins {
public:
    TVolatileMachineAddins()
    {
        HKEY raw = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, OutlookKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &raw, nullptr) != ERROR_SUCCESS)
            return;
        const TRegKey outlook(raw);
        FExisted = RegOpenKeyExW(outlook.get(), L"Addins", 0, KEY_READ, &raw) == ERROR_SUCCESS;
        if (FExisted)
            RegCloseKey(raw);
        // Other add-ins' keys below it would be lost: only an empty key is replaced.
        if (FExisted && RegDeleteKeyW(outlook.get(), L"Addins") != ERROR_SUCCESS)
            return;
        FMade = RegCreateKeyExW(outlook.get(), L"Addins", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &raw, nullptr) == ERROR_SUCCESS;
        if (FMade)
            RegCloseKey(raw);
    }
    ~TVolatileMachineAddins()
    {
        HKEY raw = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, OutlookKey, 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS)
            return;
        const TRegKey outlook(raw);
        if (FMade)
            RegDeleteTreeW(outlook.get(), L"Addins");
        if (FExisted && RegCreateKeyExW(outlook.get(), L"Addins", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                        nullptr, &raw, nullptr) == ERROR_SUCCESS)
            RegCloseKey(raw);
    }
    TVolatileMachineAddins(const TVolatileMachineAddins&) = delete;
    TVolatileMachineAddins& operator=(const TVolatileMachineAddins&) = delete;

    bool Made() const noexcept { return FMade; }

private:
    static constexpr const wchar_t* OutlookKey = L"Software\\Microsoft\\Office\\Outlook";
    bool FExisted = false;
    bool FMade = false;
};

TEST_F(RegistrationTest, WithoutTheMachinesAddinKeyTheUsersIsWritten)
{
    {
        const TVolatileMachineAddins volatileAddins;
        ASSERT_TRUE(volatileAddins.Made());
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, AddinKeyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &raw, nullptr),
                  ERROR_CHILD_MUST_BE_VOLATILE)
            << "the machine's add-in key can still be made";

        ASSERT_EQ(FDll.RegisterServer(), S_OK);
        EXPECT_EQ(ClassKeys(Classes), ExpectedClassKeys(Classes, FDllPath));
        EXPECT_FALSE(Exists(Machine + AddinKeyPath));
        EXPECT_EQ(RegQuery(User + AddinKeyPath).Keys, ExpectedAddinKey(User));

        // The user's key that stood in for the machine's goes with the machine registration.
        ASSERT_EQ(FDll.UnregisterServer(), S_OK);
        ExpectNothingRegistered();
    }
}

// A per-user installation keeps its own add-in key when the machine registration is removed.
TEST_F(RegistrationTest, MachineUnregistrationLeavesAPerUserInstallation)
{
    ASSERT_EQ(FDll.Install(TRUE, L"user"), S_OK);
    ASSERT_EQ(FDll.RegisterServer(), S_OK);
    ASSERT_EQ(FDll.UnregisterServer(), S_OK);
    EXPECT_FALSE(Exists(Classes + ClassKeyPath));
    EXPECT_FALSE(Exists(Machine + AddinKeyPath));
    EXPECT_EQ(ClassKeys(UserClasses), ExpectedClassKeys(UserClasses, FDllPath));
    EXPECT_EQ(RegQuery(User + AddinKeyPath).Keys, ExpectedAddinKey(User));
}

// A copy of the DLL in a folder whose path has a blank, removed with the object.
class TDllCopyWithBlank {
public:
    explicit TDllCopyWithBlank(const std::wstring& source)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        FFolder = std::wstring(temp) + L"Zel Hotkeys Copy";
        CreateDirectoryW(FFolder.c_str(), nullptr);
        FPath = FFolder + L"\\ZelHotkeys.dll";
        FCopied = CopyFileW(source.c_str(), FPath.c_str(), FALSE) != FALSE;
    }
    ~TDllCopyWithBlank()
    {
        DeleteFileW(FPath.c_str());
        RemoveDirectoryW(FFolder.c_str());
    }
    TDllCopyWithBlank(const TDllCopyWithBlank&) = delete;
    TDllCopyWithBlank& operator=(const TDllCopyWithBlank&) = delete;

    bool Copied() const noexcept { return FCopied; }
    const std::wstring& Path() const noexcept { return FPath; }

private:
    std::wstring FFolder;
    std::wstring FPath;
    bool FCopied = false;
};

TEST_F(RegistrationTest, ADllInAPathWithABlankIsRegisteredUnderItsShortPath)
{
    const TDllCopyWithBlank copy(FDllPath);
    ASSERT_TRUE(copy.Copied());
    const std::wstring shortPath = GrowBuffer(
        [&copy](wchar_t* buffer, DWORD capacity) { return GetShortPathNameW(copy.Path().c_str(), buffer, capacity); });
    ASSERT_FALSE(shortPath.empty());
    ASSERT_EQ(shortPath.find(L' '), std::wstring::npos) << "the volume gives no short form";
    {
        const TAddinDll dll(copy.Path());
        ASSERT_TRUE(dll.Loaded());
        ASSERT_NE(dll.Module(), FDll.Module()) << "the copy is a module of its own";
        ASSERT_EQ(dll.RegisterServer(), S_OK);
        EXPECT_EQ(ClassKeys(Classes), ExpectedClassKeys(Classes, shortPath));
        // The type library is registered with the long path.
        const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
        EXPECT_EQ(DefaultValue(Classes + TypeLibKeyPath + L"\\1.0\\409\\" + platform), copy.Path());
        ASSERT_EQ(dll.UnregisterServer(), S_OK);
        ExpectNothingRegistered();
    }
}

} // namespace
} // namespace zel
