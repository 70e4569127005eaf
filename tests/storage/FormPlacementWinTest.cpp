// The remembered placement on real top-level windows of the 1920 x 1080 test display: what a
// shown, moved and closed window leaves in the store, and where the next first showing puts a
// window for what the store holds.
#include "platform/Utf16.h"
#include "storage/FormPlacement.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

namespace zel {
namespace {

using testing::TTestWindow;

// Where the windows are created, before anything is restored.
constexpr RECT CreatedAt{200, 100, 800, 500};

TTestWindow::TOptions Options()
{
    TTestWindow::TOptions options;
    options.Bounds = CreatedAt;
    options.Caption = L"Placement";
    return options;
}

WINDOWPLACEMENT PlacementOf(HWND window)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    EXPECT_TRUE(GetWindowPlacement(window, &placement));
    return placement;
}

std::u16string RectText(const RECT& r)
{
    return U16(std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom));
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A window's first showing as the settings window makes it: the placement is restored while the
// window is hidden, then the window is shown with the command that restoring chose.
int ShowFirstTime(TFormPlacement& placement, HWND window)
{
    const int command = placement.RestoreOnFirstShow(window);
    EXPECT_FALSE(IsWindowVisible(window)) << "restoring keeps the window hidden";
    ShowWindow(window, command);
    Pump();
    return command;
}

class FormPlacementWin : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920) << "the tests expect the 1920 x 1080 test display";
        ASSERT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
    }

    TXMLFileStorage FStore;
    TFormStorage FForm{FStore};
};

