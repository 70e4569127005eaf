// JPEG encoding, checked by decoding the result with libjpeg.
#include "hotkeys/actions/JpegWriter.h"
#include "support/JpegDecode.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>

namespace zel {
namespace {

using testing::Decode;
using testing::TDecoded;

// A smooth test picture: red grows to the right, green slowly downwards, blue is fixed.
std::vector<std::uint8_t> TestPicture(unsigned width, unsigned height)
{
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 64u));
            p[1] = static_cast<std::uint8_t>(std::min(255u, y * 4));
            p[2] = 96;
        }
    return rgb;
}

// Grey noise: the file is about as large as the pixels, many times the encoder's first buffer;
// grey, so that chroma subsampling loses nothing.
std::vector<std::uint8_t> GreyNoise(unsigned width, unsigned height)
{
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    std::uint32_t random = 2463534242u;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        random = random * 1664525u + 1013904223u;
        rgb[i] = rgb[i + 1] = rgb[i + 2] = static_cast<std::uint8_t>(random >> 24);
    }
    return rgb;
}

int LargestDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    int largest = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

TPixels24 Rgb(const std::vector<std::uint8_t>& pixels, unsigned width, unsigned height)
{
    return TPixels24{pixels.data(), width, height, static_cast<std::ptrdiff_t>(width) * 3, TPixelOrder::Rgb};
}

struct SizeCase {
    unsigned width, height;
};

class JpegEncoding : public ::testing::TestWithParam<SizeCase> {};

TEST_P(JpegEncoding, GivesABaselineColourPictureOfTheExactSize)
{
    auto [width, height] = GetParam();
    std::vector<std::uint8_t> rgb = TestPicture(width, height);
    std::vector<std::uint8_t> jpeg = EncodeJpeg(Rgb(rgb, width, height));
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    // A baseline frame (SOF0) and no progressive one (SOF2).
    auto marker = [&](std::uint8_t code) {
        for (size_t i = 0; i + 1 < jpeg.size(); ++i)
            if (jpeg[i] == 0xFF && jpeg[i + 1] == code)
                return true;
        return false;
    };
    EXPECT_TRUE(marker(0xC0));
    EXPECT_FALSE(marker(0xC2));

    TDecoded decoded = Decode(jpeg, width, height);
    EXPECT_EQ(decoded.Width, width);
    EXPECT_EQ(decoded.Height, height);
    EXPECT_EQ(decoded.Components, 3);
    EXPECT_FALSE(decoded.Progressive);
    EXPECT_EQ(decoded.ColorSpace, JCS_YCbCr);
    // Quality 90 scales the standard luminance table (16, 11, ...) to 20 %.
    EXPECT_EQ(decoded.LuminanceDC, 3u);
    EXPECT_EQ(decoded.LuminanceFirstAC, 2u);
    EXPECT_LE(LargestDifference(decoded.Rgb, rgb), 12);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegEncoding, ::testing::Values(
    SizeCase{64, 48}, SizeCase{17, 9}, SizeCase{2, 2}, SizeCase{1921, 3}));

TEST(JpegEncoding, QualityIsThePicturesOwnSetting)
{
    std::vector<std::uint8_t> rgb = TestPicture(32, 32);
    TDecoded decoded = Decode(EncodeJpeg(Rgb(rgb, 32, 32), 50), 32, 32);
    EXPECT_EQ(decoded.LuminanceDC, 16u);
}

TEST(JpegEncoding, BottomUpBlueGreenRedGivesTheSameFile)
{
    const unsigned width = 33, height = 20;
    std::vector<std::uint8_t> rgb = TestPicture(width, height);
    // The same picture as a Windows DIB stores it: rows bottom-up, padded to 4 bytes, BGR.
    const size_t stride = (width * 3 + 3) & ~size_t{3};
    std::vector<std::uint8_t> dib(stride * height, 0xEE);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                dib[(height - 1 - y) * stride + x * 3 + c] = rgb[(static_cast<size_t>(y) * width + x) * 3 + (2 - c)];
    TPixels24 bgr{dib.data() + (height - 1) * stride, width, height, -static_cast<std::ptrdiff_t>(stride), TPixelOrder::Bgr};
    EXPECT_EQ(EncodeJpeg(bgr), EncodeJpeg(Rgb(rgb, width, height)));
}

struct RefusedCase {
    const char* name;
    unsigned width, height;
};

