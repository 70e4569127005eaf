#include "addin/Registration.h"

#include "addin/AddinIdentity.h"
#include "addin/ComServer.h"
#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/ModuleHandle.h"
#include "platform/Utf16.h"
#include "platform/WideText.h"

#include <oleauto.h>

// oleaut32's per-user type library registration (Vista and later), which this toolchain's
// headers do not declare.
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* ptlib, OLECHAR* szFullPath, OLECHAR* szHelpDir);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libID, WORD wMajorVerNum, WORD wMinorVerNum, LCID lcid, SYSKIND syskind);

namespace zel {
namespace {

constexpr std::wstring_view UserClassesPrefix = L"Software\\Classes\\";

// The platform kind of the type library that this build embeds and registers.
constexpr SYSKIND ThisSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

struct TClassesRoot {
    HKEY Root;
    std::wstring_view Prefix;
};

TClassesRoot ClassesRoot(TRegistrationScope scope)
{
    if (scope == TRegistrationScope::User)
        return {HKEY_CURRENT_USER, UserClassesPrefix};
    return {HKEY_CLASSES_ROOT, L""};
}

bool KeyExists(HKEY root, const std::wstring& key) noexcept
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    RegCloseKey(raw);
    return true;
}

// Where Outlook's add-in key goes: the machine's key when it can be opened or created; else the
// user's, which Outlook reads as well, so that a registration that succeeds always makes Outlook
// load the add-in.
HKEY AddinRoot(TRegistrationScope scope) noexcept
{
    if (scope == TRegistrationScope::User)
        return HKEY_CURRENT_USER;
    HKEY raw = nullptr;
    const std::wstring key = ToWide(AddinKey());
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        return HKEY_CURRENT_USER;
    RegCloseKey(raw);
    return HKEY_LOCAL_MACHINE;
}

// This module's full path in its long form (a module loaded through its InprocServer32 entry
// reports the short form it was loaded by).
std::wstring ModuleLongPath()
{
    const std::wstring path = ThisModuleFileName();
    const std::wstring longPath = GrowBuffer(
        [&path](wchar_t* buffer, DWORD capacity) { return GetLongPathNameW(path.c_str(), buffer, capacity); });
    return longPath.empty() ? path : longPath;
}

void RegisterTypeLibrary(TRegistrationScope scope, const std::wstring& modulePath)
{
    std::wstring path = modulePath;
    std::wstring folder = modulePath.substr(0, modulePath.find_last_of(L'\\'));
    ITypeLib* library = AddinTypeLib();
    const HRESULT hr = scope == TRegistrationScope::User ? RegisterTypeLibForUser(library, path.data(), folder.data())
                                                         : RegisterTypeLib(library, path.data(), folder.data());
    if (FAILED(hr))
        throw EOleSysError(u"Cannot register the type library of \"" + ToU16(modulePath) + u"\": " + HResultText(hr),
                           hr);
}

void UnregisterTypeLibrary(TRegistrationScope scope) noexcept
{
    if (scope == TRegistrationScope::User)
        UnRegisterTypeLibForUser(LIBID_ZelHotkeys, LibraryMajorVersion, LibraryMinorVersion, LibraryLocale, ThisSysKind);
    else
        UnRegisterTypeLib(LIBID_ZelHotkeys, LibraryMajorVersion, LibraryMinorVersion, LibraryLocale, ThisSysKind);
}

} // namespace

std::wstring InprocServerPath(const std::wstring& fullPath)
{
    if (fullPath.find(L' ') == std::wstring::npos)
        return fullPath;
    const std::wstring shortPath = GrowBuffer(
        [&fullPath](wchar_t* buffer, DWORD capacity) { return GetShortPathNameW(fullPath.c_str(), buffer, capacity); });
    return shortPath.empty() ? fullPath : shortPath;
}

void WriteRegistryEntry(HKEY root, std::wstring_view prefix, const TRegistryEntry& entry)
{
    const std::wstring key = std::wstring(prefix) + ToWide(entry.Key);
    HKEY raw = nullptr;
    LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                     &raw, nullptr);
    if (status != ERROR_SUCCESS)
        throw EOSError(u"Cannot create the registry key \"" + ToU16(key) + u"\" (error " +
                           U16(std::to_string(status)) + u")",
                       static_cast<std::uint32_t>(status));
    const TRegKey owned(raw);
    const std::wstring name = ToWide(entry.ValueName);
    if (entry.Type == TRegistryValueType::DWord) {
        const DWORD number = entry.Number;
        status = RegSetValueExW(owned.get(), name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else {
        status = RegSetValueExW(owned.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(entry.Text.c_str()),
                                static_cast<DWORD>((entry.Text.size() + 1) * sizeof(char16_t)));
    }
    if (status != ERROR_SUCCESS)
        throw EOSError(u"Cannot write the value \"" + entry.ValueName + u"\" of the registry key \"" + ToU16(key) +
                           u"\" (error " + U16(std::to_string(status)) + u")",
                       static_cast<std::uint32_t>(status));
}

LSTATUS DeleteRegistryKey(HKEY root, const std::wstring& key) noexcept
{
    const LSTATUS status = RegDeleteTreeW(root, key.c_str());
    return (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) ? ERROR_SUCCESS : status;
}

void RegisterServer(TRegistrationScope scope)
{
    const std::wstring modulePath = ModuleLongPath();
    RegisterTypeLibrary(scope, modulePath);
    const TClassesRoot classes = ClassesRoot(scope);
    const std::vector<TRegistryEntry> entries = RegistrationEntries(ToU16(InprocServerPath(modulePath)));
    for (const TRegistryEntry& entry : entries)
        if (entry.Area == TRegistryArea::Classes)
            WriteRegistryEntry(classes.Root, classes.Prefix, entry);
    // Outlook's add-in key comes after every class entry: a failed class entry leaves Outlook
    // with no key that names a class which is not there.
    const HKEY addinRoot = AddinRoot(scope);
    for (const TRegistryEntry& entry : entries)
        if (entry.Area == TRegistryArea::Software)
            WriteRegistryEntry(addinRoot, L"", entry);
}

void UnregisterServer(TRegistrationScope scope)
{
    UnregisterTypeLibrary(scope);
    const TClassesRoot classes = ClassesRoot(scope);
    for (const TRegistryKey& key : RegistrationKeysToDelete()) {
        const std::wstring path = ToWide(key.Key);
        if (key.Area == TRegistryArea::Classes) {
            DeleteRegistryKey(classes.Root, std::wstring(classes.Prefix) + path);
        } else if (scope == TRegistrationScope::User) {
            DeleteRegistryKey(HKEY_CURRENT_USER, path);
        } else {
            DeleteRegistryKey(HKEY_LOCAL_MACHINE, path);
            // The user's add-in key is the machine registration's own when no per-user
            // registration of the class is there to load: it was written when the machine's
            // key could not be made. Left alone, it would have Outlook look for a class that
            // is gone.
            if (!KeyExists(HKEY_CURRENT_USER, std::wstring(UserClassesPrefix) + ToWide(ClassKey())))
                DeleteRegistryKey(HKEY_CURRENT_USER, path);
        }
    }
}

} // namespace zel
