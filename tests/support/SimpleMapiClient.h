// The stand-in Simple MAPI mail client (standins/simplemapi) as test equipment:
//  - TSimpleMapiClient registers a library as the system's default mail client for a test, with
//    the stand-in's settings ("RecordFile", "Result", "ComposeWindow") and the "MAPI" / "MAPIX"
//    values of the Windows Messaging Subsystem key as the test wants them, or sets up a system
//    with no mail client at all; at its end every key it may have touched is as it was found.
//  - ReadMapiRecord parses the record that the stand-in's MAPISendMail writes (its format is
//    described in standins/simplemapi/MailRecord.h), texts decoded back to their bytes.
// A test target gets the libraries' paths with zel_use_simplemapi_standin(<target>) in CMake:
// ZEL_TEST_SIMPLEMAPI_DLL and ZEL_TEST_SIMPLEMAPI_PARTIAL_DLL (the second lacks "MAPIDetails");
// BuildPath (TestLibraries.h) turns them into this process's paths. Tests that use this
// fixture take the CTest lock "simplemapi_registration".
#pragma once

#include "platform/Handles.h"
#include "standins/simplemapi/ComposeWindow.h"  // the window's class name and control ids

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <windows.h>

namespace zel::testing {

// ---- The registry places.

inline constexpr wchar_t MailClientsKey[] = L"SOFTWARE\\Clients\\Mail";  // under HKLM and HKCU
inline constexpr wchar_t StandinMailClientName[] = L"ZelStandinMail";
inline constexpr wchar_t StandinMailClientKey[] = L"SOFTWARE\\Clients\\Mail\\ZelStandinMail";  // under HKLM
inline constexpr wchar_t StandinMailDisplayName[] = L"Zel Stand-in Mail";
inline constexpr wchar_t MessagingSubsystemKey[] = L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem";  // HKLM

// ---- A registry tree as found, and put back.

// A key with its values (raw bytes and types, in enumeration order) and subkeys, or a missing key.
struct TRegistryTree {
    struct TValue {
        std::wstring Name;
        DWORD Type = REG_NONE;
        std::vector<BYTE> Data;
        bool operator==(const TValue&) const = default;
    };
    std::wstring Name;  // the key's own name (its last path part)
    bool Exists = false;
    std::vector<TValue> Values;
    std::vector<TRegistryTree> Subkeys;
    bool operator==(const TRegistryTree&) const = default;
};

inline TRegistryTree ReadRegistryTree(HKEY root, const std::wstring& path)
{
    TRegistryTree tree;
    tree.Name = path.substr(path.find_last_of(L'\\') + 1);
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return tree;
    const TRegKey key(raw);
    tree.Exists = true;
    DWORD maxSubkey = 0, maxValueName = 0, maxValueData = 0;
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, &maxSubkey, nullptr, nullptr, &maxValueName,
                     &maxValueData, nullptr, nullptr);
    for (DWORD index = 0;; ++index) {
        std::wstring name(maxValueName + 1, L'\0');
        std::vector<BYTE> data(maxValueData + 1);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS)
            break;
        name.resize(nameLength);
        data.resize(dataSize);
        tree.Values.push_back({name, type, data});
    }
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index) {
        std::wstring name(maxSubkey + 1, L'\0');
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key.get(), index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        name.resize(nameLength);
        subkeys.push_back(name);
    }
    for (const std::wstring& name : subkeys)
        tree.Subkeys.push_back(ReadRegistryTree(key.get(), name));
    return tree;
}

inline void WriteRegistryTree(HKEY root, const std::wstring& path, const TRegistryTree& tree)
{
    HKEY raw = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        return;
    const TRegKey key(raw);
    for (const TRegistryTree::TValue& value : tree.Values)
        RegSetValueExW(key.get(), value.Name.empty() ? nullptr : value.Name.c_str(), 0, value.Type,
                       value.Data.data(), static_cast<DWORD>(value.Data.size()));
    for (const TRegistryTree& subkey : tree.Subkeys)
        WriteRegistryTree(key.get(), subkey.Name, subkey);
}

// Puts the key back as the tree says (deleting it when it was missing); a key that is as it
// was is left alone.
inline void RestoreRegistryTree(HKEY root, const std::wstring& path, const TRegistryTree& tree)
{
    if (ReadRegistryTree(root, path) == tree)
        return;
    RegDeleteTreeW(root, path.c_str());
    if (tree.Exists)
        WriteRegistryTree(root, path, tree);
}

