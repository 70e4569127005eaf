#include "hotkeys/MainLayout.h"

#include <algorithm>

namespace zel {
namespace {

constexpr int GroupMargin = 4;
constexpr int GroupTop = 2;
constexpr int GroupHeight = ToolStripHeight - GroupTop - 2;
constexpr int ButtonSize = 64;
constexpr int ButtonTop = 10; // inside a group box
constexpr int FooterMargin = 7;

TBounds Inside(const TBounds& group, int left, int top, int width, int height) noexcept
{
    return {group.Left + left, group.Top + top, width, height};
}

} // namespace

TMainLayout MainFormLayout(int clientWidth, int clientHeight) noexcept
{
    const int width = std::max(clientWidth, 0);
    const int height = std::max(clientHeight, ToolStripHeight + FooterHeight + StatusBarHeight);
    TMainLayout layout;
    layout.HotkeysGroup = {GroupMargin, GroupTop, 260, GroupHeight};
    layout.HelpGroup = {layout.HotkeysGroup.Left + layout.HotkeysGroup.Width + GroupMargin, GroupTop, 84, GroupHeight};
    layout.MoreGroup = {std::max(width - GroupMargin - 84, layout.HelpGroup.Left + 84 + GroupMargin), GroupTop, 84,
                        GroupHeight};

    layout.HotKeyEdit = Inside(layout.HotkeysGroup, 19, 32, 94, 19);
    layout.AddButton = Inside(layout.HotkeysGroup, 122, ButtonTop, ButtonSize, ButtonSize);
    layout.RemoveButton = Inside(layout.HotkeysGroup, 190, ButtonTop, ButtonSize, ButtonSize);
    layout.HelpButton = Inside(layout.HelpGroup, 10, ButtonTop, ButtonSize, ButtonSize);
    layout.UpgradeButton = Inside(layout.MoreGroup, 10, ButtonTop, ButtonSize, ButtonSize);

    const int footerTop = height - StatusBarHeight - FooterHeight;
    layout.ItemsPanel = {0, ToolStripHeight, width, footerTop - ToolStripHeight};
    layout.ItemsVST = {0, CaptionBarHeight, width, std::max(layout.ItemsPanel.Height - CaptionBarHeight, 0)};
    layout.Hints = {FooterMargin, footerTop + 2, std::max(width - 2 * FooterMargin, 0), FooterHeight - 4};
    layout.StatusBar = {0, height - StatusBarHeight, width, StatusBarHeight};
    return layout;
}

} // namespace zel
