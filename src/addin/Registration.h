// The add-in's registration as data: every registry entry it writes, in the order it writes them,
// and every key it removes, in the order it removes them. DllRegisterServer and DllInstall write
// from this table; an installer can generate its registry rows from the same table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// Where a key lies: under the classes root (HKEY_CLASSES_ROOT machine-wide, or
// HKEY_CURRENT_USER\Software\Classes for one user) or under the root of the machine's or the
// user's own keys (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER).
enum class TRegistryArea { Classes, Software };

enum class TRegistryValueType { String, DWord };

// One value to write: the key (created when missing, relative to its area's root), the value's
// name (empty: the key's default value), its type and its data.
struct TRegistryEntry {
    TRegistryArea Area;
    std::u16string Key;
    std::u16string ValueName;
    TRegistryValueType Type;
    std::u16string Text;       // the data of a String value
    std::uint32_t Number = 0;  // the data of a DWord value
};

// One key to remove with everything in it.
struct TRegistryKey {
    TRegistryArea Area;
    std::u16string Key;
};

// "CLSID\{...}", the add-in class's key under the classes root.
std::u16string ClassKey();
// "Software\Microsoft\Office\Outlook\Addins\ZelHotkeys.CZelHotkeys", Outlook's add-in key.
std::u16string AddinKey();

// The values of a registration, in order: the class entries (description, InprocServer32 with
// the server's path and ThreadingModel, the ProgID's key and Clsid, the class's ProgID, Version
// and TypeLib), then Outlook's add-in key with FriendlyName and LoadBehavior. serverPath is what
// InprocServer32 holds (see InprocServerPath on Windows; an installer passes its own reference
// to the installed file).
std::vector<TRegistryEntry> RegistrationEntries(std::u16string_view serverPath);

// What the platform's type-library registration writes for the embedded library, as data, for
// an installer that writes registry rows instead of calling the platform: the library's version
// key with its help string, its file for the platform ("win32" or "win64") under the locale,
// FLAGS and HELPDIR, and the dispatch interface's key with its proxy and stub (the automation
// marshaler) and its library. All of them lie under the classes root.
std::vector<TRegistryEntry> TypeLibraryEntries(std::u16string_view libraryPath, std::u16string_view helpFolder,
                                               bool win64);

// The keys an unregistration removes, in order: TypeLib, Version and ProgID under the class key,
// the ProgID's Clsid, the ProgID's key, InprocServer32, the class key, and last Outlook's add-in
// key.
std::vector<TRegistryKey> RegistrationKeysToDelete();

} // namespace zel

#ifdef _WIN32
#include <windows.h>

namespace zel {

// Where a registration goes. Machine: the classes under HKEY_CLASSES_ROOT, the type library for
// everyone, Outlook's add-in key under HKEY_LOCAL_MACHINE (or HKEY_CURRENT_USER when the
// machine's key cannot be made). User: the classes under HKEY_CURRENT_USER\Software\Classes, the
// type library for the user, the add-in key under HKEY_CURRENT_USER; no administrator needed.
enum class TRegistrationScope { Machine, User };

// The path for InprocServer32: the given full path, or its short (8.3) form when it contains a
// blank and the volume gives one.
std::wstring InprocServerPath(const std::wstring& fullPath);

// Writes one entry below root with the prefix put before its key ("" or "Software\Classes\");
// raises EOSError when the key cannot be created or the value not written.
void WriteRegistryEntry(HKEY root, std::wstring_view prefix, const TRegistryEntry& entry);
// Removes a key with its subkeys and values; a missing key is no failure. Returns the result of
// the removal (ERROR_SUCCESS also for a missing key), which unregistration ignores.
LSTATUS DeleteRegistryKey(HKEY root, const std::wstring& key) noexcept;

// The whole registration of this module for the scope: the type library (loaded from this
// module's file, registered with its long path and its folder as help folder), the class
// entries, Outlook's add-in key. Raises on the first failure; what was written stays.
void RegisterServer(TRegistrationScope scope);
// The whole unregistration: the type library (result ignored), the class keys in order, Outlook's
// add-in key. Missing keys are no failure.
void UnregisterServer(TRegistrationScope scope);

} // namespace zel
#endif
