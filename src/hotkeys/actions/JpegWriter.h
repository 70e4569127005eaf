// JPEG encoding of a picture held as 24-bit pixels, through libjpeg: baseline, in colour,
// quality 90 unless told otherwise, every other setting the encoder's default.
#pragma once

#include "platform/FileAccess.h"

#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zel {

// A failure reported by the JPEG library; the message is the library's own.
ZEL_EXCEPTION_CLASS(EJPEG, Exception);

enum class TPixelOrder { Rgb, Bgr };

// 24-bit pixels: Height rows of Width pixels, 3 bytes each. Row y starts at
// Pixels + y * Stride; a negative Stride describes a bottom-up picture (Pixels then points at
// the top row, the last one in memory), as a Windows DIB stores it.
struct TPixels24 {
    const std::uint8_t* Pixels = nullptr;
    unsigned Width = 0;
    unsigned Height = 0;
    std::ptrdiff_t Stride = 0;
    TPixelOrder Order = TPixelOrder::Rgb;
};

inline constexpr int DefaultJpegQuality = 90;

// The JPEG file's bytes for the picture. Raises EJPEG when the library refuses the picture
// (an empty or too large one) or memory runs out.
std::vector<std::uint8_t> EncodeJpeg(const TPixels24& picture, int quality = DefaultJpegQuality);

// How the output buffer grows when the encoder has filled it: given the buffer (every byte of it
// written), make it larger, or return false (or throw) to fail the encoding as out of memory.
// EncodeJpeg doubles the buffer; tests make a growth fail.
using TJpegGrowth = std::function<bool(std::vector<std::uint8_t>& bytes)>;
std::vector<std::uint8_t> EncodeJpeg(const TPixels24& picture, int quality, const TJpegGrowth& grow);

// Writes the bytes to the file, replacing a file of that name. Raises EFCreateError when the
// file cannot be created and EWriteError when it cannot be written completely.
void WriteFileBytes(const TFilePath& path, const std::vector<std::uint8_t>& bytes);

} // namespace zel
