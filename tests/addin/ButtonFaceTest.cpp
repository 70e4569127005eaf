// The toolbar button's face drawn from the icon resource FISH linked into this program: the fish
// over the button-face colour, saved magnified as a PNG for a person to look at.
#include "addin/ButtonFace.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

namespace zel {
namespace {

// The face's pixels as COLORREFs, row by row from the top.
std::vector<COLORREF> FacePixels(HBITMAP face)
{
    const TScreenDC screen;
    const TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    const TSelection selected(memory.get(), face);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < ButtonFaceSize; ++y)
        for (int x = 0; x < ButtonFaceSize; ++x)
            pixels.push_back(GetPixel(memory.get(), x, y));
    return pixels;
}

COLORREF At(const std::vector<COLORREF>& pixels, int x, int y)
{
    return pixels[static_cast<std::size_t>(y * ButtonFaceSize + x)];
}

// Saves the bitmap magnified `scale` times (each pixel a square) as <screenshots>\<name>.png.
bool SaveMagnifiedPng(HBITMAP bitmap, int scale, const std::wstring& name)
{
    using Microsoft::WRL::ComPtr;
    const int side = ButtonFaceSize * scale;
    const TScreenDC screen;
    const TMemoryDC source(CreateCompatibleDC(screen.Get()));
    const TMemoryDC target(CreateCompatibleDC(screen.Get()));
    const TBitmapHandle large(CreateCompatibleBitmap(screen.Get(), side, side));
    {
        const TSelection from(source.get(), bitmap);
        const TSelection to(target.get(), large.get());
        SetStretchBltMode(target.get(), COLORONCOLOR);
        StretchBlt(target.get(), 0, 0, side, side, source.get(), 0, 0, ButtonFaceSize, ButtonFaceSize, SRCCOPY);
    }
    const TComApartment apartment;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmap> picture;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    const std::wstring path = testing::ScreenshotFolder() + name + L".png";
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
           SUCCEEDED(factory->CreateBitmapFromHBITMAP(large.get(), nullptr, WICBitmapIgnoreAlpha, &picture)) &&
           SUCCEEDED(factory->CreateStream(&stream)) &&
           SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
           SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->WriteSource(picture.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

class ButtonFaceNames : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(ButtonFaceNames, DrawsTheFishOverTheButtonFaceColour)
{
    const TBitmapHandle face = MakeButtonFace(GetModuleHandleW(nullptr), GetParam());
    ASSERT_TRUE(face);
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(face.get(), sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);

    const std::vector<COLORREF> pixels = FacePixels(face.get());
    const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
    // Transparent pixels keep the fill: the corners and the rows above and below the fish.
    for (const POINT point : {POINT{0, 0}, POINT{15, 0}, POINT{0, 15}, POINT{15, 15}, POINT{7, 1}, POINT{14, 12}})
        EXPECT_EQ(At(pixels, point.x, point.y), buttonFace) << "at " << point.x << "," << point.y;
    // The fish: outline, body, eye with its pupil, belly and tail.
    EXPECT_EQ(At(pixels, 1, 6), RGB(16, 40, 96));
    EXPECT_EQ(At(pixels, 6, 5), RGB(255, 140, 0));
    EXPECT_EQ(At(pixels, 3, 6), RGB(255, 255, 255));
    EXPECT_EQ(At(pixels, 4, 7), RGB(0, 0, 0));
    EXPECT_EQ(At(pixels, 5, 11), RGB(255, 214, 80));
    EXPECT_EQ(At(pixels, 14, 7), RGB(210, 50, 30));
    int fishPixels = 0;
    for (const COLORREF pixel : pixels)
        fishPixels += pixel != buttonFace;
    EXPECT_GT(fishPixels, 100);
    EXPECT_LT(fishPixels, 200);

    if (std::wstring(GetParam()) == L"fish") {
        EXPECT_TRUE(SaveMagnifiedPng(face.get(), 16, L"button_face_fish_x16"));
    }
}

// The toolbar looks the resource up as "fish"; it is stored as FISH.
INSTANTIATE_TEST_SUITE_P(AnyCase, ButtonFaceNames, ::testing::Values(L"fish", L"FISH", L"Fish"));

TEST(ButtonFace, MissingResourceRaises)
{
    EXPECT_THROW(MakeButtonFace(GetModuleHandleW(nullptr), L"whale"), EOSError);
    EXPECT_THROW(MakeButtonFace(GetModuleHandleW(nullptr), L""), EOSError);
}

// Icon files that are damaged are refused, never read past their end.
struct DamagedIcon {
    const char* Name;
    std::vector<std::uint8_t> Bytes;
};

class IconFileImageDamaged : public ::testing::TestWithParam<DamagedIcon> {};

TEST_P(IconFileImageDamaged, Raises)
{
    EXPECT_THROW(IconFileImage(GetParam().Bytes, 16), EOSError);
}

// A directory of one 16 x 16 entry whose image has `length` bytes at `offset`, followed by `tail` bytes.
std::vector<std::uint8_t> Directory(std::uint32_t length, std::uint32_t offset, std::size_t tail, std::uint16_t type = 1)
{
    std::vector<std::uint8_t> bytes = {0, 0, static_cast<std::uint8_t>(type), 0, 1, 0, 16, 16, 0, 0, 1, 0, 8, 0};
    for (const std::uint32_t value : {length, offset})
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    bytes.resize(bytes.size() + tail, 0x11);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Files, IconFileImageDamaged,
    ::testing::Values(
        DamagedIcon{"Empty", {}},
        DamagedIcon{"HeaderOnly", {0, 0, 1, 0, 1, 0}},
        DamagedIcon{"CursorFile", Directory(10, 22, 10, 2)},
        DamagedIcon{"NoEntries", {0, 0, 1, 0, 0, 0}},
        DamagedIcon{"ImagePastTheEnd", Directory(100, 22, 99)},
        DamagedIcon{"OffsetPastTheEnd", Directory(1, 0xFFFFFFF0u, 10)},
        DamagedIcon{"EmptyImage", Directory(0, 22, 10)}),
    [](const ::testing::TestParamInfo<DamagedIcon>& info) { return std::string(info.param.Name); });

TEST(IconFileImage, FindsTheImageOfTheSizeAsked)
{
    // Two entries, 32 x 32 first: the 16 x 16 one is chosen; the bytes of each image are its own.
    std::vector<std::uint8_t> bytes = {0, 0, 1, 0, 2, 0};
    const auto entry = [&bytes](std::uint8_t side, std::uint32_t length, std::uint32_t offset) {
        bytes.insert(bytes.end(), {side, side, 0, 0, 1, 0, 8, 0});
        for (const std::uint32_t value : {length, offset})
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    entry(32, 3, 38);
    entry(16, 2, 41);
    bytes.insert(bytes.end(), {0xA1, 0xA2, 0xA3, 0xB1, 0xB2});
    const std::span<const std::uint8_t> image = IconFileImage(bytes, 16);
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()), (std::vector<std::uint8_t>{0xB1, 0xB2}));
    const std::span<const std::uint8_t> first = IconFileImage(bytes, 48);
    EXPECT_EQ(std::vector<std::uint8_t>(first.begin(), first.end()), (std::vector<std::uint8_t>{0xA1, 0xA2, 0xA3}));
}

} // namespace
} // namespace zel
