// The version resource of the DLL and GetModuleVersion, which reads the running module's own:
// this test program links the DLL's version resource (or, built without it, has none).
#include "diagnostics/ZelUtils.h"

#include "support/TestLibraries.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace zel {
namespace {

#ifdef ZEL_TEST_WITHOUT_VERSION
TEST(ModuleVersion, AModuleWithoutAVersionResourceHasNoVersion)
{
    EXPECT_EQ(GetModuleVersion(), u"");
}
#else
TEST(ModuleVersion, IsTheFileVersionsFirstThreeNumbers)
{
    EXPECT_EQ(GetModuleVersion(), u"2.10.5129");
}

// A string of the DLL's version resource (US English, Unicode).
std::wstring VersionString(const std::vector<unsigned char>& block, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return L"(none)";
    return value;
}

TEST(ModuleVersion, TheDllCarriesTheVersionWithTheBuildNumberAndTheProductsNames)
{
    const std::wstring dll = testing::BuildPath(ZEL_TEST_ADDIN_DLL);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &handle);
    ASSERT_NE(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(info->dwFileVersionMS, (2u << 16) | 10u);
    EXPECT_EQ(info->dwFileVersionLS, (5129u << 16) | ZEL_TEST_BUILD_NUMBER);
    EXPECT_EQ(info->dwProductVersionMS, info->dwFileVersionMS);
    EXPECT_EQ(info->dwProductVersionLS, info->dwFileVersionLS);
    EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_DLL));

    const std::wstring version = L"2.10.5129." + std::to_wstring(ZEL_TEST_BUILD_NUMBER);
    EXPECT_EQ(VersionString(block, L"CompanyName"), L"Zelkor");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Zelkor Hotkeys for Outlook");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"ZelHotkeys.dll");
    EXPECT_EQ(VersionString(block, L"FileVersion"), version);
    EXPECT_EQ(VersionString(block, L"ProductVersion"), version);
    EXPECT_NE(VersionString(block, L"FileDescription").find(L"Zelkor Hotkeys for Outlook"), std::wstring::npos);
}
#endif

} // namespace
} // namespace zel