class RefusedPicture : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedPicture, RaisesTheLibrarysError)
{
    std::vector<std::uint8_t> pixels(16 * 3);
    TPixels24 picture{pixels.data(), GetParam().width, GetParam().height, 3, TPixelOrder::Rgb};
    try {
        EncodeJpeg(picture);
        FAIL() << "no exception";
    } catch (const EJPEG& error) {
        EXPECT_FALSE(error.Message().empty());
        EXPECT_STREQ(error.ClassName(), "EJPEG");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedPicture, ::testing::Values(
    RefusedCase{"NoWidth", 0, 4}, RefusedCase{"NoHeight", 4, 0}, RefusedCase{"TooWide", 70000, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the output buffer's growth

TEST(JpegOutput, GrowsWithoutLosingABit)
{
    const unsigned width = 512, height = 512;
    std::vector<std::uint8_t> grey = GreyNoise(width, height);
    int doublings = 0;
    std::vector<std::uint8_t> jpeg = EncodeJpeg(Rgb(grey, width, height), 100, [&](std::vector<std::uint8_t>& bytes) {
        ++doublings;
        bytes.resize(bytes.size() * 2);
        return true;
    });
    EXPECT_GE(doublings, 3);
    EXPECT_EQ(jpeg, EncodeJpeg(Rgb(grey, width, height), 100));
    TDecoded decoded = Decode(jpeg, width, height);
    EXPECT_LE(LargestDifference(decoded.Rgb, grey), 4);
    // Growing by a few bytes at a time gives the same file.
    EXPECT_EQ(EncodeJpeg(Rgb(grey, width, height), 100, [](std::vector<std::uint8_t>& bytes) {
        bytes.resize(bytes.size() + 1000);
        return true;
    }), jpeg);
}

struct FailedGrowthCase {
    const char* name;
    std::function<bool(std::vector<std::uint8_t>&)> grow;
};

class FailedGrowth : public ::testing::TestWithParam<FailedGrowthCase> {};

// The second growth fails, after the first has replaced the buffer: the library's error, and
// the buffer freed once by its one owner (the sanitizer build sees any second free or leak).
TEST_P(FailedGrowth, AfterAnEarlierOneRaisesOutOfMemory)
{
    std::vector<std::uint8_t> grey = GreyNoise(512, 512);
    int growths = 0;
    auto grow = [&](std::vector<std::uint8_t>& bytes) {
        if (++growths == 1) {
            bytes.resize(bytes.size() * 2);
            return true;
        }
        return GetParam().grow(bytes);
    };
    try {
        EncodeJpeg(Rgb(grey, 512, 512), 90, grow);
        FAIL() << "no exception";
    } catch (const EJPEG& error) {
        EXPECT_NE(error.Message().find(u"Insufficient memory"), std::u16string::npos);
    }
    EXPECT_EQ(growths, 2);
    // The encoder is left as usable as before.
    EXPECT_EQ(Decode(EncodeJpeg(Rgb(grey, 512, 512)), 512, 512).Width, 512u);
}

INSTANTIATE_TEST_SUITE_P(Table, FailedGrowth, ::testing::Values(
    FailedGrowthCase{"Refused", [](std::vector<std::uint8_t>&) { return false; }},
    FailedGrowthCase{"Throws", [](std::vector<std::uint8_t>&) -> bool { throw std::bad_alloc(); }},
    FailedGrowthCase{"KeepsTheSize", [](std::vector<std::uint8_t>&) { return true; }},
    FailedGrowthCase{"Shrinks", [](std::vector<std::uint8_t>& bytes) {
        bytes.resize(bytes.size() / 2);
        return true;
    }}),
    [](const auto& info) { return std::string(info.param.name); });

class JpegFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        FFolder = std::filesystem::temp_directory_path()
            / ("zel_jpeg_test_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(FFolder);
    }
    void TearDown() override { std::filesystem::remove_all(FFolder); }
    std::vector<std::uint8_t> ReadBack(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
    }
    std::filesystem::path FFolder;
};

TEST_F(JpegFile, ReplacesAnExistingFile)
{
    auto path = FFolder / u"Screenshot.jpg";
    WriteFileBytes(path, std::vector<std::uint8_t>(5000, 1));
    std::vector<std::uint8_t> rgb = TestPicture(8, 8);
    std::vector<std::uint8_t> jpeg = EncodeJpeg(Rgb(rgb, 8, 8));
    WriteFileBytes(path, jpeg);
    EXPECT_EQ(ReadBack(path), jpeg);
}

TEST_F(JpegFile, MissingFolderRaisesCreateError)
{
    EXPECT_THROW(WriteFileBytes(FFolder / "missing" / "Screenshot.jpg", {1, 2, 3}), EFCreateError);
}

} // namespace
} // namespace zel
