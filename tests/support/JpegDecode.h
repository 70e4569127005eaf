// Decoding of a JPEG file's bytes with libjpeg, for the tests of the encoder and the capture.
#pragma once

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace zel::testing {

struct TDecoded {
    unsigned Width = 0, Height = 0;
    int Components = 0;
    bool Progressive = false;
    J_COLOR_SPACE ColorSpace = JCS_UNKNOWN;
    unsigned LuminanceDC = 0, LuminanceFirstAC = 0;
    std::vector<std::uint8_t> Rgb;
};

struct TDecodeErrors {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
};

inline void DecodeErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TDecodeErrors*>(cinfo->err)->Jump, 1);
}

// Plain C style: longjmp leaves it on a decoding error.
inline bool DecodeInto(const std::vector<std::uint8_t>& jpeg, TDecoded& out, std::uint8_t* rgb, size_t rgbSize)
{
    jpeg_decompress_struct cinfo;
    TDecodeErrors errors;
    cinfo.err = jpeg_std_error(&errors.Public);
    errors.Public.error_exit = DecodeErrorExit;
    if (setjmp(errors.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    out.Width = cinfo.image_width;
    out.Height = cinfo.image_height;
    out.Components = cinfo.num_components;
    out.Progressive = cinfo.progressive_mode;
    out.ColorSpace = cinfo.jpeg_color_space;
    out.LuminanceDC = cinfo.quant_tbl_ptrs[0]->quantval[0];
    out.LuminanceFirstAC = cinfo.quant_tbl_ptrs[0]->quantval[1];
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (static_cast<size_t>(cinfo.output_width) * cinfo.output_height * 3 != rgbSize) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb + static_cast<size_t>(cinfo.output_scanline) * cinfo.output_width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

inline TDecoded Decode(const std::vector<std::uint8_t>& jpeg, unsigned width, unsigned height)
{
    TDecoded decoded;
    decoded.Rgb.resize(static_cast<size_t>(width) * height * 3);
    EXPECT_TRUE(DecodeInto(jpeg, decoded, decoded.Rgb.data(), decoded.Rgb.size()));
    return decoded;
}

} // namespace zel::testing
