// A label that draws the link markup (see LinkMarkup.h): plain runs in the window text colour,
// link runs underlined in the hot-track colour (a link blue where that is too pale) with the hand cursor over them. A click on a
// link run tells the parent with WM_COMMAND (the label's id, STN_CLICKED, the label's handle).
// The label's window text is its caption, markup included. Drawn by the label itself: the
// system's link control needs the version 6 common controls, which a host may not give.
#pragma once

#include "diagnostics/LinkMarkup.h"
#include "platform/Handles.h"

#include <string>
#include <vector>

#include <windows.h>

namespace zel {

class TLinkLabel {
public:
    // Creates the label as a visible child of the parent, at the given place; the height is
    // the least one, and the label grows downward when its caption needs more lines.
    TLinkLabel(HWND parent, int id, const RECT& bounds);
    ~TLinkLabel();
    TLinkLabel(const TLinkLabel&) = delete;
    TLinkLabel& operator=(const TLinkLabel&) = delete;

    HWND Handle() const noexcept { return FHandle; }
    void SetCaption(const std::u16string& caption);
    std::u16string Caption() const;
    // The rectangles of the link runs in the label's client coordinates, as last laid out.
    const std::vector<RECT>& LinkRects() const noexcept { return FLinkRects; }

private:
    struct TPlacedRun {
        TMarkupRun Run;
        POINT Origin;
    };
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Places the runs with the current font and caption and sets the label's height.
    void Layout();
    void Paint(HDC dc);
    bool OverLink(POINT point) const noexcept;

    HWND FHandle = nullptr;
    int FMinHeight = 0;
    HFONT FFont = nullptr; // given with WM_SETFONT, owned by the parent
    TFontHandle FLinkFont; // the same font, underlined
    std::vector<TPlacedRun> FRuns;
    std::vector<RECT> FLinkRects;
    bool FPressed = false;
};

} // namespace zel
