#include "hotkeys/actions/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <jpeglib.h>

namespace zel {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. It jumps back to
// the setjmp of RunCompression; only libjpeg's C frames and that function, which holds nothing
// with a destructor, lie in between.
struct TErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo)
{
    auto manager = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->Message);
    std::longjmp(manager->Jump, 1);
}

void OutputNothing(j_common_ptr)
{
    // Warnings have no console to go to inside the add-in.
}

// The whole compression, from the settings to the last scanline, into a buffer that libjpeg
// allocates with malloc. Returns false with the library's message on failure. Plain C style on
// purpose: nothing here may need unwinding when longjmp leaves it.
bool RunCompression(const TPixels24& picture, int quality, unsigned char** output, unsigned long* size,
    char* message)
{
    jpeg_compress_struct cinfo;
    TErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.Public);
    errors.Public.error_exit = ErrorExit;
    errors.Public.output_message = OutputNothing;
    errors.Message[0] = '\0';
    if (setjmp(errors.Jump)) {
        std::memcpy(message, errors.Message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, output, size);
    cinfo.image_width = picture.Width;
    cinfo.image_height = picture.Height;
    cinfo.input_components = 3;
    // Blue-green-red input is read as such by libjpeg-turbo; the colour conversion to YCbCr and
    // every other default are those of RGB input.
    cinfo.in_color_space = picture.Order == TPixelOrder::Bgr ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint8_t* row = picture.Pixels + static_cast<std::ptrdiff_t>(cinfo.next_scanline) * picture.Stride;
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// The buffer that jpeg_mem_dest allocated.
struct TMallocBuffer {
    unsigned char* Data = nullptr;
    ~TMallocBuffer() { std::free(Data); }
};

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TPixels24& picture, int quality)
{
    if (picture.Pixels == nullptr && picture.Width != 0 && picture.Height != 0)
        throw EJPEG(u"No pixels to compress");
    TMallocBuffer buffer;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX];
    if (!RunCompression(picture, quality, &buffer.Data, &size, message))
        throw EJPEG(FromUtf8(message));
    return std::vector<std::uint8_t>(buffer.Data, buffer.Data + size);
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        throw EFCreateError(u"Cannot create file \"" + path.u16string() + u"\"");
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw EWriteError(u"Cannot write file \"" + path.u16string() + u"\"");
}

} // namespace zel
