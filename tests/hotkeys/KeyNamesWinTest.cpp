// The Windows key-name and letter-case services against the system's own answers.
#include "hotkeys/KeyNames.h"
#include "hotkeys/ShortCut.h"
#include "hotkeys/ShortCutRoundTrip.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace zel {
namespace {

std::u16string SystemKeyName(UINT virtualKey)
{
    LONG scanCode = static_cast<LONG>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) << 16);
    wchar_t name[256] = {};
    int length = scanCode ? GetKeyNameTextW(scanCode, name, 256) : 0;
    return ToU16(std::wstring_view(name, static_cast<size_t>(length > 0 ? length : 0)));
}

class LayoutKeyName : public ::testing::TestWithParam<UINT> {};

TEST_P(LayoutKeyName, IsTheSystemsName)
{
    UINT key = GetParam();
    std::u16string expected = SystemKeyName(key);
    ASSERT_FALSE(expected.empty()) << "the layout names key " << key;
    EXPECT_EQ(KeyboardLayout().KeyName(static_cast<std::uint8_t>(key)), expected);
    TShortCut shortCut = static_cast<TShortCut>(scCtrl | key);
    EXPECT_EQ(ShortCutToText(shortCut), u"Ctrl+" + expected);
    // Another key may carry the same name and come first; the text is what must survive.
    EXPECT_EQ(ShortCutToText(TextToShortCut(u"Ctrl+" + expected)), u"Ctrl+" + expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, LayoutKeyName, ::testing::Values(VK_OEM_1, VK_MULTIPLY, VK_CAPITAL, VK_SUBTRACT, VK_OEM_COMMA));

TEST(LayoutKeyNames, EveryKeyGoesThroughItsText)
{
    testing::ExpectEveryKeyGoesThroughItsText();
}

// A key of the number pad that the layout names like a key of the main keyboard (the scan code
// without its extended bit is the main keyboard's key, as for VK_DIVIDE and VK_OEM_2).
struct SharedNameCase {
    const char* name;
    UINT numberPadKey;
    UINT mainKey;
};

class KeysOfOneName : public ::testing::TestWithParam<SharedNameCase> {};

TEST_P(KeysOfOneName, ReadBackAsTheMainKeyboardsKey)
{
    const std::u16string name = SystemKeyName(GetParam().mainKey);
    if (name.empty() || SystemKeyName(GetParam().numberPadKey) != name)
        GTEST_SKIP() << "this layout gives the two keys different names";
    const TShortCut mainKey = static_cast<TShortCut>(scCtrl | GetParam().mainKey);
    EXPECT_EQ(ShortCutToText(mainKey), u"Ctrl+" + name);
    EXPECT_EQ(TextToShortCut(u"Ctrl+" + name), mainKey);
    EXPECT_EQ(TextToShortCut(ShortCutToText(static_cast<TShortCut>(scCtrl | GetParam().numberPadKey))), mainKey);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeysOfOneName, ::testing::Values(
    SharedNameCase{"Divide", VK_DIVIDE, VK_OEM_2},
    SharedNameCase{"NecEqual", VK_OEM_NEC_EQUAL, VK_OEM_PLUS}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayoutKeyNames, KeyWithoutScanCodeHasNoName)
{
    // Mouse buttons have no scan code.
    EXPECT_EQ(KeyboardLayout().KeyName(VK_LBUTTON), u"");
    EXPECT_EQ(ShortCutToText(scCtrl | VK_LBUTTON), u"");
}

struct CaseCase {
    std::u16string a, b;
    bool same;
};

class LocaleTextCase : public ::testing::TestWithParam<CaseCase> {};

TEST_P(LocaleTextCase, ComparesLikeTheUsersLocale)
{
    EXPECT_EQ(TextCase().SameText(GetParam().a, GetParam().b), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Table, LocaleTextCase, ::testing::Values(
    CaseCase{u"ctrl+", u"CTRL+", true},
    CaseCase{u"\u00E4", u"\u00C4", true},
    CaseCase{u"\u0436", u"\u0416", true},
    CaseCase{u"a", u"b", false},
    CaseCase{u"a", u"", false},
    CaseCase{u"", u"", true},
    CaseCase{u"Shift+", u"Shift", false}));

} // namespace
} // namespace zel
