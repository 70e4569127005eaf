#include "addin/Registration.h"

#include "addin/AddinIdentity.h"

namespace zel {
namespace {

TRegistryEntry ClassText(std::u16string key, std::u16string_view valueName, std::u16string_view text)
{
    return {TRegistryArea::Classes, std::move(key), std::u16string(valueName), TRegistryValueType::String,
            std::u16string(text)};
}

} // namespace

std::u16string ClassKey()
{
    return u"CLSID\\" + std::u16string(ClassIdText);
}

std::u16string AddinKey()
{
    return std::u16string(OutlookAddinsKey) + u"\\" + std::u16string(ProgId);
}

std::vector<TRegistryEntry> RegistrationEntries(std::u16string_view serverPath)
{
    const std::u16string classKey = ClassKey();
    const std::u16string progId(ProgId);
    return {
        ClassText(classKey, u"", ClassDescription),
        ClassText(classKey + u"\\InprocServer32", u"", serverPath),
        ClassText(classKey + u"\\InprocServer32", u"ThreadingModel", ThreadingModel),
        ClassText(progId, u"", ClassDescription),
        ClassText(progId + u"\\Clsid", u"", ClassIdText),
        ClassText(classKey + u"\\ProgID", u"", ProgId),
        ClassText(classKey + u"\\Version", u"", ClassVersionText),
        ClassText(classKey + u"\\TypeLib", u"", LibIdText),
        {TRegistryArea::Software, AddinKey(), u"FriendlyName", TRegistryValueType::String,
         std::u16string(AddinFriendlyName)},
        {TRegistryArea::Software, AddinKey(), u"LoadBehavior", TRegistryValueType::DWord, u"", AddinLoadBehavior},
    };
}

std::vector<TRegistryEntry> TypeLibraryEntries(std::u16string_view libraryPath, std::u16string_view helpFolder,
                                               bool win64)
{
    // The library's version "1.0" and locale 0x0409 as the platform names its subkeys.
    const std::u16string versionKey = u"TypeLib\\" + std::u16string(LibIdText) + u"\\" + std::u16string(ClassVersionText);
    const std::u16string interfaceKey = u"Interface\\" + std::u16string(InterfaceIdText);
    // The automation marshaler, which serves every dual interface described by a type library.
    constexpr std::u16string_view automationMarshaler = u"{00020424-0000-0000-C000-000000000046}";
    return {
        ClassText(versionKey, u"", LibraryHelpString),
        ClassText(versionKey + u"\\409\\" + (win64 ? u"win64" : u"win32"), u"", libraryPath),
        // LIBFLAG_FHASDISKIMAGE, the flags the compiled library carries.
        ClassText(versionKey + u"\\FLAGS", u"", u"8"),
        ClassText(versionKey + u"\\HELPDIR", u"", helpFolder),
        ClassText(interfaceKey, u"", InterfaceName),
        ClassText(interfaceKey + u"\\ProxyStubClsid", u"", automationMarshaler),
        ClassText(interfaceKey + u"\\ProxyStubClsid32", u"", automationMarshaler),
        ClassText(interfaceKey + u"\\TypeLib", u"", LibIdText),
        ClassText(interfaceKey + u"\\TypeLib", u"Version", ClassVersionText),
    };
}

std::vector<TRegistryKey> RegistrationKeysToDelete()
{
    const std::u16string classKey = ClassKey();
    const std::u16string progId(ProgId);
    return {
        {TRegistryArea::Classes, classKey + u"\\TypeLib"},
        {TRegistryArea::Classes, classKey + u"\\Version"},
        {TRegistryArea::Classes, classKey + u"\\ProgID"},
        {TRegistryArea::Classes, progId + u"\\Clsid"},
        {TRegistryArea::Classes, progId},
        {TRegistryArea::Classes, classKey + u"\\InprocServer32"},
        {TRegistryArea::Classes, classKey},
        {TRegistryArea::Software, AddinKey()},
    };
}

} // namespace zel
