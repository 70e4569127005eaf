#include "hotkeys/actions/ScreenCapture.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "hotkeys/actions/JpegWriter.h"

#include <memory>

namespace zel {
namespace {

class TPaletteSelection {
public:
    TPaletteSelection(HDC dc, HPALETTE palette) : FDC(dc), FOld(SelectPalette(dc, palette, FALSE))
    {
        RealizePalette(dc);
    }
    ~TPaletteSelection()
    {
        if (FOld)
            SelectPalette(FDC, FOld, FALSE);
    }
    TPaletteSelection(const TPaletteSelection&) = delete;
    TPaletteSelection& operator=(const TPaletteSelection&) = delete;

private:
    HDC FDC;
    HPALETTE FOld;
};

// The system palette of a palette-based screen (at most 256 entries) as a logical palette.
TPaletteHandle SystemPalette(HDC screen)
{
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[256];
    } palette{};
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<WORD>(GetSystemPaletteEntries(screen, 0, 256, palette.palPalEntry));
    if (palette.palNumEntries == 0)
        return nullptr;
    return TPaletteHandle(CreatePalette(reinterpret_cast<LOGPALETTE*>(&palette)));
}

std::wstring EnvironmentVariable(const wchar_t* name)
{
    return GrowBuffer([name](wchar_t* buffer, DWORD capacity) { return GetEnvironmentVariableW(name, buffer, capacity); });
}

std::wstring CurrentDirectory()
{
    return GrowBuffer([](wchar_t* buffer, DWORD capacity) { return GetCurrentDirectoryW(capacity, buffer); });
}

// The long-name form of a path (8.3 names expanded); the path unchanged when that fails.
std::wstring LongPathName(const std::wstring& path)
{
    std::wstring value =
        GrowBuffer([&path](wchar_t* buffer, DWORD capacity) { return GetLongPathNameW(path.c_str(), buffer, capacity); });
    return value.empty() ? path : value;
}

} // namespace

TScreenPicture CaptureScreen()
{
    TScreenPicture picture;
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    TScreenDC screen;
    if (!screen.Get())
        throw Exception(u"Cannot get device context of the window");
    if (width <= 0 || height <= 0)
        throw EOSError(u"The screen has no size");

    TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    if (!memory)
        throw EOSError(u"Cannot create a device context for the screen picture", GetLastError());
    picture.Width = static_cast<unsigned>(width);
    picture.Height = static_cast<unsigned>(height);
    picture.Stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};

    // A 24-bit top-down DIB section receives the copy: the pixels come out converted to 24 bits,
    // ready for the encoder.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapHandle bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        throw EOSError(u"Cannot create the screen picture", GetLastError());

    TPaletteHandle palette;
    if (GetDeviceCaps(screen.Get(), RASTERCAPS) & RC_PALETTE)
        palette = SystemPalette(screen.Get());
    {
        TSelection selection(memory.get(), bitmap.get());
        std::unique_ptr<TPaletteSelection> paletteSelection;
        if (palette)
            paletteSelection = std::make_unique<TPaletteSelection>(memory.get(), palette.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY))
            throw EOSError(u"Cannot copy the screen", GetLastError());
        GdiFlush();
    }
    const auto* first = static_cast<const std::uint8_t*>(bits);
    picture.Pixels.assign(first, first + picture.Stride * picture.Height);
    return picture;
}

std::wstring ScreenshotFileName()
{
    std::wstring folder;
    if (EnvironmentVariable(L"TMP").empty() || EnvironmentVariable(L"TEMP").empty())
        folder = CurrentDirectory();
    else
        folder = EnvironmentVariable(L"TEMP");
    folder = LongPathName(folder);
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder + L"\\Screenshot.jpg";
}

void SaveScreenshot(const std::wstring& fileName)
{
    TScreenPicture picture = CaptureScreen();
    TPixels24 pixels;
    pixels.Pixels = picture.Pixels.data();
    pixels.Width = picture.Width;
    pixels.Height = picture.Height;
    pixels.Stride = static_cast<std::ptrdiff_t>(picture.Stride);
    pixels.Order = TPixelOrder::Bgr;
    WriteFileBytes(fileName, EncodeJpeg(pixels));
}

} // namespace zel
