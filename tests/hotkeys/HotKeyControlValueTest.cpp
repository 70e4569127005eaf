#include "hotkeys/HotKeyControlValue.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

struct ValueCase {
    const char* name;
    std::uint16_t control; // the hotkey control's value
    TShortCut shortCut;
    bool roundTrips;       // whether the shortcut gives the same control value back
};

class HotKeyControlValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(HotKeyControlValueTest, ConvertsBothWays)
{
    const ValueCase& c = GetParam();
    EXPECT_EQ(ShortCutFromHotKeyValue(c.control), c.shortCut);
    if (c.roundTrips) {
        EXPECT_EQ(HotKeyValueFromShortCut(c.shortCut), c.control);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HotKeyControlValueTest, ::testing::Values(
    ValueCase{"StartValueAltA", 0x0441, 0x8041, true},
    ValueCase{"CtrlAltA", 0x0641, 0xC041, true},
    ValueCase{"ShiftCtrlAltF9", 0x0778, 0xE078, true},
    ValueCase{"ShiftOnly", 0x0131, 0x2031, true},
    ValueCase{"NumberPadDigitStaysItsKey", 0x0465, 0x8065, true},
    // The extended flag (arrow keys, Insert, ...) is no part of the shortcut.
    ValueCase{"ExtendedFlagDropped", 0x0A27, 0x4027, false},
    ValueCase{"Empty", 0x0000, scNone, true},
    ValueCase{"ModifiersWithoutKeyAreNoShortcut", 0x0600, scNone, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HotKeyControlValue, NumberPadDigitIsRegisteredAsTheMainRowDigit)
{
    // The row keeps the text: Alt with the number pad's 5 is stored as "Alt+5", which reads back as
    // Alt with the main row's 5.
    const TShortCut shortCut = ShortCutFromHotKeyValue(0x0465);
    EXPECT_EQ(ShortCutToText(shortCut), u"Alt+5");
    EXPECT_EQ(TextToShortCut(ShortCutToText(shortCut)), 0x8035);
}

} // namespace
} // namespace zel
