// Where the settings window's parts go for a client area of a given size: the tool strip along
// the upper edge with its three group boxes and their controls, the caption panel with the table
// filling the space in between, the footer with the hint label, and the status bar. Portable:
// plain numbers, in client coordinates of the window (the table's in the caption panel's).
#pragma once

namespace zel {

struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TBounds&) const = default;
};

struct TMainLayout {
    TBounds HotkeysGroup, HelpGroup, MoreGroup;
    TBounds HotKeyEdit, AddButton, RemoveButton, HelpButton, UpgradeButton;
    TBounds ItemsPanel;
    TBounds ItemsVST; // inside ItemsPanel, below its caption bar
    TBounds Hints;
    TBounds StatusBar;
};

// The designed client size, the smallest window size the user can drag it to, and the fixed
// heights of the strips.
inline constexpr int DesignedClientWidth = 600;
inline constexpr int DesignedClientHeight = 480;
inline constexpr int MinimumWindowWidth = 616;
inline constexpr int MinimumWindowHeight = 518;
inline constexpr int ToolStripHeight = 81;
inline constexpr int FooterHeight = 32;
inline constexpr int StatusBarHeight = 19;
inline constexpr int CaptionBarHeight = 20;

TMainLayout MainFormLayout(int clientWidth, int clientHeight) noexcept;

} // namespace zel