// Saves a key's tree when made and restores it when destroyed.
class TRegistryTreeGuard {
public:
    TRegistryTreeGuard(HKEY root, std::wstring path)
        : FRoot(root), FPath(std::move(path)), FSaved(ReadRegistryTree(FRoot, FPath)) {}
    ~TRegistryTreeGuard() { RestoreRegistryTree(FRoot, FPath, FSaved); }
    TRegistryTreeGuard(const TRegistryTreeGuard&) = delete;
    TRegistryTreeGuard& operator=(const TRegistryTreeGuard&) = delete;
    const TRegistryTree& Saved() const noexcept { return FSaved; }

private:
    HKEY FRoot;
    std::wstring FPath;
    TRegistryTree FSaved;
};

inline LSTATUS SetRegistryString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    HKEY raw = nullptr;
    LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                     &raw, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const TRegKey key(raw);
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline LSTATUS SetRegistryDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value)
{
    HKEY raw = nullptr;
    LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                     &raw, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const TRegKey key(raw);
    return RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Deletes a value (nullptr: the key's default value); a missing key or value is no error.
inline void DeleteRegistryValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS)
        return;
    const TRegKey key(raw);
    RegDeleteValueW(key.get(), name);
}

// ---- The fixture.

// What happens to one value of the Windows Messaging Subsystem key.
struct TMessagingValue {
    enum class TAction { Keep, Remove, Set };
    TAction Action = TAction::Remove;
    std::wstring Text;  // the REG_SZ written by Set

    static TMessagingValue Keep() { return {TAction::Keep, {}}; }
    static TMessagingValue Remove() { return {TAction::Remove, {}}; }
    static TMessagingValue Set(std::wstring text) { return {TAction::Set, std::move(text)}; }
};

struct TSimpleMapiClientSettings {
    // The library registered as the default mail client (a path as this process sees it; it may
    // name a missing file). Empty: no mail client at all, the machine's and the user's mail
    // clients keys are removed whole.
    std::wstring DllPath;
    // "DLLPathEx": nothing to write DllPath there too, an empty text to leave the value out.
    std::optional<std::wstring> DllPathEx;
    // Which default values of "SOFTWARE\Clients\Mail" name the client; the ones not set are
    // removed.
    bool MachineDefault = true;
    bool UserDefault = true;
    // The stand-in's own settings: no "RecordFile" when empty.
    std::wstring RecordFile;
    DWORD Result = 0;
    bool ComposeWindow = false;
    // "MAPI" = "1" would send mail through mapi32.dll instead of the default client, and a
    // fresh Wine prefix has it: both values are removed unless the test says otherwise.
    TMessagingValue Mapi = TMessagingValue::Remove();
    TMessagingValue MapiX = TMessagingValue::Remove();
};

// The settings of a system without any Simple MAPI client: no mail clients, no "MAPI" or "MAPIX".
inline TSimpleMapiClientSettings NoSimpleMapiClient()
{
    return {};
}

// The library registered as default mail client, recording each call to `recordFile`.
inline TSimpleMapiClientSettings StandinMailClient(std::wstring dllPath, std::wstring recordFile = {})
{
    TSimpleMapiClientSettings settings;
    settings.DllPath = std::move(dllPath);
    settings.RecordFile = std::move(recordFile);
    return settings;
}

class TSimpleMapiClient {
public:
    explicit TSimpleMapiClient(const TSimpleMapiClientSettings& settings)
    {
        if (settings.DllPath.empty()) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, MailClientsKey);
            RegDeleteTreeW(HKEY_CURRENT_USER, MailClientsKey);
        } else {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, StandinMailClientKey);
            SetRegistryString(HKEY_LOCAL_MACHINE, StandinMailClientKey, nullptr, StandinMailDisplayName);
            SetRegistryString(HKEY_LOCAL_MACHINE, StandinMailClientKey, L"DLLPath", settings.DllPath);
            const std::wstring pathEx = settings.DllPathEx.value_or(settings.DllPath);
            if (!pathEx.empty())
                SetRegistryString(HKEY_LOCAL_MACHINE, StandinMailClientKey, L"DLLPathEx", pathEx);
            SetDefault(HKEY_LOCAL_MACHINE, settings.MachineDefault);
            SetDefault(HKEY_CURRENT_USER, settings.UserDefault);
            SetRecordFile(settings.RecordFile);
            SetResult(settings.Result);
            SetComposeWindow(settings.ComposeWindow);
        }
        Apply(L"MAPI", settings.Mapi);
        Apply(L"MAPIX", settings.MapiX);
    }
    TSimpleMapiClient(const TSimpleMapiClient&) = delete;
    TSimpleMapiClient& operator=(const TSimpleMapiClient&) = delete;

    // The stand-in's settings, changed while the fixture lives.
    void SetRecordFile(const std::wstring& path) const
    {
        if (path.empty())
            DeleteRegistryValue(HKEY_LOCAL_MACHINE, StandinMailClientKey, L"RecordFile");
        else
            SetRegistryString(HKEY_LOCAL_MACHINE, StandinMailClientKey, L"RecordFile", path);
    }
    void SetResult(DWORD result) const { SetRegistryDword(HKEY_LOCAL_MACHINE, StandinMailClientKey, L"Result", result); }
    void SetComposeWindow(bool show) const
    {
        SetRegistryDword(HKEY_LOCAL_MACHINE, StandinMailClientKey, L"ComposeWindow", show ? 1 : 0);
    }

