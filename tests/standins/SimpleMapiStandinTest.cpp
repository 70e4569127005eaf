// The stand-in Simple MAPI mail client, loaded as a mail program's caller loads it: its
// record of MAPISendMail byte for byte, the configured result, its exports, its registration as
// the default mail client, the compose window, and the test fixture that puts the registry back.
#include "support/RegQuery.h"
#include "support/Screenshot.h"
#include "support/SimpleMapiClient.h"
#include "support/TestLibraries.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <thread>

#include <windows.h>

#include <mapi.h>

namespace {

using namespace zel::testing;
namespace fs = std::filesystem;

const std::wstring& StandinDll()
{
    static const std::wstring path = BuildPath(ZEL_TEST_SIMPLEMAPI_DLL);
    return path;
}

const std::wstring& PartialDll()
{
    static const std::wstring path = BuildPath(ZEL_TEST_SIMPLEMAPI_PARTIAL_DLL);
    return path;
}

const std::set<std::string> TwelveFunctions = {
    "MAPIAddress",  "MAPIDeleteMail",  "MAPIDetails",  "MAPIFindNext", "MAPIFreeBuffer",    "MAPILogoff",
    "MAPILogon",    "MAPIReadMail",    "MAPIResolveName", "MAPISaveMail", "MAPISendDocuments", "MAPISendMail",
};

// The system's ANSI bytes of a path, as a Simple MAPI caller hands it over.
std::string AnsiPath(const fs::path& path)
{
    const std::wstring wide = path.wstring();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size - 1));
    return ansi;
}

// Bytes in the system's ANSI code page as the window shows them.
std::wstring FromAnsi(const std::string& bytes)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size - 1));
    return wide;
}

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(size - 1));
    return utf8;
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A library loaded for the test and its exports.
class TLoadedLibrary {
public:
    explicit TLoadedLibrary(const std::wstring& path) : FModule(LoadLibraryW(path.c_str())) {}
    HMODULE Get() const { return FModule.get(); }
    template <class Function>
    Function* Export(const char* name) const
    {
        return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(FModule.get(), name)));
    }
    // Every name in the library's export table.
    std::set<std::string> ExportNames() const
    {
        const auto* base = reinterpret_cast<const BYTE*>(FModule.get());
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
        const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        std::set<std::string> result;
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            result.insert(reinterpret_cast<const char*>(base + names[i]));
        return result;
    }

private:
    zel::TLibraryHandle FModule;
};

class SimpleMapiStandinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FFolder = fs::temp_directory_path() / ("zel-simplemapi-test-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(FFolder);
        fs::create_directories(FFolder);
        ASSERT_NE(FLibrary.Get(), nullptr);
        FSendMail = FLibrary.Export<MAPISENDMAIL>("MAPISendMail");
        ASSERT_NE(FSendMail, nullptr);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }

    std::wstring RecordPath() const { return (FFolder / L"record.txt").wstring(); }
    TSimpleMapiClientSettings Recording() const { return StandinMailClient(StandinDll(), RecordPath()); }

    fs::path FFolder;
    TLoadedLibrary FLibrary{StandinDll()};
    MAPISENDMAIL* FSendMail = nullptr;
};

// A message of two recipients and two attachments, the second of them missing, with bytes
// outside ASCII in its texts.
struct TSampleMessage {
    explicit TSampleMessage(const fs::path& folder)
        : PresentPath(AnsiPath(folder / L"error.log")), MissingPath(AnsiPath(folder / L"gone.xml"))
    {
        WriteBytes(folder / L"error.log", Content);
        recipients[0] = {0, MAPI_TO, To.data(), ToAddress.data(), 0, nullptr};
        recipients[1] = {7, MAPI_CC, nullptr, CcAddress.data(), sizeof EntryId, EntryId};
        files[0] = {0, 0, 0xFFFFFFFF, PresentPath.data(), PresentName.data(), nullptr};
        files[1] = {0, MAPI_OLE, 3, MissingPath.data(), nullptr, &tag};
        message = {0,       Subject.data(), Body.data(), nullptr, Date.data(), nullptr, MAPI_RECEIPT_REQUESTED,
                   nullptr, 2,              recipients,  2,       files};
    }

