#include "hotkeys/KeyNames.h"
#include "hotkeys/ShortCut.h"
#include "hotkeys/ShortCutRoundTrip.h"

#include <gtest/gtest.h>

#include <map>

namespace zel {
namespace {

// A keyboard layout with a few names of its own, so that the conversions do not depend on the
// machine's layout. Like real layouts it gives some keys the same name.
class TFakeLayout : public IKeyboardLayout {
public:
    std::u16string KeyName(std::uint8_t key) const override
    {
        auto found = FNames.find(key);
        return found == FNames.end() ? std::u16string() : found->second;
    }
    std::map<std::uint8_t, std::u16string> FNames{
        {0x03, u"Break"}, {0x10, u"Shift"}, {0x6A, u"Num *"}, {0xBA, u";"}, {0xDE, u"\u00C4"},
        {0xA0, u"Shift"}, {0xA1, u"Shift"}, // left and right Shift, named like the generic key
        {0x6F, u"/"}, {0xBF, u"/"},         // the number pad's "/" and the main keyboard's
        {0x92, u"="}, {0xBB, u"="},         // the NEC number pad's "=" and the main keyboard's
        {0x6C, u"Num ,"}, {0x6E, u"Num ,"}, // two number-pad keys of one name
        {0x5B, std::u16string(1, u'\0')},  // a lone NUL, as Wine can name the Windows key
        {0x5D, std::u16string(u"Apps\0\0x", 7)}};
};

// A text with a NUL after the modifier words.
const std::u16string CtrlNul(u"Ctrl+\0", 6);

class ShortCutText : public ::testing::Test {
protected:
    void SetUp() override { SetKeyboardLayout(&FLayout); }
    void TearDown() override { SetKeyboardLayout(nullptr); }
    TFakeLayout FLayout;
};

struct ToTextCase {
    TShortCut shortCut;
    std::u16string text;
};

class ShortCutToTextTable : public ShortCutText, public ::testing::WithParamInterface<ToTextCase> {};

TEST_P(ShortCutToTextTable, GivesTheText)
{
    EXPECT_EQ(ShortCutToText(GetParam().shortCut), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ShortCutToTextTable, ::testing::Values(
    ToTextCase{0xC041, u"Ctrl+Alt+A"},
    ToTextCase{0x8041, u"Alt+A"},
    ToTextCase{0x6074, u"Shift+Ctrl+F5"}, // Shift always first
    ToTextCase{0xE05A, u"Shift+Ctrl+Alt+Z"},
    ToTextCase{0x8065, u"Alt+5"}, // number-pad 5 is named like the main-row 5
    ToTextCase{0x0060, u"0"},
    ToTextCase{0x0069, u"9"},
    ToTextCase{0x0030, u"0"},
    ToTextCase{0x0070, u"F1"},
    ToTextCase{0x0079, u"F10"},
    ToTextCase{0x0087, u"F24"},
    ToTextCase{0x0008, u"BkSp"},
    ToTextCase{0x0009, u"Tab"},
    ToTextCase{0x000D, u"Enter"},
    ToTextCase{0x001B, u"Esc"},
    ToTextCase{0x2020, u"Shift+Space"},
    ToTextCase{0x0021, u"PgUp"},
    ToTextCase{0x0022, u"PgDn"},
    ToTextCase{0x0023, u"End"},
    ToTextCase{0x0024, u"Home"},
    ToTextCase{0x0025, u"Left"},
    ToTextCase{0x0026, u"Up"},
    ToTextCase{0x0027, u"Right"},
    ToTextCase{0x0028, u"Down"},
    ToTextCase{0x002D, u"Ins"},
    ToTextCase{0x402E, u"Ctrl+Del"},
    ToTextCase{0x40BA, u"Ctrl+;"},        // a name of the keyboard layout
    ToTextCase{0x006A, u"Num *"},
    ToTextCase{0x40BF, u"Ctrl+/"},        // the main keyboard's "/"
    ToTextCase{0x406F, u"Ctrl+/"},        // and the number pad's are written alike
    ToTextCase{0x0141, u"A"},             // the name comes from the low byte
    ToTextCase{0x405B, u""},              // a layout name that is a lone NUL is no name
    ToTextCase{0x405D, u"Ctrl+Apps"},     // a layout name ends at its first NUL
    ToTextCase{0xE0FF, u""},              // a key without a name: no modifier words either
    ToTextCase{0x000A, u""},
    ToTextCase{0x0000, u""},
    ToTextCase{0x8000, u""}));

struct FromTextCase {
    std::u16string text;
    TShortCut shortCut;
};

class TextToShortCutTable : public ShortCutText, public ::testing::WithParamInterface<FromTextCase> {};

TEST_P(TextToShortCutTable, GivesTheShortCut)
{
    EXPECT_EQ(TextToShortCut(GetParam().text), GetParam().shortCut);
}

INSTANTIATE_TEST_SUITE_P(Table, TextToShortCutTable, ::testing::Values(
    FromTextCase{u"Ctrl+Alt+A", 0xC041},
    FromTextCase{u"alt+ctrl+a", 0xC041},
    FromTextCase{u"^Alt+A", 0xC041},
    FromTextCase{u"SHIFT+^f5", 0x6074},
    FromTextCase{u"Ctrl+Ctrl+A", 0x4041},  // a repeated word adds nothing more
    FromTextCase{u"Alt+5", 0x8035},        // the main-row digit comes first
    FromTextCase{u"F24", 0x0087},
    FromTextCase{u"f1", 0x0070},
    FromTextCase{u"pgdn", 0x0022},
    FromTextCase{u"Ctrl+;", 0x40BA},
    FromTextCase{u"num *", 0x006A},
    FromTextCase{u"Alt+\u00E4", 0x80DE},   // letter case of a layout name by the locale
    FromTextCase{u"Shift", 0x0010},        // a key name that is no modifier word
    FromTextCase{u"Shift+Shift", 0x2010},
    FromTextCase{u"Ctrl+/", 0x40BF},       // the main keyboard's key, not the number pad's $6F
    FromTextCase{u"=", 0x00BB},            // not the number pad's $92
    FromTextCase{u"Alt+Num ,", 0x806C},    // only number-pad keys bear it: the first of them
    FromTextCase{u"Ctrl+Apps", 0x405D},
    FromTextCase{CtrlNul, 0},              // no key is named by a NUL
    FromTextCase{u"Break", 0x0103},        // vk 3 is only reached as $103
    FromTextCase{u"Alt+", 0},
    FromTextCase{u"Shift+Ctrl+", 0},
    FromTextCase{u"", 0},
    FromTextCase{u"Ctrl+Foo", 0},
    FromTextCase{u"Ctrl+ A", 0},
    FromTextCase{u"A+Ctrl", 0},
    FromTextCase{u"Ctrl", 0},
    FromTextCase{u"Ctrl-A", 0}));

TEST_F(ShortCutText, EveryNamedKeyGoesThroughItsText)
{
    testing::ExpectEveryKeyGoesThroughItsText();
}

TEST_F(ShortCutText, KeysWithoutNameGiveNoText)
{
    FLayout.FNames.clear();
    for (unsigned key : {0u, 1u, 7u, 10u, 16u, 0x5Bu, 0x6Au, 0x88u, 0xBAu, 0xFFu})
        EXPECT_EQ(ShortCutToText(static_cast<TShortCut>(scCtrl | key)), u"") << key;
}

struct ToKeyCase {
    TShortCut shortCut;
    TShortCutKey key;
};

class ShortCutToKeyTable : public ::testing::TestWithParam<ToKeyCase> {};

TEST_P(ShortCutToKeyTable, SplitsKeyAndModifiers)
{
    EXPECT_EQ(ShortCutToKey(GetParam().shortCut), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(Table, ShortCutToKeyTable, ::testing::Values(
    ToKeyCase{0xC041, {0x41, false, true, true}},
    ToKeyCase{0x2074, {0x74, true, false, false}},
    ToKeyCase{0x4041, {0x41, false, true, false}},
    ToKeyCase{0x0000, {0x00, false, false, false}},
    ToKeyCase{0xFFFF, {0x1FFF, true, true, true}},
    ToKeyCase{0x1141, {0x1141, false, false, false}}));

struct FoldCase {
    std::u16string a, b;
    bool same;
};

class SimpleTextCaseTable : public ::testing::TestWithParam<FoldCase> {};

TEST_P(SimpleTextCaseTable, ComparesWithoutLetterCase)
{
    TSimpleTextCase textCase;
    EXPECT_EQ(textCase.SameText(GetParam().a, GetParam().b), GetParam().same);
    EXPECT_EQ(textCase.SameText(GetParam().b, GetParam().a), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Table, SimpleTextCaseTable, ::testing::Values(
    FoldCase{u"ctrl+", u"CTRL+", true},
    FoldCase{u"", u"", true},
    FoldCase{u"a", u"", false},
    FoldCase{u"ab", u"a", false},
    FoldCase{u"[", u"{", false},          // no folding outside letters
    FoldCase{u"@", u"`", false},
    FoldCase{u"\u00E4\u00F6\u00FC\u00FE", u"\u00C4\u00D6\u00DC\u00DE", true},
    FoldCase{u"\u00F7", u"\u00D7", false}, // division and multiplication signs
    FoldCase{u"\u00FF", u"\u0178", true},
    FoldCase{u"\u0101\u013A\u0148\u017E", u"\u0100\u0139\u0147\u017D", true},
    FoldCase{u"\u0131", u"I", true},
    FoldCase{u"\u03C3\u03C2", u"\u03A3\u03A3", true},
    FoldCase{u"\u0436\u0451", u"\u0416\u0401", true},
    FoldCase{u"\u00DF", u"SS", false}));

} // namespace
} // namespace zel
