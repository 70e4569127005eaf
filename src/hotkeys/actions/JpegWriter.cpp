#include "hotkeys/actions/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace zel {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. It jumps back to
// the setjmp of RunCompression; only libjpeg's C frames, the destination's callbacks and that
// function lie in between, and none of them holds anything with a destructor at that point.
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

// The destination manager: libjpeg writes straight into a vector that EncodeJpeg owns, so that
// the buffer has one owner whatever happens (libjpeg's own memory destination frees and replaces
// its buffer when it grows, behind the back of whoever holds the first one). Public comes first:
// libjpeg sees only that part.
struct TVectorDestination {
    jpeg_destination_mgr Public;
    std::vector<std::uint8_t>* Bytes;
    const TJpegGrowth* Grow;
};

TVectorDestination& Destination(j_compress_ptr cinfo) noexcept
{
    return *reinterpret_cast<TVectorDestination*>(cinfo->dest);
}

void InitDestination(j_compress_ptr cinfo)
{
    TVectorDestination& destination = Destination(cinfo);
    destination.Public.next_output_byte = destination.Bytes->data();
    destination.Public.free_in_buffer = destination.Bytes->size();
}

// Makes the full buffer larger; false when that fails. Any exception stops here: the caller
// leaves through libjpeg's error exit, a longjmp that must not cross a frame being unwound.
bool GrowBuffer(TVectorDestination& destination) noexcept
{
    try {
        const size_t full = destination.Bytes->size();
        return (*destination.Grow)(*destination.Bytes) && destination.Bytes->size() > full;
    } catch (...) {
        return false;
    }
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    TVectorDestination& destination = Destination(cinfo);
    // libjpeg calls this when the buffer is full: all of it holds output.
    const size_t full = destination.Bytes->size();
    if (!GrowBuffer(destination))
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    destination.Public.next_output_byte = destination.Bytes->data() + full;
    destination.Public.free_in_buffer = destination.Bytes->size() - full;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    TVectorDestination& destination = Destination(cinfo);
    // Shrinking never reallocates.
    destination.Bytes->resize(destination.Bytes->size() - destination.Public.free_in_buffer);
}

// The whole compression, from the settings to the last scanline, into bytes (which holds the
// first buffer already). Returns false with the library's message on failure; bytes then holds
// whatever was written and is freed by its owner. Plain C style on purpose: nothing here may
// need unwinding when longjmp leaves it.
bool RunCompression(const TPixels24& picture, int quality, std::vector<std::uint8_t>& bytes, const TJpegGrowth& grow,
    char* message)
{
    jpeg_compress_struct cinfo;
    TErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.Public);
    errors.Public.error_exit = ErrorExit;
    errors.Public.output_message = OutputNothing;
    errors.Message[0] = '\0';
    TVectorDestination destination;
    destination.Public.init_destination = InitDestination;
    destination.Public.empty_output_buffer = EmptyOutputBuffer;
    destination.Public.term_destination = TermDestination;
    destination.Bytes = &bytes;
    destination.Grow = &grow;
    if (setjmp(errors.Jump)) {
        std::memcpy(message, errors.Message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    cinfo.dest = &destination.Public;
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

// The first output buffer; a screenshot's file needs a few doublings.
constexpr size_t FirstBufferSize = 64 * 1024;

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TPixels24& picture, int quality)
{
    return EncodeJpeg(picture, quality, [](std::vector<std::uint8_t>& bytes) {
        bytes.resize(bytes.size() * 2);
        return true;
    });
}

std::vector<std::uint8_t> EncodeJpeg(const TPixels24& picture, int quality, const TJpegGrowth& grow)
{
    if (picture.Pixels == nullptr && picture.Width != 0 && picture.Height != 0)
        throw EJPEG(u"No pixels to compress");
    std::vector<std::uint8_t> bytes(FirstBufferSize);
    char message[JMSG_LENGTH_MAX];
    if (!RunCompression(picture, quality, bytes, grow, message))
        throw EJPEG(FromUtf8(message));
    return bytes;
}

void WriteFileBytes(const TFilePath& path, const std::vector<std::uint8_t>& bytes)
{
    TCFile file = OpenCFile(path, "wb");
    if (!file)
        throw EFCreateError(u"Cannot create file \"" + FromFileSystemPath(path) + u"\"");
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    if (std::fclose(file.release()) != 0 || !written)
        throw EWriteError(u"Cannot write file \"" + FromFileSystemPath(path) + u"\"");
}

} // namespace zel
