// The primary screen as a picture, and the picture's file: captured through the screen's device
// context, encoded as JPEG and written to "Screenshot.jpg" in the user's temporary folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

namespace zel {

// The primary screen's pixels: 24-bit, blue-green-red, top row first, each row padded to a
// multiple of 4 bytes (Stride).
struct TScreenPicture {
    unsigned Width = 0;
    unsigned Height = 0;
    std::size_t Stride = 0;
    std::vector<std::uint8_t> Pixels;
};

// Copies the primary screen from its origin (0, 0), as large as the system metrics
// SM_CXSCREEN and SM_CYSCREEN say. Raises Exception "Cannot get device context of the window"
// when there is no screen device context, EOSError when the copy fails.
TScreenPicture CaptureScreen();

// The picture file: the temporary folder followed by "\Screenshot.jpg". The folder is TEMP in
// its long-name form (unchanged when that fails) without a trailing backslash; when TMP or TEMP
// is missing or empty, the current directory takes its place.
std::wstring ScreenshotFileName();

// Captures the screen and writes it to the file as JPEG (baseline, colour, quality 90),
// replacing a file of that name.
void SaveScreenshot(const std::wstring& fileName);

} // namespace zel