    std::string Subject = "Zel \xC4\xD6\xDC \xE9t\xE9 \x80\x9F\x01\x7F\xFF support request";
    std::string Body = "Please describe your problem here.\r\n\r\nWindows version: W\xEEn\r\n\tOffice: \xA9\r\n";
    std::string Date = "2024/05/06 07:08";
    std::string To = "support@example.com";
    std::string ToAddress = "SMTP:support@example.com";
    std::string CcAddress = "SMTP:\xE9l\xE8ve@example.org";
    std::string Content = std::string("log\0line\r\n\xFF\xFE end", 17);
    std::string PresentPath;
    std::string PresentName = "error.log";
    std::string MissingPath;
    BYTE EntryId[4] = {1, 2, 3, 4};
    MapiFileTagExt tag{};
    MapiRecipDesc recipients[2];
    MapiFileDesc files[2];
    MapiMessage message;
};

TEST_F(SimpleMapiStandinTest, RecordsEveryFieldOfTheCallByteForByte)
{
    const TSimpleMapiClient client(Recording());
    TSampleMessage sample(FFolder);
    const fs::path dllFolder = FFolder / L"dlls-\u00e9\u4e2d";
    fs::create_directories(dllFolder);
    ASSERT_TRUE(SetDllDirectoryW(dllFolder.wstring().c_str()));
    const ULONG result = FSendMail(0x1234, 0xABCDEF, &sample.message, MAPI_LOGON_UI | MAPI_DIALOG, 5);
    SetDllDirectoryW(nullptr);
    EXPECT_EQ(result, SUCCESS_SUCCESS);

    const TMapiRecord record = ReadMapiRecord(RecordPath());
    ASSERT_TRUE(record.Valid()) << record.Error;
    EXPECT_EQ(record.Session, 0x1234u);
    EXPECT_EQ(record.Parent, 0xABCDEFu);
    EXPECT_EQ(record.Flags, 9u);
    EXPECT_EQ(record.Reserved, 5u);
    EXPECT_EQ(record.DllDirectory, Utf8(dllFolder.wstring()));
    ASSERT_TRUE(record.HasMessage);
    EXPECT_EQ(record.MessageReserved, 0u);
    EXPECT_EQ(record.Subject, sample.Subject);
    EXPECT_EQ(record.NoteText, sample.Body);
    EXPECT_EQ(record.MessageType, std::nullopt);
    EXPECT_EQ(record.DateReceived, sample.Date);
    EXPECT_EQ(record.ConversationId, std::nullopt);
    EXPECT_EQ(record.MessageFlags, static_cast<ULONG>(MAPI_RECEIPT_REQUESTED));
    EXPECT_EQ(record.Originator, std::nullopt);
    EXPECT_EQ(record.RecipientCount, 2u);
    const std::vector<TMapiRecipientRecord> recipients = {
        {0, MAPI_TO, sample.To, sample.ToAddress, 0},
        {7, MAPI_CC, std::nullopt, sample.CcAddress, 4},
    };
    EXPECT_EQ(record.Recipients, recipients);
    EXPECT_EQ(record.FileCount, 2u);
    const std::vector<TMapiFileRecord> files = {
        {0, 0, 0xFFFFFFFF, sample.PresentPath, sample.PresentName, false, sample.Content},
        {0, MAPI_OLE, 3, sample.MissingPath, std::nullopt, true, std::nullopt},
    };
    EXPECT_EQ(record.Files, files);
}