private:
    static void SetDefault(HKEY root, bool naming)
    {
        if (naming)
            SetRegistryString(root, MailClientsKey, nullptr, StandinMailClientName);
        else
            DeleteRegistryValue(root, MailClientsKey, nullptr);
    }
    static void Apply(const wchar_t* name, const TMessagingValue& value)
    {
        if (value.Action == TMessagingValue::TAction::Set)
            SetRegistryString(HKEY_LOCAL_MACHINE, MessagingSubsystemKey, name, value.Text);
        else if (value.Action == TMessagingValue::TAction::Remove)
            DeleteRegistryValue(HKEY_LOCAL_MACHINE, MessagingSubsystemKey, name);
    }

    // Made before the constructor's body changes anything. The "Clients" keys are kept whole,
    // so that a "Clients" key made here goes again too.
    TRegistryTreeGuard FMachineClients{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients"};
    TRegistryTreeGuard FUserClients{HKEY_CURRENT_USER, L"SOFTWARE\\Clients"};
    TRegistryTreeGuard FMessaging{HKEY_LOCAL_MACHINE, MessagingSubsystemKey};
};

// ---- The record of a MAPISendMail call.

struct TMapiRecipientRecord {
    ULONG Reserved = 0;
    ULONG Class = 0;
    std::optional<std::string> Name;  // nothing: the pointer was null
    std::optional<std::string> Address;
    ULONG EntryIdSize = 0;
    bool operator==(const TMapiRecipientRecord&) const = default;
};

struct TMapiFileRecord {
    ULONG Reserved = 0;
    ULONG Flags = 0;
    ULONG Position = 0;
    std::optional<std::string> PathName;
    std::optional<std::string> FileName;
    bool HasFileType = false;
    std::optional<std::string> Content;  // the file's bytes at the call; nothing: "missing"
    bool operator==(const TMapiFileRecord&) const = default;
};

struct TMapiRecord {
    bool Found = false;  // the record file could be read
    std::string Error;   // what was wrong in its text; empty when it parsed

    unsigned long long Session = 0;
    unsigned long long Parent = 0;
    ULONG Flags = 0;
    ULONG Reserved = 0;
    std::string DllDirectory;  // UTF-8, empty when none was set
    bool HasMessage = false;
    ULONG MessageReserved = 0;
    std::optional<std::string> Subject;
    std::optional<std::string> NoteText;
    std::optional<std::string> MessageType;
    std::optional<std::string> DateReceived;
    std::optional<std::string> ConversationId;
    ULONG MessageFlags = 0;
    std::optional<TMapiRecipientRecord> Originator;
    ULONG RecipientCount = 0;
    bool RecipientsNull = false;  // a count but no array
    std::vector<TMapiRecipientRecord> Recipients;
    ULONG FileCount = 0;
    bool FilesNull = false;
    std::vector<TMapiFileRecord> Files;
    DWORD ComposeWindowError = 0;  // the system's error when the compose window failed

    bool Valid() const { return Found && Error.empty(); }
};

