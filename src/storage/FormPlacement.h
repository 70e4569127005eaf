// The settings window's remembered placement: its show state, placement flags, minimised and
// maximised positions and normal rectangle, kept in the window's section of the store together
// with the screen's pixel density, once per desktop size ("NormPos(1920x1080)") and once as the
// last one saved ("NormPos").
//
// Saving writes "FormVersion" = 0 always, and the placement itself only once it was restored in
// this run, in this order: "ShowCmd", "Flags", "PixelsPerInch", "MinMaxPos(WxH)", "MinMaxPos",
// "NormPos(WxH)", "NormPos". The positions are four decimal numbers joined by commas ("x,y,x,y":
// minimised then maximised position; "left,top,right,bottom" of the normal rectangle). The store
// writes the parentheses of the suffixed names as "_".
//
// Restoring starts from the window's current placement and takes what the store holds: the
// suffixed key of the current desktop size when it exists, the plain key otherwise. The
// placement is applied only when a position was stored, the density is the current one, the
// rectangle is not empty from left to right and both its corners lie on a monitor; a placement
// made for another screen leaves the window where the platform puts it. The stored show state
// is taken either way: maximised stays maximised, normal and minimised come back normal.
//
// The decisions are portable (PlanFormPlacementRestore, SaveFormPlacement); TFormPlacement
// applies them to a window.
#pragma once

#include "storage/FormStorage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zel {

struct TPlacementPoint {
    std::int32_t X = 0, Y = 0;
    bool operator==(const TPlacementPoint&) const = default;
};

struct TPlacementRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TPlacementRect&) const = default;
};

// A window's placement record as the platform reports and takes it.
struct TPlacementRecord {
    std::int32_t ShowCmd = 0; // 1 normal, 2 minimised, 3 maximised
    std::int32_t Flags = 0;
    TPlacementPoint MinPosition;
    TPlacementPoint MaxPosition;
    TPlacementRect NormalPosition;
    bool operator==(const TPlacementRecord&) const = default;
};

// What the screen is like now.
struct TScreenFacts {
    std::int32_t DesktopWidth = 0;  // the whole desktop, all monitors
    std::int32_t DesktopHeight = 0;
    std::int32_t PixelsPerInch = 96;
    std::function<bool(TPlacementPoint)> PointOnMonitor;
};

// The suffix of the keys kept per desktop size: "(1920x1080)".
std::u16string DesktopSizeSuffix(std::int32_t width, std::int32_t height);

// Writes "FormVersion" and, when the placement was restored in this run, the placement.
void SaveFormPlacement(TFormStorage& storage, bool restored, const TPlacementRecord& placement,
                       const TScreenFacts& screen);

// The show state that a stored show command brings the window back in.
enum class TPlacementShowState {
    Leave,     // show it in the state it has
    Normal,
    Maximized,
};
TPlacementShowState ShowStateOfShowCmd(std::int32_t showCmd) noexcept;

// What restoring does to the window.
struct TPlacementRestore {
    bool Apply = false;         // set Placement on the window
    TPlacementRecord Placement; // the current placement with the stored values in it
    TPlacementShowState ShowState = TPlacementShowState::Leave;
};
TPlacementRestore PlanFormPlacementRestore(const TFormStorage& storage, const TPlacementRecord& current,
                                           const TScreenFacts& screen);

} // namespace zel

#ifdef _WIN32
#include <windows.h>

namespace zel {

// The placement of one top-level window kept in its form storage, restored at its first showing
// and saved at its close and destruction.
class TFormPlacement {
public:
    explicit TFormPlacement(TFormStorage& storage);

    // Once, at the window's first showing on screen, before its show handler: restores the
    // stored placement while the window is still hidden and returns the ShowWindow command to
    // show it with (SW_SHOWMAXIMIZED, SW_SHOWNORMAL, or SW_SHOW to leave the state). Later calls
    // restore nothing and return SW_SHOW.
    int RestoreOnFirstShow(HWND window);
    // At every close, before the window's other keys of the close (the column widths).
    void SaveOnClose(HWND window);
    // At destruction: saves unless saved since the last restore.
    void SaveOnDestroy(HWND window);
    bool Restored() const noexcept { return FRestored; }

private:
    void Save(HWND window);

    TFormStorage* FStorage;
    bool FRestored = false;
    bool FSavedSinceRestore = false;
};

// The screen as it is now: the whole desktop, the screen's density, the monitors.
TScreenFacts CurrentScreenFacts();

} // namespace zel
#endif