// Shown, moved and closed: the store holds the platform's own placement record, once for the
// desktop size and once as the last one saved; the next run's first showing brings the window
// back to the same rectangle.
TEST_F(FormPlacementWin, RoundTripOnTheSameDesktop)
{
    RECT moved;
    {
        TTestWindow window(Options());
        TFormPlacement placement(FForm);
        ShowFirstTime(placement, window.Handle());
        EXPECT_TRUE(placement.Restored());
        SetWindowPos(window.Handle(), nullptr, 260, 130, 616, 518, SWP_NOZORDER | SWP_NOACTIVATE);
        Pump();
        moved = PlacementOf(window.Handle()).rcNormalPosition;
        placement.SaveOnClose(window.Handle());
        placement.SaveOnDestroy(window.Handle());
    }
    EXPECT_EQ(FForm.ReadString(u"FormVersion", u""), u"0");
    EXPECT_EQ(FForm.ReadString(u"ShowCmd", u""), u"1");
    EXPECT_EQ(FForm.ReadString(u"Flags", u""), u"0");
    EXPECT_EQ(FForm.ReadString(u"PixelsPerInch", u""), u"96");
    EXPECT_EQ(FForm.ReadString(u"MinMaxPos(1920x1080)", u""), u"-1,-1,-1,-1");
    EXPECT_EQ(FForm.ReadString(u"MinMaxPos", u""), u"-1,-1,-1,-1");
    EXPECT_EQ(FForm.ReadString(u"NormPos(1920x1080)", u""), RectText(moved));
    EXPECT_EQ(FForm.ReadString(u"NormPos", u""), RectText(moved));
    const std::string file = FStore.SaveToBytes();
    EXPECT_NE(file.find("<NormPos_1920x1080_>" + ToUtf8(RectText(moved)) + "</NormPos_1920x1080_>"),
              std::string::npos)
        << file;

    TTestWindow next(Options());
    TFormPlacement placement(FForm);
    EXPECT_EQ(ShowFirstTime(placement, next.Handle()), SW_SHOWNORMAL);
    const WINDOWPLACEMENT restored = PlacementOf(next.Handle());
    EXPECT_TRUE(SameRect(restored.rcNormalPosition, moved))
        << ToUtf8(RectText(restored.rcNormalPosition));
    EXPECT_EQ(restored.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
}

struct TShowCase {
    const char* Name;
    std::vector<std::pair<std::u16string, std::u16string>> Stored;
    int Command;   // what restoring asks ShowWindow for
    bool Applied;  // the normal rectangle is the stored one, not where the window was created
    bool Zoomed;
};

void PrintTo(const TShowCase& c, std::ostream* out) { *out << c.Name; }

// The stored rectangle, on the test display.
constexpr RECT StoredAt{300, 150, 1000, 700};

class FormPlacementWinShow : public FormPlacementWin, public ::testing::WithParamInterface<TShowCase> {};

TEST_P(FormPlacementWinShow, FirstShowing)
{
    const TShowCase& c = GetParam();
    for (const auto& [key, value] : c.Stored)
        FForm.WriteString(key, value);
    TTestWindow window(Options());
    TFormPlacement placement(FForm);
    EXPECT_EQ(ShowFirstTime(placement, window.Handle()), c.Command);
    const WINDOWPLACEMENT shown = PlacementOf(window.Handle());
    EXPECT_TRUE(SameRect(shown.rcNormalPosition, c.Applied ? StoredAt : CreatedAt))
        << ToUtf8(RectText(shown.rcNormalPosition));
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    EXPECT_FALSE(IsIconic(window.Handle()));
    EXPECT_EQ(IsZoomed(window.Handle()) != FALSE, c.Zoomed);
}

const std::u16string Stored = RectText(StoredAt);

INSTANTIATE_TEST_SUITE_P(Table, FormPlacementWinShow, ::testing::Values(
    TShowCase{"NothingStored", {}, SW_SHOWNORMAL, false, false},
    TShowCase{"SameScreen", {{u"PixelsPerInch", u"96"}, {u"NormPos", Stored}}, SW_SHOWNORMAL, true, false},
    TShowCase{"OffEveryMonitor", {{u"NormPos", u"2000,150,2700,700"}}, SW_SHOWNORMAL, false, false},
    TShowCase{"PartlyOffTheMonitor", {{u"NormPos", u"1500,150,2200,700"}}, SW_SHOWNORMAL, false, false},
    TShowCase{"OtherDensity", {{u"PixelsPerInch", u"144"}, {u"NormPos", Stored}}, SW_SHOWNORMAL, false, false},
    TShowCase{"Minimised", {{u"ShowCmd", u"2"}, {u"NormPos", Stored}}, SW_SHOWNORMAL, true, false},
    // Maximised is the window's state: without a window manager Wine leaves a maximised window
    // at its normal rectangle instead of spreading it over the work area.
    TShowCase{"Maximised", {{u"ShowCmd", u"3"}, {u"NormPos", Stored}}, SW_SHOWMAXIMIZED, true, true},
    TShowCase{"MaximisedOtherDensity", {{u"ShowCmd", u"3"}, {u"PixelsPerInch", u"120"}, {u"NormPos", Stored}},
              SW_SHOWMAXIMIZED, false, true},
    TShowCase{"UnknownShowCmd", {{u"ShowCmd", u"0"}, {u"NormPos", Stored}}, SW_SHOW, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// Only the first showing restores: a second call leaves the window where it is.
TEST_F(FormPlacementWin, LaterShowingsRestoreNothing)
{
    TTestWindow window(Options());
    TFormPlacement placement(FForm);
    ShowFirstTime(placement, window.Handle());
    ShowWindow(window.Handle(), SW_HIDE);
    FForm.WriteString(u"ShowCmd", u"3");
    FForm.WriteString(u"NormPos", Stored);
    EXPECT_EQ(placement.RestoreOnFirstShow(window.Handle()), SW_SHOW);
    EXPECT_TRUE(SameRect(PlacementOf(window.Handle()).rcNormalPosition, CreatedAt));
}

// A window that is never shown leaves only the version, at close and at destruction alike.
TEST_F(FormPlacementWin, NeverShownSavesOnlyTheVersion)
{
    TTestWindow window(Options());
    TFormPlacement placement(FForm);
    placement.SaveOnDestroy(window.Handle());
    EXPECT_FALSE(placement.Restored());
    EXPECT_EQ(FStore.Document().Root.Children().at(0)->Children().size(), 1u);
    EXPECT_EQ(FForm.ReadString(u"FormVersion", u""), u"0");
}

// Destruction saves only what no close saved since the restore: the last close's placement stays.
TEST_F(FormPlacementWin, DestructionAfterACloseKeepsTheClosesPlacement)
{
    TTestWindow window(Options());
    TFormPlacement placement(FForm);
    ShowFirstTime(placement, window.Handle());
    placement.SaveOnClose(window.Handle());
    SetWindowPos(window.Handle(), nullptr, 10, 10, 300, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    placement.SaveOnDestroy(window.Handle());
    EXPECT_EQ(FForm.ReadString(u"NormPos", u""), RectText(CreatedAt));

    // Without the close, destruction saves.
    TXMLFileStorage otherStore;
    TFormStorage otherForm(otherStore);
    TTestWindow other(Options());
    TFormPlacement unclosed(otherForm);
    ShowFirstTime(unclosed, other.Handle());
    SetWindowPos(other.Handle(), nullptr, 10, 10, 300, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    unclosed.SaveOnDestroy(other.Handle());
    EXPECT_EQ(otherForm.ReadString(u"NormPos", u""), u"10,10,310,310");
}

} // namespace
} // namespace zel