namespace detail {

inline std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

inline unsigned long long RecordNumber(const std::string& field)
{
    if (field.empty() || field.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error("not a number: " + field);
    return std::stoull(field);
}

inline ULONG RecordUlong(const std::string& field)
{
    const unsigned long long value = RecordNumber(field);
    if (value > 0xFFFFFFFFull)
        throw std::runtime_error("too large: " + field);
    return static_cast<ULONG>(value);
}

inline std::string RecordBytes(const std::string& field)
{
    if (field.empty() || field[0] != 'x' || field.size() % 2 == 0)
        throw std::runtime_error("not a text: " + field);
    auto digit = [&field](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        throw std::runtime_error("not a hexadecimal digit in " + field);
    };
    std::string bytes;
    for (size_t i = 1; i < field.size(); i += 2)
        bytes += static_cast<char>(digit(field[i]) * 16 + digit(field[i + 1]));
    return bytes;
}

inline std::optional<std::string> RecordText(const std::string& field)
{
    if (field == "null")
        return std::nullopt;
    return RecordBytes(field);
}

// The fields from `first` on as name/value pairs with the given names, in that order.
class TFieldPairs {
public:
    TFieldPairs(const std::vector<std::string>& fields, size_t first) : FFields(fields), FNext(first) {}
    const std::string& Value(const char* name)
    {
        if (FNext + 1 >= FFields.size() || FFields[FNext] != name)
            throw std::runtime_error(std::string("expected field ") + name);
        FNext += 2;
        return FFields[FNext - 1];
    }
    void End() const
    {
        if (FNext != FFields.size())
            throw std::runtime_error("unexpected field " + FFields[FNext]);
    }

private:
    const std::vector<std::string>& FFields;
    size_t FNext;
};

inline TMapiRecipientRecord RecordRecipient(const std::vector<std::string>& fields, size_t first)
{
    TFieldPairs pairs(fields, first);
    TMapiRecipientRecord recipient;
    recipient.Reserved = RecordUlong(pairs.Value("reserved"));
    recipient.Class = RecordUlong(pairs.Value("class"));
    recipient.Name = RecordText(pairs.Value("name"));
    recipient.Address = RecordText(pairs.Value("address"));
    recipient.EntryIdSize = RecordUlong(pairs.Value("entry-id-size"));
    pairs.End();
    return recipient;
}

inline TMapiFileRecord RecordFile(const std::vector<std::string>& fields)
{
    TFieldPairs pairs(fields, 2);
    TMapiFileRecord file;
    file.Reserved = RecordUlong(pairs.Value("reserved"));
    file.Flags = RecordUlong(pairs.Value("flags"));
    file.Position = RecordUlong(pairs.Value("position"));
    file.PathName = RecordText(pairs.Value("path"));
    file.FileName = RecordText(pairs.Value("name"));
    const std::string& type = pairs.Value("type");
    if (type != "null" && type != "present")
        throw std::runtime_error("bad file type " + type);
    file.HasFileType = type == "present";
    const std::string& content = pairs.Value("content");
    if (content != "missing")
        file.Content = RecordBytes(content);
    pairs.End();
    return file;
}

inline void ParseRecordLine(TMapiRecord& record, const std::string& line)
{
    const std::vector<std::string> fields = SplitFields(line);
    const std::string& name = fields[0];
    auto only = [&fields, &name]() -> const std::string& {
        if (fields.size() != 2)
            throw std::runtime_error("expected one value for " + name);
        return fields[1];
    };
    if (name == "session")
        record.Session = RecordNumber(only());
    else if (name == "parent")
        record.Parent = RecordNumber(only());
    else if (name == "flags")
        record.Flags = RecordUlong(only());
    else if (name == "reserved")
        record.Reserved = RecordUlong(only());
    else if (name == "dll-directory")
        record.DllDirectory = RecordBytes(only());
    else if (name == "message")
        record.HasMessage = only() == "present";
    else if (name == "message-reserved")
        record.MessageReserved = RecordUlong(only());
    else if (name == "subject")
        record.Subject = RecordText(only());
    else if (name == "body")
        record.NoteText = RecordText(only());
    else if (name == "message-type")
        record.MessageType = RecordText(only());
    else if (name == "date-received")
        record.DateReceived = RecordText(only());
    else if (name == "conversation-id")
        record.ConversationId = RecordText(only());
    else if (name == "message-flags")
        record.MessageFlags = RecordUlong(only());
    else if (name == "originator") {
        if (fields.size() == 2 && fields[1] == "null")
            record.Originator.reset();
        else
            record.Originator = RecordRecipient(fields, 1);
    } else if (name == "recipient-count")
        record.RecipientCount = RecordUlong(only());
    else if (name == "recipients" && only() == "null")
        record.RecipientsNull = true;
    else if (name == "recipient" && fields.size() > 1 && RecordNumber(fields[1]) == record.Recipients.size())
        record.Recipients.push_back(RecordRecipient(fields, 2));
    else if (name == "file-count")
        record.FileCount = RecordUlong(only());
    else if (name == "files" && only() == "null")
        record.FilesNull = true;
    else if (name == "compose-window-error")
        record.ComposeWindowError = RecordUlong(only());
    else if (name == "file" && fields.size() > 1 && RecordNumber(fields[1]) == record.Files.size())
        record.Files.push_back(RecordFile(fields));
    else
        throw std::runtime_error("unexpected line: " + line);
}

} // namespace detail

// Reads the record file that the stand-in's MAPISendMail wrote.
inline TMapiRecord ReadMapiRecord(const std::wstring& path)
{
    TMapiRecord record;
    const TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return record;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    record.Found = true;
    try {
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find('\n', start);
            if (end == std::string::npos)
                throw std::runtime_error("the last line has no end");
            detail::ParseRecordLine(record, text.substr(start, end - start));
            start = end + 1;
        }
        if (!record.RecipientsNull && record.Recipients.size() != (record.HasMessage ? record.RecipientCount : 0))
            throw std::runtime_error("recipient lines do not match the count");
        if (!record.FilesNull && record.Files.size() != (record.HasMessage ? record.FileCount : 0))
            throw std::runtime_error("file lines do not match the count");
    } catch (const std::exception& failure) {
        record.Error = failure.what();
    }
    return record;
}

} // namespace zel::testing
