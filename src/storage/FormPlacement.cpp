#include "storage/FormPlacement.h"

#include "platform/Utf16.h"

#include <array>
#include <limits>
#include <string_view>

namespace zel {
namespace {

constexpr std::u16string_view FormVersionKey = u"FormVersion";
constexpr std::u16string_view ShowCmdKey = u"ShowCmd";
constexpr std::u16string_view FlagsKey = u"Flags";
constexpr std::u16string_view PixelsPerInchKey = u"PixelsPerInch";
constexpr std::u16string_view MinMaxPosKey = u"MinMaxPos";
constexpr std::u16string_view NormPosKey = u"NormPos";

std::u16string JoinNumbers(const std::array<std::int32_t, 4>& numbers)
{
    std::string text;
    for (std::int32_t number : numbers) {
        if (!text.empty())
            text += ',';
        text += std::to_string(number);
    }
    return U16(text);
}

// The four comma-separated fields of a stored position, each a number or its fallback when it
// does not parse (a missing field included).
std::array<std::int32_t, 4> SplitNumbers(std::u16string_view text, const std::array<std::int32_t, 4>& fallbacks)
{
    std::array<std::int32_t, 4> numbers = fallbacks;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::size_t comma = text.find(u',');
        const std::u16string_view field = text.substr(0, comma);
        std::int32_t value;
        if (TryStrToInt(field, value))
            numbers[i] = value;
        text = comma == std::u16string_view::npos ? std::u16string_view() : text.substr(comma + 1);
    }
    return numbers;
}

// The text of the key kept for the current desktop size when there is one, of the plain key
// otherwise.
std::u16string ReadPosition(const TFormStorage& storage, std::u16string_view key, std::u16string_view suffix)
{
    const std::u16string sized = std::u16string(key) + std::u16string(suffix);
    if (storage.Storage().ValueExists(storage.Section() + sized))
        return storage.ReadString(sized, u"");
    return storage.ReadString(key, u"");
}

// b - a, wrapped to 32 bits rather than overflowing.
std::int32_t Difference(std::int32_t b, std::int32_t a) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::int64_t>(b) - a);
}

} // namespace

std::u16string DesktopSizeSuffix(std::int32_t width, std::int32_t height)
{
    return U16("(" + std::to_string(width) + "x" + std::to_string(height) + ")");
}

void SaveFormPlacement(TFormStorage& storage, bool restored, const TPlacementRecord& placement,
                       const TScreenFacts& screen)
{
    storage.WriteInteger(FormVersionKey, 0);
    if (!restored)
        return;
    const std::u16string suffix = DesktopSizeSuffix(screen.DesktopWidth, screen.DesktopHeight);
    storage.WriteInteger(ShowCmdKey, placement.ShowCmd);
    storage.WriteInteger(FlagsKey, placement.Flags);
    storage.WriteInteger(PixelsPerInchKey, screen.PixelsPerInch);
    const std::u16string minMax = JoinNumbers({placement.MinPosition.X, placement.MinPosition.Y,
                                               placement.MaxPosition.X, placement.MaxPosition.Y});
    storage.WriteString(std::u16string(MinMaxPosKey) + suffix, minMax);
    storage.WriteString(MinMaxPosKey, minMax);
    const TPlacementRect& r = placement.NormalPosition;
    const std::u16string normal = JoinNumbers({r.Left, r.Top, r.Right, r.Bottom});
    storage.WriteString(std::u16string(NormPosKey) + suffix, normal);
    storage.WriteString(NormPosKey, normal);
}

TPlacementShowState ShowStateOfShowCmd(std::int32_t showCmd) noexcept
{
    switch (showCmd) {
    case 3: // maximised
        return TPlacementShowState::Maximized;
    case 1: // normal
    case 5: // shown
    case 9: // restored
    case 2: // minimised
    case 6:
    case 7:
        return TPlacementShowState::Normal;
    default:
        return TPlacementShowState::Leave;
    }
}

TPlacementRestore PlanFormPlacementRestore(const TFormStorage& storage, const TPlacementRecord& current,
                                           const TScreenFacts& screen)
{
    TPlacementRestore plan;
    plan.Placement = current;
    if (storage.ReadInteger(FormVersionKey, 0) < 0)
        return plan;
    TPlacementRecord& placement = plan.Placement;
    placement.Flags = storage.ReadInteger(FlagsKey, current.Flags);
    const std::u16string suffix = DesktopSizeSuffix(screen.DesktopWidth, screen.DesktopHeight);
    bool found = false;
    const std::u16string minMax = ReadPosition(storage, MinMaxPosKey, suffix);
    if (!minMax.empty()) {
        found = true;
        const auto numbers = SplitNumbers(minMax, {0, 0, 0, 0});
        placement.MinPosition = {numbers[0], numbers[1]};
        placement.MaxPosition = {numbers[2], numbers[3]};
    }
    const std::u16string normal = ReadPosition(storage, NormPosKey, suffix);
    if (!normal.empty()) {
        found = true;
        // A right or lower edge that does not parse falls back to the current width or height,
        // not to the current edge.
        const TPlacementRect& now = current.NormalPosition;
        const auto numbers = SplitNumbers(normal, {now.Left, now.Top, Difference(now.Right, now.Left),
                                                   Difference(now.Bottom, now.Top)});
        placement.NormalPosition = {numbers[0], numbers[1], numbers[2], numbers[3]};
    }
    // The lower-right corner is the last pixel inside the rectangle. A lower edge at the smallest
    // number has no such pixel on any screen.
    const TPlacementRect& r = placement.NormalPosition;
    plan.Apply = found && storage.ReadInteger(PixelsPerInchKey, screen.PixelsPerInch) == screen.PixelsPerInch &&
                 r.Left < r.Right && r.Bottom > std::numeric_limits<std::int32_t>::min() && screen.PointOnMonitor &&
                 screen.PointOnMonitor({r.Left, r.Top}) && screen.PointOnMonitor({r.Right - 1, r.Bottom - 1});
    plan.ShowState = ShowStateOfShowCmd(storage.ReadInteger(ShowCmdKey, current.ShowCmd));
    return plan;
}

} // namespace zel
