// The remembered placement applied to a real window: its placement record, the whole desktop,
// the screen's density and the monitors.
#include "storage/FormPlacement.h"

#include "platform/Handles.h"

namespace zel {
namespace {

// The window's placement record; false when the window has none to give (no longer a window).
bool ReadPlacement(HWND window, TPlacementRecord& record) noexcept
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return false;
    record.ShowCmd = static_cast<std::int32_t>(placement.showCmd);
    record.Flags = static_cast<std::int32_t>(placement.flags);
    record.MinPosition = {placement.ptMinPosition.x, placement.ptMinPosition.y};
    record.MaxPosition = {placement.ptMaxPosition.x, placement.ptMaxPosition.y};
    const RECT& r = placement.rcNormalPosition;
    record.NormalPosition = {r.left, r.top, r.right, r.bottom};
    return true;
}

// Sets the placement with the window kept hidden: it is shown afterwards, in its own state.
void ApplyPlacementHidden(HWND window, const TPlacementRecord& record) noexcept
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.flags = static_cast<UINT>(record.Flags);
    placement.showCmd = SW_HIDE;
    placement.ptMinPosition = {record.MinPosition.X, record.MinPosition.Y};
    placement.ptMaxPosition = {record.MaxPosition.X, record.MaxPosition.Y};
    const TPlacementRect& r = record.NormalPosition;
    placement.rcNormalPosition = {r.Left, r.Top, r.Right, r.Bottom};
    SetWindowPlacement(window, &placement);
}

} // namespace

TScreenFacts CurrentScreenFacts()
{
    TScreenFacts screen;
    screen.DesktopWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.DesktopHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    {
        TScreenDC dc;
        if (dc.Get())
            screen.PixelsPerInch = GetDeviceCaps(dc.Get(), LOGPIXELSY);
    }
    screen.PointOnMonitor = [](TPlacementPoint point) {
        return MonitorFromPoint(POINT{point.X, point.Y}, MONITOR_DEFAULTTONULL) != nullptr;
    };
    return screen;
}

TFormPlacement::TFormPlacement(TFormStorage& storage) : FStorage(&storage) {}

int TFormPlacement::RestoreOnFirstShow(HWND window)
{
    if (FRestored)
        return SW_SHOW;
    FRestored = true;
    FSavedSinceRestore = false;
    TPlacementRecord current;
    if (!ReadPlacement(window, current))
        return SW_SHOW;
    const TPlacementRestore plan = PlanFormPlacementRestore(*FStorage, current, CurrentScreenFacts());
    if (plan.Apply)
        ApplyPlacementHidden(window, plan.Placement);
    switch (plan.ShowState) {
    case TPlacementShowState::Maximized:
        return SW_SHOWMAXIMIZED;
    case TPlacementShowState::Normal:
        return SW_SHOWNORMAL;
    case TPlacementShowState::Leave:
        break;
    }
    return SW_SHOW;
}

void TFormPlacement::Save(HWND window)
{
    TPlacementRecord placement;
    // Without a placement record to read only the version is written: a made-up placement
    // would be restored next time.
    const bool known = FRestored && ReadPlacement(window, placement);
    SaveFormPlacement(*FStorage, known, placement, CurrentScreenFacts());
    FSavedSinceRestore = true;
}

void TFormPlacement::SaveOnClose(HWND window)
{
    Save(window);
}

void TFormPlacement::SaveOnDestroy(HWND window)
{
    if (!FSavedSinceRestore)
        Save(window);
}

} // namespace zel
