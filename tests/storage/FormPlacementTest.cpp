// The settings window's remembered placement without a window: what a close writes into the
// store, and what the first showing makes of the stored keys on a given screen.
#include "storage/FormPlacement.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"
#include "support/StorageTestSupport.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zel {

std::ostream& operator<<(std::ostream& out, const TPlacementRect& r)
{
    return out << "{" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << "}";
}

std::ostream& operator<<(std::ostream& out, const TPlacementPoint& p)
{
    return out << "(" << p.X << "," << p.Y << ")";
}

std::ostream& operator<<(std::ostream& out, TPlacementShowState state)
{
    switch (state) {
    case TPlacementShowState::Leave:
        return out << "Leave";
    case TPlacementShowState::Normal:
        return out << "Normal";
    case TPlacementShowState::Maximized:
        return out << "Maximized";
    }
    return out << "?";
}

namespace {

using testing::CrLfLines;
using testing::TUseCodePage;

using TKeys = std::vector<std::pair<std::u16string, std::u16string>>;

constexpr const char* Declaration = "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>";

// A screen of the given size and density whose monitors are the given rectangles.
TScreenFacts Screen(std::int32_t width, std::int32_t height, std::int32_t pixelsPerInch,
                    std::vector<TPlacementRect> monitors)
{
    TScreenFacts screen;
    screen.DesktopWidth = width;
    screen.DesktopHeight = height;
    screen.PixelsPerInch = pixelsPerInch;
    screen.PointOnMonitor = [monitors = std::move(monitors)](TPlacementPoint p) {
        for (const TPlacementRect& m : monitors)
            if (p.X >= m.Left && p.X < m.Right && p.Y >= m.Top && p.Y < m.Bottom)
                return true;
        return false;
    };
    return screen;
}

TScreenFacts FullHd(std::int32_t pixelsPerInch = 96)
{
    return Screen(1920, 1080, pixelsPerInch, {{0, 0, 1920, 1080}});
}

// The placement of a window shown normally and never minimised or maximised.
TPlacementRecord Normal(TPlacementRect rect)
{
    return {1, 0, {-1, -1}, {-1, -1}, rect};
}

void Store(TFormStorage& form, const TKeys& keys)
{
    for (const auto& [key, value] : keys)
        form.WriteString(key, value);
}

// ---- Saving

TEST(FormPlacementSave, NeverRestoredWritesOnlyTheVersion)
{
    TUseCodePage ansi(1252);
    TXMLFileStorage store;
    TFormStorage form(store);
    SaveFormPlacement(form, false, Normal({260, 130, 876, 648}), FullHd());
    EXPECT_EQ(store.SaveToBytes(), CrLfLines({Declaration, "<Configuration>", "  <MainForm>",
                                              "    <FormVersion>0</FormVersion>", "  </MainForm>", "</Configuration>"}));
}

// A close on 1920 x 1080, then one on 1280 x 1024 in the same run: the keys in the order of
// their first writing, the sized ones kept per desktop size, the plain ones the last saved.
TEST(FormPlacementSave, RestoredWritesTheKeysInTheirOrder)
{
    TUseCodePage ansi(1252);
    TXMLFileStorage store;
    TFormStorage form(store);
    SaveFormPlacement(form, true, Normal({260, 130, 876, 648}), FullHd());
    const std::vector<std::string> firstClose = {
        "    <FormVersion>0</FormVersion>",
        "    <ShowCmd>1</ShowCmd>",
        "    <Flags>0</Flags>",
        "    <PixelsPerInch>96</PixelsPerInch>",
        "    <MinMaxPos_1920x1080_>-1,-1,-1,-1</MinMaxPos_1920x1080_>",
        "    <MinMaxPos>-1,-1,-1,-1</MinMaxPos>",
        "    <NormPos_1920x1080_>260,130,876,648</NormPos_1920x1080_>",
        "    <NormPos>260,130,876,648</NormPos>",
    };
    auto file = [](const std::vector<std::string>& mainForm) {
        std::string text = CrLfLines({Declaration, "<Configuration>", "  <MainForm>"});
        for (const std::string& line : mainForm)
            text += line + "\r\n";
        return text + CrLfLines({"  </MainForm>", "</Configuration>"});
    };
    EXPECT_EQ(store.SaveToBytes(), file(firstClose));

    SaveFormPlacement(form, true, {3, 2, {-32000, -32000}, {-8, -8}, {10, 20, 630, 500}},
                      Screen(1280, 1024, 120, {{0, 0, 1280, 1024}}));
    EXPECT_EQ(store.SaveToBytes(),
              file({"    <FormVersion>0</FormVersion>", "    <ShowCmd>3</ShowCmd>", "    <Flags>2</Flags>",
                    "    <PixelsPerInch>120</PixelsPerInch>", firstClose[4],
                    "    <MinMaxPos>-32000,-32000,-8,-8</MinMaxPos>", firstClose[6], "    <NormPos>10,20,630,500</NormPos>",
                    "    <MinMaxPos_1280x1024_>-32000,-32000,-8,-8</MinMaxPos_1280x1024_>",
                    "    <NormPos_1280x1024_>10,20,630,500</NormPos_1280x1024_>"}));
}

TEST(FormPlacementSave, DesktopSizeSuffix)
{
    EXPECT_EQ(DesktopSizeSuffix(1920, 1080), u"(1920x1080)");
    EXPECT_EQ(DesktopSizeSuffix(3840, 1200), u"(3840x1200)");
}

// ---- Restoring: which rectangle, and whether it is applied

// The window's placement before the first showing.
const TPlacementRecord Current = Normal({100, 50, 700, 450});

struct TRectCase {
    const char* Name;
    TKeys Stored;
    TScreenFacts Screen;
    bool Apply;
    TPlacementRect Rect; // the normal rectangle of the planned placement
};

void PrintTo(const TRectCase& c, std::ostream* out) { *out << c.Name; }

class FormPlacementRestoreRect : public ::testing::TestWithParam<TRectCase> {};

TEST_P(FormPlacementRestoreRect, TakesTheStoredRectangleWhenItFits)
{
    const TRectCase& c = GetParam();
    TXMLFileStorage store;
    TFormStorage form(store);
    Store(form, c.Stored);
    const TPlacementRestore plan = PlanFormPlacementRestore(form, Current, c.Screen);
    EXPECT_EQ(plan.Apply, c.Apply);
    EXPECT_EQ(plan.Placement.NormalPosition, c.Rect);
}

// Two monitors side by side, the right one lower and smaller: 2944 x 1080 in all.
TScreenFacts TwoMonitors()
{
    return Screen(2944, 1080, 96, {{0, 0, 1920, 1080}, {1920, 312, 2944, 1080}});
}

INSTANTIATE_TEST_SUITE_P(Table, FormPlacementRestoreRect, ::testing::Values(
    TRectCase{"NothingStored", {}, FullHd(), false, {100, 50, 700, 450}},
    TRectCase{"BothTextsEmpty", {{u"NormPos", u""}, {u"MinMaxPos", u""}}, FullHd(), false, {100, 50, 700, 450}},
    TRectCase{"PlainKey", {{u"NormPos", u"10,20,630,500"}}, FullHd(), true, {10, 20, 630, 500}},
    TRectCase{"SizedKeyBeforePlainKey", {{u"NormPos(1920x1080)", u"10,20,630,500"}, {u"NormPos", u"5,5,50,50"}},
              FullHd(), true, {10, 20, 630, 500}},
    TRectCase{"PlainKeyWhenOnlyAnotherSizeIsKept",
              {{u"NormPos(1280x1024)", u"5,5,50,50"}, {u"NormPos", u"10,20,630,500"}}, FullHd(), true,
              {10, 20, 630, 500}},
    TRectCase{"OtherSizeOnlyIsNothingFound", {{u"NormPos(1280x1024)", u"5,5,50,50"}}, FullHd(), false,
              {100, 50, 700, 450}},
    // The sized key exists: its text is the one read, even when empty.
    TRectCase{"EmptySizedKeyHidesThePlainKey", {{u"NormPos(1920x1080)", u""}, {u"NormPos", u"10,20,630,500"}},
              FullHd(), false, {100, 50, 700, 450}},
    TRectCase{"OnlyMinMaxPosKeepsTheCurrentRectangle", {{u"MinMaxPos", u"-1,-1,-1,-1"}}, FullHd(), true,
              {100, 50, 700, 450}},
    TRectCase{"SameDensity", {{u"NormPos", u"10,20,630,500"}, {u"PixelsPerInch", u"96"}}, FullHd(), true,
              {10, 20, 630, 500}},
    TRectCase{"OtherDensity", {{u"NormPos", u"10,20,630,500"}, {u"PixelsPerInch", u"96"}}, FullHd(120), false,
              {10, 20, 630, 500}},
    TRectCase{"UpToTheScreensLastPixel", {{u"NormPos", u"1000,500,1920,1080"}}, FullHd(), true,
              {1000, 500, 1920, 1080}},
    TRectCase{"RightEdgePastTheScreen", {{u"NormPos", u"1000,500,1921,1080"}}, FullHd(), false,
              {1000, 500, 1921, 1080}},
    TRectCase{"LowerEdgePastTheScreen", {{u"NormPos", u"1000,500,1920,1081"}}, FullHd(), false,
              {1000, 500, 1920, 1081}},
    TRectCase{"UpperLeftCornerOffTheScreen", {{u"NormPos", u"-1,0,600,400"}}, FullHd(), false, {-1, 0, 600, 400}},
    TRectCase{"MonitorNoLongerAttached", {{u"NormPos", u"2000,400,2600,800"}}, FullHd(), false,
              {2000, 400, 2600, 800}},
    TRectCase{"OnTheSecondMonitor", {{u"NormPos", u"2000,400,2600,800"}}, TwoMonitors(), true,
              {2000, 400, 2600, 800}},
    // Across both monitors is fine; the corner in the gap above the right one is not.
    TRectCase{"AcrossBothMonitors", {{u"NormPos", u"1500,400,2600,800"}}, TwoMonitors(), true,
              {1500, 400, 2600, 800}},
    TRectCase{"UpperRightPartInTheGap", {{u"NormPos", u"2000,100,2600,800"}}, TwoMonitors(), false,
              {2000, 100, 2600, 800}},
    TRectCase{"LeftEqualsRight", {{u"NormPos", u"300,20,300,500"}}, FullHd(), false, {300, 20, 300, 500}},
    TRectCase{"LeftAfterRight", {{u"NormPos", u"600,20,300,500"}}, FullHd(), false, {600, 20, 300, 500}},
    // A number that does not parse falls back to the current left, top, width and height.
    TRectCase{"UnparsableNumbers", {{u"NormPos", u"x,,1e3, 900"}}, FullHd(), true, {100, 50, 600, 400}},
    TRectCase{"TooFewNumbers", {{u"NormPos", u"10,20"}}, FullHd(), true, {10, 20, 600, 400}},
    TRectCase{"FallbackWidthLeftOfLeft", {{u"NormPos", u"700,20,x,500"}}, FullHd(), false, {700, 20, 600, 500}},
    TRectCase{"SmallestLowerEdge", {{u"NormPos", u"10,20,630,-2147483648"}}, FullHd(), false,
              {10, 20, 630, -2147483647 - 1}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Restoring: the other fields of the placement

struct TMinMaxCase {
    const char* Name;
    TKeys Stored;
    TPlacementPoint Min, Max;
    std::int32_t Flags;
};

void PrintTo(const TMinMaxCase& c, std::ostream* out) { *out << c.Name; }

class FormPlacementRestoreMinMax : public ::testing::TestWithParam<TMinMaxCase> {};

TEST_P(FormPlacementRestoreMinMax, TakesTheStoredPositionsAndFlags)
{
    const TMinMaxCase& c = GetParam();
    TXMLFileStorage store;
    TFormStorage form(store);
    Store(form, c.Stored);
    const TPlacementRecord current{1, 0, {-1, -1}, {-4, -4}, {100, 50, 700, 450}};
    const TPlacementRestore plan = PlanFormPlacementRestore(form, current, FullHd());
    EXPECT_EQ(plan.Placement.MinPosition, c.Min);
    EXPECT_EQ(plan.Placement.MaxPosition, c.Max);
    EXPECT_EQ(plan.Placement.Flags, c.Flags);
    EXPECT_EQ(plan.Placement.NormalPosition, current.NormalPosition);
}

INSTANTIATE_TEST_SUITE_P(Table, FormPlacementRestoreMinMax, ::testing::Values(
    TMinMaxCase{"NothingStored", {}, {-1, -1}, {-4, -4}, 0},
    TMinMaxCase{"Stored", {{u"MinMaxPos", u"-32000,-32000,-8,-8"}, {u"Flags", u"2"}}, {-32000, -32000}, {-8, -8}, 2},
    TMinMaxCase{"SizedKeyFirst", {{u"MinMaxPos(1920x1080)", u"1,2,3,4"}, {u"MinMaxPos", u"5,6,7,8"}}, {1, 2}, {3, 4}, 0},
    // A number that does not parse counts as 0, and so does a missing one.
    TMinMaxCase{"UnparsableNumbers", {{u"MinMaxPos", u"a,-1, 5,7x"}}, {0, -1}, {0, 0}, 0},
    TMinMaxCase{"TooFewNumbers", {{u"MinMaxPos", u"9"}}, {9, 0}, {0, 0}, 0},
    // An unparsable "Flags" reads as -1, as every unparsable integer of the store does.
    TMinMaxCase{"UnparsableFlags", {{u"Flags", u"none"}}, {-1, -1}, {-4, -4}, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FormPlacementRestore, ShowCmdMapping)
{
    using enum TPlacementShowState;
    const std::vector<std::pair<std::int32_t, TPlacementShowState>> table = {
        {-1, Leave}, {0, Leave}, {1, Normal}, {2, Normal}, {3, Maximized}, {4, Leave}, {5, Normal},
        {6, Normal}, {7, Normal}, {8, Leave}, {9, Normal}, {10, Leave}, {11, Leave},
    };
    for (const auto& [showCmd, state] : table) {
        EXPECT_EQ(ShowStateOfShowCmd(showCmd), state) << showCmd;
        TXMLFileStorage store;
        TFormStorage form(store);
        form.WriteInteger(u"ShowCmd", showCmd);
        EXPECT_EQ(PlanFormPlacementRestore(form, Current, FullHd()).ShowState, state) << showCmd;
    }
}

TEST(FormPlacementRestore, ShowCmdDefaultsToTheCurrentOne)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    TPlacementRecord maximized = Current;
    maximized.ShowCmd = 3;
    EXPECT_EQ(PlanFormPlacementRestore(form, maximized, FullHd()).ShowState, TPlacementShowState::Maximized);
    EXPECT_EQ(PlanFormPlacementRestore(form, Current, FullHd()).ShowState, TPlacementShowState::Normal);
}

// A version below 0 restores nothing, not even the show state; a later version is restored.
TEST(FormPlacementRestore, FormVersion)
{
    const std::vector<std::pair<std::u16string, bool>> table = {
        {u"0", true}, {u"1", true}, {u"-1", false}, {u"old", false}, {u"", false}};
    for (const auto& [version, restores] : table) {
        TXMLFileStorage store;
        TFormStorage form(store);
        Store(form, {{u"FormVersion", version}, {u"ShowCmd", u"3"}, {u"NormPos", u"10,20,630,500"}});
        const TPlacementRestore plan = PlanFormPlacementRestore(form, Current, FullHd());
        EXPECT_EQ(plan.Apply, restores) << std::string(version.begin(), version.end());
        EXPECT_EQ(plan.ShowState, restores ? TPlacementShowState::Maximized : TPlacementShowState::Leave);
        const TPlacementRecord restored{1, 0, {-1, -1}, {-1, -1}, {10, 20, 630, 500}};
        EXPECT_EQ(plan.Placement, restores ? restored : Current);
    }
}

// What one run saves, the next run's first showing brings back on the same screen.
TEST(FormPlacementRestore, SavedPlacementComesBack)
{
    TXMLFileStorage store;
    TFormStorage form(store);
    const TPlacementRecord saved{3, 2, {-32000, -32000}, {-8, -8}, {10, 20, 630, 500}};
    SaveFormPlacement(form, true, saved, FullHd());
    const TPlacementRestore plan = PlanFormPlacementRestore(form, Current, FullHd());
    EXPECT_TRUE(plan.Apply);
    TPlacementRecord expected = saved;
    expected.ShowCmd = Current.ShowCmd; // the show state is the caller's to apply
    EXPECT_EQ(plan.Placement, expected);
    EXPECT_EQ(plan.ShowState, TPlacementShowState::Maximized);
}

} // namespace
} // namespace zel
