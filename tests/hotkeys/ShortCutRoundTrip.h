// Every key of the keyboard layout in use through its text form and back, natively with a test
// layout and under Wine with the system's.
#pragma once

#include "hotkeys/KeyNames.h"
#include "hotkeys/ShortCut.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zel::testing {

// The keys that only the number pad has: VK_CLEAR (its 5 without Num Lock), VK_NUMPAD0 to
// VK_DIVIDE, VK_NUMLOCK and the NEC keyboards' "=" (VK_OEM_NEC_EQUAL).
inline bool OnNumberPad(unsigned key)
{
    return key == 0x0C || (key >= 0x60 && key <= 0x6F) || key == 0x90 || key == 0x92;
}

// For every key from 8 to 255 that has a name, alone and with modifiers:
// - its text holds no NUL;
// - its text reads back as a shortcut with the same text;
// - the shortcut read back is the key itself when no other key bears that name; where several
//   keys bear it, it is the lowest of them that is not on the number pad (the lowest of them
//   when all are), so that a key of the main keyboard survives the trip.
inline void ExpectEveryKeyGoesThroughItsText()
{
    struct TNamed {
        unsigned Key;
        std::u16string Name;
    };
    std::vector<TNamed> named;
    for (unsigned key = 8; key < 256; ++key) {
        std::u16string name = ShortCutToText(static_cast<TShortCut>(key));
        if (!name.empty())
            named.push_back({key, name});
    }
    ASSERT_FALSE(named.empty());
    for (const TNamed& k : named) {
        std::vector<unsigned> bearers;
        for (const TNamed& other : named)
            if (TextCase().SameText(other.Name, k.Name))
                bearers.push_back(other.Key);
        unsigned expected = 0;
        for (unsigned key : bearers)
            if (!OnNumberPad(key)) {
                expected = key;
                break;
            }
        if (expected == 0)
            expected = bearers.front();
        for (TShortCut modifiers : {TShortCut{0}, scShift, TShortCut(scCtrl | scAlt)}) {
            const TShortCut shortCut = static_cast<TShortCut>(k.Key | modifiers);
            const std::u16string text = ShortCutToText(shortCut);
            EXPECT_EQ(text.find(u'\0'), std::u16string::npos) << "key $" << std::hex << k.Key;
            const TShortCut back = TextToShortCut(text);
            EXPECT_EQ(ShortCutToText(back), text) << "key $" << std::hex << k.Key;
            EXPECT_EQ(back, expected | modifiers) << "key $" << std::hex << k.Key << std::dec << " (" << bearers.size() << " keys bear its name)";
        }
    }
}

} // namespace zel::testing
