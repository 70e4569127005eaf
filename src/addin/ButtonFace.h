// The toolbar button's face: the add-in's icon resource drawn on a 16 x 16 bitmap in the
// system's button-face colour, the picture that goes through the clipboard to the button.
#pragma once

#include "platform/Handles.h"

#include <cstdint>
#include <span>

#include <windows.h>

namespace zel {

// Side of the face bitmap and of the icon image drawn on it, in pixels.
constexpr int ButtonFaceSize = 16;

// The image of an icon file (its directory's entry of size x size pixels, else its first entry):
// the bytes CreateIconFromResourceEx takes. Raises EOSError for bytes that are no icon file or
// whose entry points outside them.
std::span<const std::uint8_t> IconFileImage(std::span<const std::uint8_t> file, int size);

// The 16x16 face bitmap: filled with COLOR_BTNFACE, the icon drawn at (0,0) over it,
// transparent pixels keeping the fill. resName looked up without regard to case ("fish").
// The resource is a raw-data resource (RT_RCDATA) holding an icon file; its 16 x 16 image (or
// its first one) is drawn. Raises EOSError when the resource is missing, is no icon file or the
// icon or bitmap cannot be made.
TBitmapHandle MakeButtonFace(HMODULE module, const wchar_t* resName);

} // namespace zel
