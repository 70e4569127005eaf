// Capture of the real (Xvfb) screen under Wine, the JPEG file made of it, and the picture
// file's name from the environment.
#include "support/JpegDecode.h"
#include "hotkeys/actions/ScreenCapture.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <windows.h>

namespace zel {
namespace {

using testing::Decode;
using testing::TDecoded;

// A top-most borderless window filled with one colour, painted before the capture.
class TColourWindow {
public:
    TColourWindow(int x, int y, int width, int height, COLORREF colour)
        : FBrush(CreateSolidBrush(colour)),
          FWindow({WS_EX_TOPMOST | WS_EX_TOOLWINDOW, WS_POPUP, {x, y, x + width, y + height}})
    {
        // The window paints its background with the colour.
        FWindow.OnMessage = [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_ERASEBKGND)
                return std::nullopt;
            RECT area;
            GetClientRect(FWindow.Handle(), &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, FBrush);
            return 1;
        };
        const HWND handle = FWindow.Handle();
        ShowWindow(handle, SW_SHOWNOACTIVATE);
        UpdateWindow(handle);
        HDC dc = GetDC(handle);
        RECT area{0, 0, width, height};
        FillRect(dc, &area, FBrush);
        ReleaseDC(handle, dc);
        GdiFlush();
        // Let the window system show it.
        for (int i = 0; i < 20; ++i) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            Sleep(10);
        }
    }
    ~TColourWindow()
    {
        FWindow.Destroy();
        DeleteObject(FBrush);
    }

private:
    HBRUSH FBrush;
    testing::TTestWindow FWindow;
};

struct TPixel {
    int Blue, Green, Red;
};

TPixel PixelAt(const TScreenPicture& picture, unsigned x, unsigned y)
{
    const std::uint8_t* p = &picture.Pixels[y * picture.Stride + x * 3];
    return {p[0], p[1], p[2]};
}

TEST(ScreenCapture, TakesThePrimaryScreenFromItsOrigin)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    // A red block in the bottom-right corner: an offset or a wrong size would miss it.
    TColourWindow block(width - 64, height - 32, 64, 32, RGB(255, 0, 0));
    TScreenPicture picture = CaptureScreen();
    EXPECT_EQ(picture.Width, static_cast<unsigned>(width));
    EXPECT_EQ(picture.Height, static_cast<unsigned>(height));
    EXPECT_EQ(picture.Stride % 4, 0u);
    ASSERT_EQ(picture.Pixels.size(), picture.Stride * picture.Height);
    for (auto [x, y] : {std::pair{width - 64, height - 32}, std::pair{width - 1, height - 1}}) {
        TPixel pixel = PixelAt(picture, static_cast<unsigned>(x), static_cast<unsigned>(y));
        EXPECT_EQ(pixel.Red, 255) << x << "," << y;
        EXPECT_EQ(pixel.Green, 0);
        EXPECT_EQ(pixel.Blue, 0);
    }
    TPixel outside = PixelAt(picture, static_cast<unsigned>(width - 65), static_cast<unsigned>(height - 33));
    EXPECT_FALSE(outside.Red == 255 && outside.Green == 0 && outside.Blue == 0);
    RecordProperty("ScreenSize", std::to_string(width) + "x" + std::to_string(height));
}

TEST(ScreenCapture, SavesTheScreenAsJpeg)
{
    auto file = std::filesystem::temp_directory_path() / L"zel_capture_test.jpg";
    std::filesystem::remove(file);
    {
        std::ofstream old(file, std::ios::binary);
        old << std::string(10000, 'x');
    }
    SaveScreenshot(file.wstring());
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> jpeg{std::istreambuf_iterator<char>(in), {}};
    in.close();
    std::filesystem::remove(file);
    unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    TDecoded decoded = Decode(jpeg, width, height);
    EXPECT_EQ(decoded.Width, width);
    EXPECT_EQ(decoded.Height, height);
    EXPECT_EQ(decoded.Components, 3);
    EXPECT_FALSE(decoded.Progressive);
    EXPECT_EQ(decoded.LuminanceDC, 3u); // quality 90
}