TEST_F(SimpleMapiStandinTest, RecordsNullPointersWithoutFollowingThem)
{
    const TSimpleMapiClient client(Recording());
    MapiRecipDesc blank{};
    MapiFileDesc noFile{};
    MapiMessage empty{};
    MapiMessage countsWithoutArrays{};
    countsWithoutArrays.nRecipCount = 2;
    countsWithoutArrays.nFileCount = 3;
    MapiMessage blankParts{};
    blankParts.lpOriginator = &blank;
    blankParts.nRecipCount = 1;
    blankParts.lpRecips = &blank;
    blankParts.nFileCount = 1;
    blankParts.lpFiles = &noFile;
    const TMapiRecipientRecord blankRecord{0, 0, std::nullopt, std::nullopt, 0};

    struct TCase {
        const char* Name;
        MapiMessage* Message;
        std::function<void(const TMapiRecord&)> Check;
    };
    const TCase cases[] = {
        {"no message", nullptr, [](const TMapiRecord& r) { EXPECT_FALSE(r.HasMessage); }},
        {"all texts null", &empty,
         [](const TMapiRecord& r) {
             EXPECT_TRUE(r.HasMessage);
             EXPECT_EQ(r.Subject, std::nullopt);
             EXPECT_EQ(r.NoteText, std::nullopt);
             EXPECT_EQ(r.MessageType, std::nullopt);
             EXPECT_EQ(r.DateReceived, std::nullopt);
             EXPECT_EQ(r.ConversationId, std::nullopt);
             EXPECT_TRUE(r.Recipients.empty());
             EXPECT_TRUE(r.Files.empty());
         }},
        {"counts without arrays", &countsWithoutArrays,
         [](const TMapiRecord& r) {
             EXPECT_EQ(r.RecipientCount, 2u);
             EXPECT_TRUE(r.RecipientsNull);
             EXPECT_EQ(r.FileCount, 3u);
             EXPECT_TRUE(r.FilesNull);
         }},
        {"parts with null texts", &blankParts,
         [&blankRecord](const TMapiRecord& r) {
             EXPECT_EQ(r.Originator, blankRecord);
             EXPECT_EQ(r.Recipients, std::vector<TMapiRecipientRecord>{blankRecord});
             EXPECT_EQ(r.Files, (std::vector<TMapiFileRecord>{{0, 0, 0, std::nullopt, std::nullopt, false, std::nullopt}}));
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        // A longer file is there already: the record replaces it.
        WriteBytes(RecordPath(), std::string(10000, '#') + "\n");
        EXPECT_EQ(FSendMail(0, 0, c.Message, 0, 0), SUCCESS_SUCCESS);
        const TMapiRecord record = ReadMapiRecord(RecordPath());
        ASSERT_TRUE(record.Valid()) << record.Error;
        EXPECT_EQ(record.DllDirectory, "");
        c.Check(record);
    }
}

TEST_F(SimpleMapiStandinTest, ReturnsTheConfiguredResultAfterRecording)
{
    const TSimpleMapiClient client(Recording());
    TSampleMessage sample(FFolder);
    for (const ULONG configured : {ULONG{SUCCESS_SUCCESS}, ULONG{MAPI_USER_ABORT}, ULONG{MAPI_E_FAILURE},
                                   ULONG{MAPI_E_ATTACHMENT_NOT_FOUND}, ULONG{MAPI_E_NOT_SUPPORTED}, ULONG{0xFFFFFFFF}}) {
        SCOPED_TRACE(configured);
        client.SetResult(configured);
        DeleteFileW(RecordPath().c_str());
        EXPECT_EQ(FSendMail(0, 0, &sample.message, MAPI_DIALOG, 0), configured);
        EXPECT_TRUE(ReadMapiRecord(RecordPath()).Valid());
    }
    // Without "RecordFile" nothing is written, and the result still comes.
    client.SetRecordFile({});
    client.SetResult(MAPI_E_LOGIN_FAILURE);
    DeleteFileW(RecordPath().c_str());
    EXPECT_EQ(FSendMail(0, 0, &sample.message, 0, 0), static_cast<ULONG>(MAPI_E_LOGIN_FAILURE));
    EXPECT_FALSE(ReadMapiRecord(RecordPath()).Found);
}

TEST_F(SimpleMapiStandinTest, WithoutItsKeyItSendsWithoutRecording)
{
    const TSimpleMapiClient client(NoSimpleMapiClient());
    TSampleMessage sample(FFolder);
    EXPECT_EQ(FSendMail(0, 0, &sample.message, 0, 0), SUCCESS_SUCCESS);
}

TEST_F(SimpleMapiStandinTest, TheOtherFunctionsAreNotSupported)
{
    struct TCase {
        const char* Name;
        std::function<ULONG()> Call;
        ULONG Expected;
    };
    const TLoadedLibrary& library = FLibrary;
    const TCase cases[] = {
        {"MAPILogon", [&] { LHANDLE s = 0; return library.Export<MAPILOGON>("MAPILogon")(0, nullptr, nullptr, 0, 0, &s); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPILogoff", [&] { return library.Export<MAPILOGOFF>("MAPILogoff")(0, 0, 0, 0); }, SUCCESS_SUCCESS},
        {"MAPISendDocuments",
         [&] { return library.Export<MAPISENDDOCUMENTS>("MAPISendDocuments")(0, nullptr, nullptr, nullptr, 0); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPIFindNext",
         [&] { return library.Export<MAPIFINDNEXT>("MAPIFindNext")(0, 0, nullptr, nullptr, 0, 0, nullptr); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPIReadMail", [&] { return library.Export<MAPIREADMAIL>("MAPIReadMail")(0, 0, nullptr, 0, 0, nullptr); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPISaveMail", [&] { return library.Export<MAPISAVEMAIL>("MAPISaveMail")(0, 0, nullptr, 0, 0, nullptr); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPIDeleteMail", [&] { return library.Export<MAPIDELETEMAIL>("MAPIDeleteMail")(0, 0, nullptr, 0, 0); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPIFreeBuffer",
         [&] { return library.Export<std::remove_pointer_t<LPMAPIFREEBUFFER>>("MAPIFreeBuffer")(nullptr); },
         SUCCESS_SUCCESS},
        {"MAPIAddress",
         [&] {
             return library.Export<MAPIADDRESS>("MAPIAddress")(0, 0, nullptr, 0, nullptr, 0, nullptr, 0, 0, nullptr,
                                                               nullptr);
         },
         MAPI_E_NOT_SUPPORTED},
        {"MAPIDetails", [&] { return library.Export<MAPIDETAILS>("MAPIDetails")(0, 0, nullptr, 0, 0); },
         MAPI_E_NOT_SUPPORTED},
        {"MAPIResolveName",
         [&] { return library.Export<MAPIRESOLVENAME>("MAPIResolveName")(0, 0, nullptr, 0, 0, nullptr); },
         MAPI_E_NOT_SUPPORTED},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Call(), c.Expected);
    }
}

TEST_F(SimpleMapiStandinTest, ExportsTheTwelveFunctionsAndThePartialOneLacksMapiDetails)
{
    std::set<std::string> expected = TwelveFunctions;
    expected.insert({"DllRegisterServer", "DllUnregisterServer"});
    EXPECT_EQ(FLibrary.ExportNames(), expected);

    const TLoadedLibrary partial(PartialDll());
    ASSERT_NE(partial.Get(), nullptr);
    expected.erase("MAPIDetails");
    EXPECT_EQ(partial.ExportNames(), expected);
    for (const std::string& name : TwelveFunctions)
        EXPECT_EQ(GetProcAddress(partial.Get(), name.c_str()) == nullptr, name == "MAPIDetails") << name;
}

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

TEST_F(SimpleMapiStandinTest, RegistersAndUnregistersAsTheDefaultMailClient)
{
    const TSimpleMapiClient client(NoSimpleMapiClient());
    using TExport = HRESULT STDAPICALLTYPE();
    const std::wstring dll = ModulePath(FLibrary.Get());
    ASSERT_EQ(FLibrary.Export<TExport>("DllRegisterServer")(), S_OK);

    const std::wstring machineClients = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\CLIENTS\\MAIL";
    const std::wstring userClients = L"HKEY_CURRENT_USER\\SOFTWARE\\CLIENTS\\MAIL";
    const TRegQueryResult machine = RegQuery(L"HKLM\\SOFTWARE\\Clients\\Mail");
    ASSERT_TRUE(machine.Found());
    EXPECT_EQ(machine.Keys.at(machineClients).at(L"(Default)").Data, L"ZelStandinMail");
    const TRegValues standin = machine.Keys.at(machineClients + L"\\ZELSTANDINMAIL");
    EXPECT_EQ(standin.at(L"(Default)").Data, L"Zel Stand-in Mail");
    EXPECT_EQ(UpperCased(standin.at(L"DLLPath").Data), UpperCased(dll));
    EXPECT_EQ(UpperCased(standin.at(L"DLLPathEx").Data), UpperCased(dll));
    const TRegQueryResult user = RegQuery(L"HKCU\\SOFTWARE\\Clients\\Mail");
    ASSERT_TRUE(user.Found());
    EXPECT_EQ(user.Keys.at(userClients).at(L"(Default)").Data, L"ZelStandinMail");

    // The user has chosen another client meanwhile: that choice stays.
    ASSERT_EQ(SetRegistryString(HKEY_CURRENT_USER, MailClientsKey, nullptr, L"Other Mail"), ERROR_SUCCESS);
    ASSERT_EQ(FLibrary.Export<TExport>("DllUnregisterServer")(), S_OK);
    EXPECT_FALSE(RegQuery(L"HKLM\\SOFTWARE\\Clients\\Mail\\ZelStandinMail").Found());
    EXPECT_EQ(RegQuery(L"HKLM\\SOFTWARE\\Clients\\Mail").Keys[machineClients].count(L"(Default)"), 0u);
    EXPECT_EQ(RegQuery(L"HKCU\\SOFTWARE\\Clients\\Mail").Keys[userClients][L"(Default)"].Data, L"Other Mail");
    // Nothing left to remove is no failure.
    EXPECT_EQ(FLibrary.Export<TExport>("DllUnregisterServer")(), S_OK);
}

// The keys the fixture may touch, as reg.exe shows them.
std::vector<TRegQueryResult> FixtureKeys()
{
    std::vector<TRegQueryResult> keys;
    for (const wchar_t* key : {L"HKLM\\SOFTWARE\\Clients", L"HKCU\\SOFTWARE\\Clients",
                               L"HKLM\\SOFTWARE\\Microsoft\\Windows Messaging Subsystem"})
        keys.push_back(RegQuery(key));
    return keys;
}

bool SameKeys(const std::vector<TRegQueryResult>& a, const std::vector<TRegQueryResult>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].ExitCode != b[i].ExitCode || a[i].Keys != b[i].Keys)
            return false;
    return true;
}

TEST_F(SimpleMapiStandinTest, TheFixtureSetsUpWhatItIsToldAndRestoresWhatItFound)
{
    const std::vector<TRegQueryResult> found = FixtureKeys();
    // The same keys read here, with the keys that have no values, which reg.exe leaves out.
    auto trees = [] {
        return std::vector<TRegistryTree>{ReadRegistryTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients"),
                                          ReadRegistryTree(HKEY_CURRENT_USER, L"SOFTWARE\\Clients"),
                                          ReadRegistryTree(HKEY_LOCAL_MACHINE, MessagingSubsystemKey)};
    };
    const std::vector<TRegistryTree> foundTrees = trees();
    std::cout << "Windows Messaging Subsystem as found:\n" << found[2].Output;

    TSimpleMapiClientSettings full = Recording();
    full.Result = MAPI_E_FAILURE;
    full.ComposeWindow = true;
    full.Mapi = TMessagingValue::Set(L"0");
    full.MapiX = TMessagingValue::Set(L"1");
    TSimpleMapiClientSettings partial = StandinMailClient(PartialDll());
    partial.DllPathEx = L"";
    partial.UserDefault = false;
    TSimpleMapiClientSettings missing = StandinMailClient(L"C:\\nowhere\\missing.dll");
    missing.MachineDefault = false;
    missing.Mapi = TMessagingValue::Keep();
    missing.MapiX = TMessagingValue::Keep();

    const wchar_t* const machine = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\CLIENTS\\MAIL";
    const wchar_t* const user = L"HKEY_CURRENT_USER\\SOFTWARE\\CLIENTS\\MAIL";
    const wchar_t* const messaging = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS MESSAGING SUBSYSTEM";
    auto value = [](const TRegQueryResult& result, const std::wstring& key, const wchar_t* name) -> std::wstring {
        // reg.exe leaves out keys without values.
        const auto k = result.Keys.find(key);
        if (k == result.Keys.end())
            return L"<none>";
        const auto v = k->second.find(name);
        return v == k->second.end() ? L"<none>" : v->second.Type + L" " + v->second.Data;
    };
    const std::wstring standinKey = std::wstring(machine) + L"\\ZELSTANDINMAIL";
    struct TCase {
        const char* Name;
        TSimpleMapiClientSettings Settings;
        std::function<void(const std::vector<TRegQueryResult>&)> Check;
    };
    const TCase cases[] = {
        {"no client", NoSimpleMapiClient(),
         [&](const std::vector<TRegQueryResult>& keys) {
             EXPECT_FALSE(ReadRegistryTree(HKEY_LOCAL_MACHINE, MailClientsKey).Exists);
             EXPECT_FALSE(ReadRegistryTree(HKEY_CURRENT_USER, MailClientsKey).Exists);
             EXPECT_EQ(value(keys[2], messaging, L"MAPI"), L"<none>");
             EXPECT_EQ(value(keys[2], messaging, L"MAPIX"), L"<none>");
         }},
        {"recording, with a compose window", full,
         [&](const std::vector<TRegQueryResult>& keys) {
             EXPECT_EQ(value(keys[0], machine, L"(Default)"), L"REG_SZ ZelStandinMail");
             EXPECT_EQ(value(keys[1], user, L"(Default)"), L"REG_SZ ZelStandinMail");
             EXPECT_EQ(value(keys[0], standinKey, L"(Default)"), L"REG_SZ Zel Stand-in Mail");
             EXPECT_EQ(value(keys[0], standinKey, L"DLLPath"), L"REG_SZ " + StandinDll());
             EXPECT_EQ(value(keys[0], standinKey, L"DLLPathEx"), L"REG_SZ " + StandinDll());
             EXPECT_EQ(value(keys[0], standinKey, L"RecordFile"), L"REG_SZ " + RecordPath());
             EXPECT_EQ(value(keys[0], standinKey, L"Result"), L"REG_DWORD 0x2");
             EXPECT_EQ(value(keys[0], standinKey, L"ComposeWindow"), L"REG_DWORD 0x1");
             EXPECT_EQ(value(keys[2], messaging, L"MAPI"), L"REG_SZ 0");
             EXPECT_EQ(value(keys[2], messaging, L"MAPIX"), L"REG_SZ 1");
         }},
        {"partial library, machine default only", partial,
         [&](const std::vector<TRegQueryResult>& keys) {
             EXPECT_EQ(value(keys[0], standinKey, L"DLLPath"), L"REG_SZ " + PartialDll());
             EXPECT_EQ(value(keys[0], standinKey, L"DLLPathEx"), L"<none>");
             EXPECT_EQ(value(keys[0], standinKey, L"RecordFile"), L"<none>");
             EXPECT_EQ(value(keys[0], standinKey, L"Result"), L"REG_DWORD 0x0");
             EXPECT_EQ(value(keys[0], machine, L"(Default)"), L"REG_SZ ZelStandinMail");
             EXPECT_EQ(value(keys[1], user, L"(Default)"), L"<none>");
         }},
        {"missing library, user default only, messaging kept", missing,
         [&](const std::vector<TRegQueryResult>& keys) {
             EXPECT_EQ(value(keys[0], standinKey, L"DLLPath"), L"REG_SZ C:\\nowhere\\missing.dll");
             EXPECT_EQ(value(keys[0], machine, L"(Default)"), L"<none>");
             EXPECT_EQ(value(keys[1], user, L"(Default)"), L"REG_SZ ZelStandinMail");
             EXPECT_EQ(keys[2].Keys, found[2].Keys);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        {
            const TSimpleMapiClient client(c.Settings);
            c.Check(FixtureKeys());
            // What a test may do meanwhile is undone as well.
            SetRegistryString(HKEY_LOCAL_MACHINE, MessagingSubsystemKey, L"ZelExtra", L"x");
            SetRegistryString(HKEY_CURRENT_USER, L"SOFTWARE\\Clients\\News", nullptr, L"x");
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients\\Mail\\Native Mail Client");
            SetRegistryString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients\\Empty\\Key", L"v", L"x");
            DeleteRegistryValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients\\Empty\\Key", L"v");
        }
        EXPECT_TRUE(SameKeys(FixtureKeys(), found));
        EXPECT_TRUE(trees() == foundTrees);
    }
}

// The compose window as another thread sees it while MAPISendMail waits for the user.
struct TSeenWindow {
    bool Found = false;
    bool RecordWritten = false;
    bool OwnerEnabled = true;
    HWND Owner = nullptr;
    std::wstring Caption, To, Subject, Attached, Body, Send, Cancel;
};

HWND WaitForComposeWindow()
{
    for (int i = 0; i < 200; ++i) {
        if (HWND window = FindWindowW(zel::standin::ComposeWindowClass, nullptr); window && IsWindowVisible(window))
            return window;
        Sleep(25);
    }
    return nullptr;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

TEST_F(SimpleMapiStandinTest, TheComposeWindowAnswersSendAndCancel)
{
    TSimpleMapiClientSettings settings = Recording();
    settings.ComposeWindow = true;
    settings.Result = MAPI_E_INVALID_MESSAGE;  // not what the window answers
    const TSimpleMapiClient client(settings);
    TSampleMessage sample(FFolder);
    TTestWindow::TOptions options;
    options.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    options.Bounds = {60, 60, 900, 700};
    options.Caption = L"Owner";
    const TTestWindow owner(options);

    struct TCase {
        const char* Name;
        UINT Message;  // BM_CLICK to the button, or WM_CLOSE to the window
        int Button;
        HWND Parent;
        ULONG Expected;
    };
    const TCase cases[] = {
        {"Send", BM_CLICK, IDOK, owner.Handle(), SUCCESS_SUCCESS},
        {"Cancel", BM_CLICK, IDCANCEL, owner.Handle(), MAPI_USER_ABORT},
        {"Cancel without owner", BM_CLICK, IDCANCEL, nullptr, MAPI_USER_ABORT},
        {"closed", WM_CLOSE, 0, owner.Handle(), MAPI_USER_ABORT},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        DeleteFileW(RecordPath().c_str());
        TSeenWindow seen;
        std::thread user([&] {
            const HWND window = WaitForComposeWindow();
            if (!window)
                return;
            seen.Found = true;
            seen.RecordWritten = ReadMapiRecord(RecordPath()).Valid();
            seen.OwnerEnabled = IsWindowEnabled(owner.Handle()) != FALSE;
            seen.Owner = GetWindow(window, GW_OWNER);
            seen.Caption = TextOf(window);
            seen.To = TextOf(GetDlgItem(window, zel::standin::ComposeToId));
            seen.Subject = TextOf(GetDlgItem(window, zel::standin::ComposeSubjectId));
            seen.Attached = TextOf(GetDlgItem(window, zel::standin::ComposeAttachedId));
            seen.Body = TextOf(GetDlgItem(window, zel::standin::ComposeBodyId));
            seen.Send = TextOf(GetDlgItem(window, IDOK));
            seen.Cancel = TextOf(GetDlgItem(window, IDCANCEL));
            if (c.Message == BM_CLICK)
                SendMessageW(GetDlgItem(window, c.Button), BM_CLICK, 0, 0);
            else
                PostMessageW(window, WM_CLOSE, 0, 0);
        });
        const ULONG result = FSendMail(0, reinterpret_cast<ULONG_PTR>(c.Parent), &sample.message,
                                       MAPI_LOGON_UI | MAPI_DIALOG, 0);
        user.join();
        EXPECT_EQ(result, c.Expected);
        EXPECT_EQ(ReadMapiRecord(RecordPath()).ComposeWindowError, 0u);
        ASSERT_TRUE(seen.Found);
        EXPECT_TRUE(seen.RecordWritten);
        EXPECT_EQ(seen.Owner, c.Parent);
        EXPECT_EQ(seen.OwnerEnabled, c.Parent == nullptr);
        EXPECT_EQ(seen.Send, L"Send");
        EXPECT_EQ(seen.Cancel, L"Cancel");
        EXPECT_EQ(seen.Caption, FromAnsi(sample.Subject) + L" - Message (Zel Stand-in Mail)");
        EXPECT_EQ(seen.To, L"support@example.com; Cc: " + FromAnsi(sample.CcAddress.substr(5)));
        EXPECT_EQ(seen.Subject, FromAnsi(sample.Subject));
        EXPECT_EQ(seen.Attached, L"error.log; gone.xml");
        EXPECT_EQ(seen.Body, FromAnsi(sample.Body));
        // The window is gone and the owner can be used again.
        EXPECT_EQ(FindWindowW(zel::standin::ComposeWindowClass, nullptr), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    }
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Under Wine, a window left to the X window manager gets its frame and caption from that
// manager, and the test display has none: the screenshot would show a bare client area. Wine
// draws the frames itself for a program whose windows it keeps unmanaged (the per-program
// setting "Managed"="N"), which it reads when the program starts; so under Wine this test runs
// itself again in a second process of this program with that setting.
TEST_F(SimpleMapiStandinTest, ScreenshotOfTheComposeWindow)
{
    constexpr wchar_t secondRun[] = L"ZEL_SIMPLEMAPI_SCREENSHOT_RUN";
    if (RunningOnWine() && GetEnvironmentVariableW(secondRun, nullptr, 0) == 0) {
        const std::wstring program = ModulePath(nullptr);
        const std::wstring appDefaults =
            L"Software\\Wine\\AppDefaults\\" + program.substr(program.find_last_of(L'\\') + 1);
        const TRegistryTreeGuard restored(HKEY_CURRENT_USER, appDefaults);
        ASSERT_EQ(SetRegistryString(HKEY_CURRENT_USER, appDefaults + L"\\X11 Driver", L"Managed", L"N"), ERROR_SUCCESS);
        const TEnvironmentSetting marked(secondRun, L"1");
        std::string output;
        const DWORD exitCode = RunCapturing(
            L"\"" + program + L"\" --gtest_brief=1 --gtest_filter=SimpleMapiStandinTest.ScreenshotOfTheComposeWindow",
            output);
        EXPECT_EQ(exitCode, 0u) << output;
        return;
    }

    TSimpleMapiClientSettings settings = Recording();
    settings.ComposeWindow = true;
    const TSimpleMapiClient client(settings);
    TSampleMessage sample(FFolder);
    bool framed = false;
    bool saved = false;
    std::thread user([&] {
        const HWND window = WaitForComposeWindow();
        if (!window)
            return;
        Sleep(500);  // the window's thread paints it meanwhile
        // The caption bar, left of its buttons, is drawn (the screen around is black).
        RECT bounds;
        GetWindowRect(window, &bounds);
        const zel::TScreenDC screen;
        framed = GetPixel(screen.Get(), bounds.right - 80, bounds.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2) !=
                 RGB(0, 0, 0);
        saved = SaveWindowPng(window, L"simplemapi-compose-window", 12);
        SendMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(FSendMail(0, 0, &sample.message, MAPI_LOGON_UI | MAPI_DIALOG, 0), SUCCESS_SUCCESS);
    user.join();
    EXPECT_TRUE(framed);
    EXPECT_TRUE(saved);
}

} // namespace
