// The settings window's pictures, drawn at run time: the 32 x 32 images of its flat buttons and
// the window's icon, and the drawing of a flat owner-drawn button (image above a word-wrapped
// caption).
#pragma once

#include "platform/Handles.h"

#include <windows.h>

namespace zel {

enum class TButtonImage { Add, Remove, Help, Upgrade, Window };

// An icon of size x size pixels (with its transparency mask).
TIconHandle MakeButtonImage(TButtonImage image, int size = 32);

// Draws an owner-drawn push button flat: the face colour, a sunken edge while pressed, the image
// centred at the top, the caption word-wrapped below it (greyed when the button is disabled), a
// small arrow under the caption for a drop-down button, and the focus rectangle.
void DrawFlatButton(const DRAWITEMSTRUCT& item, HICON image, bool dropDown);

} // namespace zel
