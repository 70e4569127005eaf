// Who the add-in is to COM, to the registry and to Outlook: the identities of its type library,
// interface and class, its ProgID and the texts registered with them. The texts are portable
// (the registry table is built from them natively too); the binary GUIDs are Windows' own type.
#pragma once

#include <cstdint>
#include <string_view>

namespace zel {

// The type library "ZelHotkeys", version 1.0, locale 0x0409.
inline constexpr std::u16string_view LibraryName = u"ZelHotkeys";
inline constexpr std::uint16_t LibraryMajorVersion = 1;
inline constexpr std::uint16_t LibraryMinorVersion = 0;
inline constexpr std::uint32_t LibraryLocale = 0x0409;
inline constexpr std::u16string_view LibraryHelpString = u"Zelkor Hotkeys Library";

// GUIDs in the registry's form: upper-case hexadecimal in braces.
inline constexpr std::u16string_view LibIdText = u"{D60C3787-102B-4CF6-90EE-E033DFCF0923}";
inline constexpr std::u16string_view InterfaceIdText = u"{8718ABAE-71BF-4688-A1E3-3E8EF6832F7C}";
inline constexpr std::u16string_view ClassIdText = u"{28C66DD9-95C1-4E18-AB8B-4BEBF75EDA51}";

inline constexpr std::u16string_view InterfaceName = u"IZelHotkeys";
inline constexpr std::u16string_view InterfaceHelpString = u"Dispatch interface for Zelkor Hotkeys Object";
inline constexpr std::u16string_view ClassName = u"CZelHotkeys";
// The class's description: the coclass's help string.
inline constexpr std::u16string_view ClassDescription = u"Zelkor Hotkeys Object";
// The library name, ".", the coclass name.
inline constexpr std::u16string_view ProgId = u"ZelHotkeys.CZelHotkeys";
inline constexpr std::u16string_view ThreadingModel = u"Apartment";
// "%d.%d" of the library's version.
inline constexpr std::u16string_view ClassVersionText = u"1.0";

// Outlook's add-in key (relative to HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER) and its values.
inline constexpr std::u16string_view OutlookAddinsKey = u"Software\\Microsoft\\Office\\Outlook\\Addins";
inline constexpr std::u16string_view AddinFriendlyName = u"Zelkor Hotkeys for Outlook";
// 3: Outlook loads and connects the add-in at start-up.
inline constexpr std::uint32_t AddinLoadBehavior = 3;

} // namespace zel

#ifdef _WIN32
#include <windows.h>

namespace zel {

inline constexpr GUID LIBID_ZelHotkeys = {0xD60C3787, 0x102B, 0x4CF6, {0x90, 0xEE, 0xE0, 0x33, 0xDF, 0xCF, 0x09, 0x23}};
inline constexpr GUID IID_IZelHotkeys = {0x8718ABAE, 0x71BF, 0x4688, {0xA1, 0xE3, 0x3E, 0x8E, 0xF6, 0x83, 0x2F, 0x7C}};
inline constexpr GUID CLSID_CZelHotkeys = {0x28C66DD9, 0x95C1, 0x4E18, {0xAB, 0x8B, 0x4B, 0xEB, 0xF7, 0x5E, 0xDA, 0x51}};

} // namespace zel
#endif
