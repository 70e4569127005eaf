// The type library as Outlook and OLE automation read it: from the DLL's own file, unregistered,
// and through the accessors that the add-in object's IDispatch and IProvideClassInfo use.
#include "addin/AddinDll.h"
#include "addin/AddinIdentity.h"
#include "addin/ComServer.h"
#include "outlook/OleVariant.h"
#include "platform/Utf16.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

constexpr GUID LIBID_StdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

ComPtr<ITypeLib> LoadFromFile(const std::wstring& path)
{
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library), S_OK) << ToUtf8(AsU16(path));
    return library;
}

struct TDocumentation {
    std::wstring Name;
    std::wstring HelpString;
};

TDocumentation Documentation(ITypeInfo* info)
{
    TBStr name;
    TBStr help;
    EXPECT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Receive(), help.Receive(), nullptr, nullptr), S_OK);
    return {name.Text(), help.Text()};
}

// Reads one type's attributes and releases them.
template <class Read>
void WithTypeAttr(ITypeInfo* info, Read&& read)
{
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    read(*attr);
    info->ReleaseTypeAttr(attr);
}

void ExpectLibraryAttributes(ITypeLib* library, SYSKIND expectedKind)
{
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_ZelHotkeys);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->syskind, expectedKind);
    library->ReleaseTLibAttr(attr);
}

// The interface and the class with their names, help strings, ids and relations.
void ExpectTypes(ITypeLib* library)
{
    TBStr name;
    TBStr help;
    ASSERT_EQ(library->GetDocumentation(-1, name.Receive(), help.Receive(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), L"ZelHotkeys");
    EXPECT_EQ(help.Text(), L"Zelkor Hotkeys Library");
    EXPECT_EQ(library->GetTypeInfoCount(), 2u);

    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IZelHotkeys, &dispatch), S_OK);
    const TDocumentation interfaceDoc = Documentation(dispatch.Get());
    EXPECT_EQ(interfaceDoc.Name, L"IZelHotkeys");
    EXPECT_EQ(interfaceDoc.HelpString, L"Dispatch interface for Zelkor Hotkeys Object");
    WithTypeAttr(dispatch.Get(), [](const TYPEATTR& attr) {
        EXPECT_EQ(attr.typekind, TKIND_DISPATCH);
        EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FDISPATCHABLE);
        EXPECT_EQ(attr.wMajorVerNum, 1);
        EXPECT_EQ(attr.wMinorVerNum, 0);
        // IUnknown's three and IDispatch's four, nothing of its own.
        EXPECT_EQ(attr.cFuncs, 7);
        EXPECT_EQ(attr.cVars, 0);
    });
    // The vtable half of the dual interface derives from IDispatch, taken from stdole2.
    HREFTYPE vtableRef = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dispatch->GetRefTypeInfo(vtableRef, &vtable), S_OK);
    WithTypeAttr(vtable.Get(), [](const TYPEATTR& attr) {
        EXPECT_EQ(attr.typekind, TKIND_INTERFACE);
        EXPECT_EQ(attr.guid, IID_IZelHotkeys);
        // OLE-automation compatible: its calls can be marshalled by the type library.
        EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FOLEAUTOMATION) << std::hex << attr.wTypeFlags;
        EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FDUAL);
        EXPECT_EQ(attr.cFuncs, 0);
        EXPECT_EQ(attr.cImplTypes, 1);
    });
    HREFTYPE baseRef = 0;
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &baseRef), S_OK);
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(vtable->GetRefTypeInfo(baseRef, &base), S_OK);
    WithTypeAttr(base.Get(), [](const TYPEATTR& attr) { EXPECT_EQ(attr.guid, IID_IDispatch); });
    ComPtr<ITypeLib> baseLibrary;
    UINT index = 0;
    ASSERT_EQ(base->GetContainingTypeLib(&baseLibrary, &index), S_OK);
    TLIBATTR* stdole = nullptr;
    ASSERT_EQ(baseLibrary->GetLibAttr(&stdole), S_OK);
    EXPECT_EQ(stdole->guid, LIBID_StdOle);
    EXPECT_EQ(stdole->wMajorVerNum, 2);
    EXPECT_EQ(stdole->wMinorVerNum, 0);
    baseLibrary->ReleaseTLibAttr(stdole);

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_CZelHotkeys, &coclass), S_OK);
    const TDocumentation classDoc = Documentation(coclass.Get());
    EXPECT_EQ(classDoc.Name, L"CZelHotkeys");
    EXPECT_EQ(classDoc.HelpString, L"Zelkor Hotkeys Object");
    WithTypeAttr(coclass.Get(), [](const TYPEATTR& attr) {
        EXPECT_EQ(attr.typekind, TKIND_COCLASS);
        EXPECT_TRUE(attr.wTypeFlags & TYPEFLAG_FCANCREATE);
        EXPECT_EQ(attr.wMajorVerNum, 1);
        EXPECT_EQ(attr.wMinorVerNum, 0);
        EXPECT_EQ(attr.cImplTypes, 1);
    });
    INT implFlags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE defaultRef = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &defaultRef), S_OK);
    ComPtr<ITypeInfo> defaultInterface;
    ASSERT_EQ(coclass->GetRefTypeInfo(defaultRef, &defaultInterface), S_OK);
    WithTypeAttr(defaultInterface.Get(), [](const TYPEATTR& attr) { EXPECT_EQ(attr.guid, IID_IZelHotkeys); });

    // The ProgID and the description that the registration writes come from these names.
    EXPECT_EQ(name.Text() + L"." + classDoc.Name, ToWide(ProgId));
    EXPECT_EQ(classDoc.HelpString, ToWide(ClassDescription));
}