// The environment and current directory of the process, restored after each test.
class PictureFileName : public ::testing::Test {
protected:
    void SetUp() override
    {
        FTmp = Variable(L"TMP");
        FTemp = Variable(L"TEMP");
        wchar_t current[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, current);
        FCurrent = current;
        FFolder = std::filesystem::temp_directory_path() / L"Zel Long Folder Name For Tests";
        std::filesystem::create_directories(FFolder);
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"TMP", FTmp ? FTmp->c_str() : nullptr);
        SetEnvironmentVariableW(L"TEMP", FTemp ? FTemp->c_str() : nullptr);
        SetCurrentDirectoryW(FCurrent.c_str());
        std::filesystem::remove_all(FFolder);
    }
    static std::optional<std::wstring> Variable(const wchar_t* name)
    {
        wchar_t value[32767];
        DWORD length = GetEnvironmentVariableW(name, value, 32767);
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return std::nullopt;
        return std::wstring(value, length);
    }
    static std::wstring ShortName(const std::wstring& path)
    {
        wchar_t shortName[MAX_PATH];
        DWORD length = GetShortPathNameW(path.c_str(), shortName, MAX_PATH);
        return std::wstring(shortName, length);
    }
    std::optional<std::wstring> FTmp, FTemp;
    std::wstring FCurrent;
    std::filesystem::path FFolder;
};

TEST_F(PictureFileName, IsTempInItsLongForm)
{
    std::wstring longName = FFolder.wstring();
    std::wstring shortName = ShortName(longName);
    ASSERT_FALSE(shortName.empty());
    ASSERT_NE(shortName, longName) << "the folder has a short name";
    SetEnvironmentVariableW(L"TMP", L"C:\\elsewhere");
    SetEnvironmentVariableW(L"TEMP", shortName.c_str());
    EXPECT_EQ(ScreenshotFileName(), longName + L"\\Screenshot.jpg");
    SetEnvironmentVariableW(L"TEMP", (shortName + L"\\").c_str());
    EXPECT_EQ(ScreenshotFileName(), longName + L"\\Screenshot.jpg") << "no doubled backslash";
}

TEST_F(PictureFileName, MissingFolderIsTakenAsItStands)
{
    SetEnvironmentVariableW(L"TMP", L"C:\\x");
    SetEnvironmentVariableW(L"TEMP", L"C:\\NoSuchFold~1\\Deeper");
    EXPECT_EQ(ScreenshotFileName(), L"C:\\NoSuchFold~1\\Deeper\\Screenshot.jpg");
}

struct MissingCase {
    const char* name;
    const wchar_t* tmp;  // nullptr: not in the environment
    const wchar_t* temp;
};

class PictureFileNameWithoutTemp : public PictureFileName, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(PictureFileNameWithoutTemp, IsInTheCurrentDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryW(ShortName(FFolder.wstring()).c_str()));
    SetEnvironmentVariableW(L"TMP", GetParam().tmp);
    SetEnvironmentVariableW(L"TEMP", GetParam().temp);
    EXPECT_EQ(ScreenshotFileName(), FFolder.wstring() + L"\\Screenshot.jpg");
}

INSTANTIATE_TEST_SUITE_P(Table, PictureFileNameWithoutTemp, ::testing::Values(
    MissingCase{"NoTmp", nullptr, L"C:\\windows"},
    MissingCase{"NoTemp", L"C:\\windows", nullptr},
    MissingCase{"Neither", nullptr, nullptr},
    MissingCase{"EmptyTemp", L"C:\\windows", L""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PictureFileName, RootAsCurrentDirectoryKeepsOneBackslash)
{
    SetEnvironmentVariableW(L"TMP", nullptr);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    EXPECT_EQ(ScreenshotFileName(), L"C:\\Screenshot.jpg");
}

} // namespace
} // namespace zel