TEST(TypeLibTest, EmbeddedInTheDllAsThisPlatformsLibrary)
{
    const ComPtr<ITypeLib> library = LoadFromFile(testing::AddinDllPath());
    ASSERT_TRUE(library);
    ExpectLibraryAttributes(library.Get(), sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    ExpectTypes(library.Get());
}

// The 32-bit DLL's library is compiled by the 32-bit tool from the same IDL; the 64-bit test
// program reads that file, since the 32-bit build cannot run here.
TEST(TypeLibTest, The32BitToolMakesA32BitLibrary)
{
    const ComPtr<ITypeLib> library = LoadFromFile(testing::BuildPath(ZEL_TEST_WIN32_TLB));
    ASSERT_TRUE(library);
    ExpectLibraryAttributes(library.Get(), SYS_WIN32);
    ExpectTypes(library.Get());
}

// This program carries the library as its own resource TYPELIB 1, as the DLL does.
TEST(TypeLibTest, AccessorsLoadOnceAndKeepTheLibrary)
{
    ITypeLib* library = AddinTypeLib();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(AddinTypeLib(), library);
    ExpectLibraryAttributes(library, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);

    ITypeInfo* dispatch = ZelHotkeysTypeInfo();
    ASSERT_NE(dispatch, nullptr);
    EXPECT_EQ(ZelHotkeysTypeInfo(), dispatch);
    WithTypeAttr(dispatch, [](const TYPEATTR& attr) {
        EXPECT_EQ(attr.guid, IID_IZelHotkeys);
        EXPECT_EQ(attr.typekind, TKIND_DISPATCH);
    });
    ITypeInfo* coclass = ZelHotkeysClassInfo();
    ASSERT_NE(coclass, nullptr);
    WithTypeAttr(coclass, [](const TYPEATTR& attr) {
        EXPECT_EQ(attr.guid, CLSID_CZelHotkeys);
        EXPECT_EQ(attr.typekind, TKIND_COCLASS);
    });
    // Both come from the kept library.
    ComPtr<ITypeLib> containing;
    UINT index = 0;
    ASSERT_EQ(coclass->GetContainingTypeLib(&containing, &index), S_OK);
    EXPECT_EQ(containing.Get(), library);

    // An IDispatch served from the interface's information knows no names: no members.
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Anything")};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(names, 1, &id), DISP_E_UNKNOWNNAME);

    FinalizeComServer();
    ITypeLib* reloaded = AddinTypeLib();
    ASSERT_NE(reloaded, nullptr);
    ExpectLibraryAttributes(reloaded, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

// The registry's form of the GUIDs is the form the binary constants print in.
TEST(TypeLibTest, GuidTextsMatchTheGuids)
{
    const std::pair<GUID, std::u16string_view> pairs[] = {
        {LIBID_ZelHotkeys, LibIdText}, {IID_IZelHotkeys, InterfaceIdText}, {CLSID_CZelHotkeys, ClassIdText}};
    for (const auto& [guid, text] : pairs) {
        wchar_t printed[40] = {};
        ASSERT_EQ(StringFromGUID2(guid, printed, 40), 39);
        EXPECT_EQ(std::wstring(printed), ToWide(text));
    }
}

} // namespace
} // namespace zel
