// Measures what one "Send Desktop Screenshot" press costs, stage by stage.
//
//   bench_screenshot [runs]
//
// Windows (run under Wine by hand): the capture of the primary screen, the JPEG encoding of the
// captured pixels, the file write, the three together, the attaching of the written file to a
// new message (Drafts, Items.Add, Attachments.Add, as the action does) on an extended-MAPI
// session over the stand-in Outlook, and the whole action (SendDesktopScreenshot) on that
// session, each as the median of the runs.
// Natively: the encoding of a synthetic 1920x1080 picture, and libjpeg-turbo's cjpeg on the
// same pixels (quality 90, baseline) as a ratio; cjpeg's own process start and file reading
// are measured with a 1x1 picture and reported separately.
#include "hotkeys/actions/JpegWriter.h"

#ifdef _WIN32
#include "hotkeys/actions/ScreenCapture.h"
#ifdef ZEL_BENCH_ZELRE_DLL
#include "hotkeys/actions/DesktopScreenshotMail.h"
#include "support/TestLibraries.h"
#include "outlook/LateBinding.h"
#include "support/StandinOutlookWithSession.h"
#include "platform/Handles.h"
#endif
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The median time of work over the runs; afterEach (not timed) runs after every run.
double MedianMilliseconds(int runs, const std::function<void()>& work, const std::function<void()>& afterEach = {})
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (afterEach)
            afterEach();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A screen-like picture: a desktop gradient, flat windows and lines of "text".
std::vector<std::uint8_t> SyntheticScreen(unsigned width, unsigned height)
{
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    std::uint32_t random = 12345;
    auto next = [&random] { random = random * 1664525u + 1013904223u; return random >> 24; };
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            bool window = (x / 480 + y / 270) % 3 == 1;
            if (window) {
                bool textLine = (y % 18) < 11 && (x % 480) > 20 && (x % 480) < 440;
                std::uint8_t ink = textLine && (next() & 3) == 0 ? 30 : 240;
                p[0] = p[1] = p[2] = ink;
            } else {
                p[0] = static_cast<std::uint8_t>(20 + x * 80 / width);
                p[1] = static_cast<std::uint8_t>(60 + y * 100 / height);
                p[2] = static_cast<std::uint8_t>(140 + (x + y) * 60 / (width + height));
            }
        }
    return rgb;
}

zel::TPixels24 RgbPixels(const std::vector<std::uint8_t>& rgb, unsigned width, unsigned height)
{
    return {rgb.data(), width, height, static_cast<std::ptrdiff_t>(width) * 3, zel::TPixelOrder::Rgb};
}

#ifdef _WIN32

#ifdef ZEL_BENCH_ZELRE_DLL

// An extended-MAPI session of the stand-in library over the stand-in Outlook, set up as the
// settings window sets up its session, inside a COM apartment of its own.
class TMailSetup {
public:
    TMailSetup() { FStandins.emplace(zel::testing::BuildPath(ZEL_BENCH_ZELRE_DLL)); }
    ~TMailSetup() { FStandins.reset(); }
    TMailSetup(const TMailSetup&) = delete;
    TMailSetup& operator=(const TMailSetup&) = delete;

    IDispatch* Session() const noexcept { return FStandins->Session(); }
    // Closes the message windows the action opened, so that every run finds the same Outlook.
    void CloseInspectors()
    {
        zel::standin::TStandinApplication* outlook = FStandins->Outlook();
        while (outlook->Inspectors()->Count() > 0)
            outlook->Inspectors()->At(0)->Close();
    }

private:
    zel::TComApartment FApartment; // declared first: left after the stand-ins let go
    std::optional<zel::testing::TStandinOutlookWithSession> FStandins;
};

// A new message in the Drafts folder with the file attached, as the action makes it.
void AttachToNewMessage(IDispatch* session, const std::wstring& file)
{
    zel::TOleVariant drafts = zel::OleCall(session, L"GetDefaultFolder", {zel::TOleVariant(std::int32_t{16})});
    zel::TOleVariant mail = zel::OleCall(zel::OleGet(drafts, L"Items"), L"Add", {zel::TOleVariant(L"IPM.Note")});
    zel::OleCall(zel::OleGet(mail, L"Attachments"), L"Add",
                 {zel::TOleVariant(file), zel::TOleVariant(std::int32_t{1}), zel::TOleVariant::NotGiven(),
                  zel::TOleVariant(zel::ScreenshotAttachmentName)});
}

#endif

int RunWindows(int runs)
{
    zel::TScreenPicture picture = zel::CaptureScreen();
    std::printf("screen: %ux%u, %d runs, medians:\n", picture.Width, picture.Height, runs);
    double capture = MedianMilliseconds(runs, [] { zel::CaptureScreen(); });
    zel::TPixels24 pixels{picture.Pixels.data(), picture.Width, picture.Height,
        static_cast<std::ptrdiff_t>(picture.Stride), zel::TPixelOrder::Bgr};
    std::vector<std::uint8_t> jpeg;
    double encode = MedianMilliseconds(runs, [&] { jpeg = zel::EncodeJpeg(pixels); });
    std::wstring file = (std::filesystem::temp_directory_path() / L"zel_bench_screenshot.jpg").wstring();
    double write = MedianMilliseconds(runs, [&] { zel::WriteFileBytes(file, jpeg); });
    double whole = MedianMilliseconds(runs, [&] { zel::SaveScreenshot(file); });
    unsigned width = 1920, height = 1080;
    std::vector<std::uint8_t> synthetic = SyntheticScreen(width, height);
    double syntheticEncode = MedianMilliseconds(runs, [&] { zel::EncodeJpeg(RgbPixels(synthetic, width, height)); });
    std::printf("capture                 %8.2f ms\n", capture);
    std::printf("encode captured pixels  %8.2f ms (%zu bytes)\n", encode, jpeg.size());
    std::printf("write the file          %8.2f ms\n", write);
    std::printf("capture+encode+write    %8.2f ms\n", whole);
    std::printf("encode synthetic 1920x1080 %5.2f ms\n", syntheticEncode);
#ifdef ZEL_BENCH_ZELRE_DLL
    {
        TMailSetup mail;
        // The file SaveScreenshot wrote last is the one the action attaches.
        double attach = MedianMilliseconds(runs, [&] { AttachToNewMessage(mail.Session(), file); });
        // A busy desktop makes a larger file than the mostly empty screen of a test display.
        std::wstring busyFile = (std::filesystem::temp_directory_path() / L"zel_bench_busy_screen.jpg").wstring();
        std::vector<std::uint8_t> busyJpeg = zel::EncodeJpeg(RgbPixels(synthetic, width, height));
        zel::WriteFileBytes(busyFile, busyJpeg);
        double attachBusy = MedianMilliseconds(runs, [&] { AttachToNewMessage(mail.Session(), busyFile); });
        std::filesystem::remove(busyFile);
        const std::u16string recipients = u"first@example.com\r\nsecond@example.com";
        double total = MedianMilliseconds(runs, [&] { zel::SendDesktopScreenshot(mail.Session(), recipients); },
                                          [&] { mail.CloseInspectors(); });
        std::printf("attach (Drafts, Items.Add, Attachments.Add) %5.2f ms (%zu bytes)\n", attach, jpeg.size());
        std::printf("attach the synthetic screen's file          %5.2f ms (%zu bytes)\n", attachBusy, busyJpeg.size());
        std::printf("whole action (SendDesktopScreenshot)        %5.2f ms\n", total);
        std::printf("  of which after capture+encode+write+attach %4.2f ms\n", total - whole - attach);
    }
#else
    std::printf("no stand-in extended-MAPI library: attach and whole action not measured\n");
#endif
    std::filesystem::remove(file);
    return 0;
}

#else

void WritePpm(const std::filesystem::path& path, const std::vector<std::uint8_t>& rgb, unsigned width, unsigned height)
{
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << width << " " << height << "\n255\n";
    file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

int RunNative(int runs)
{
    const unsigned width = 1920, height = 1080;
    std::vector<std::uint8_t> rgb = SyntheticScreen(width, height);
    std::vector<std::uint8_t> ours;
    double encode = MedianMilliseconds(runs, [&] { ours = zel::EncodeJpeg(RgbPixels(rgb, width, height)); });
    std::printf("synthetic %ux%u screen, %d runs, medians:\n", width, height, runs);
    std::printf("EncodeJpeg              %8.2f ms (%zu bytes)\n", encode, ours.size());

    const char* cjpeg = std::getenv("CJPEG");
    std::string program = cjpeg ? cjpeg : "/usr/bin/cjpeg";
    if (!std::filesystem::exists(program)) {
        std::printf("cjpeg not found (%s): no comparison\n", program.c_str());
        return 0;
    }
    auto folder = std::filesystem::temp_directory_path() / ("zel_bench_" + std::to_string(std::rand()));
    std::filesystem::create_directories(folder);
    WritePpm(folder / "screen.ppm", rgb, width, height);
    WritePpm(folder / "dot.ppm", std::vector<std::uint8_t>{1, 2, 3}, 1, 1);
    auto command = [&](const char* input, const char* output) {
        return program + " -quality 90 -baseline -outfile '" + (folder / output).string() + "' '" + (folder / input).string() + "'";
    };
    std::string screenCommand = command("screen.ppm", "screen.jpg");
    std::string dotCommand = command("dot.ppm", "dot.jpg");
    int status = 0;
    double whole = MedianMilliseconds(runs, [&] { status |= std::system(screenCommand.c_str()); });
    double start = MedianMilliseconds(runs, [&] { status |= std::system(dotCommand.c_str()); });
    std::vector<std::uint8_t> theirs = ReadBytes(folder / "screen.jpg");
    std::filesystem::remove_all(folder);
    if (status != 0) {
        std::printf("cjpeg failed\n");
        return 1;
    }
    double theirEncode = std::max(0.01, whole - start);
    std::printf("cjpeg whole run         %8.2f ms (%zu bytes, %s our file)\n", whole, theirs.size(),
        theirs == ours ? "identical to" : "differs from");
    std::printf("cjpeg 1x1 run (start)   %8.2f ms\n", start);
    std::printf("ratio EncodeJpeg / cjpeg whole run        %5.2f\n", encode / whole);
    std::printf("ratio EncodeJpeg / (cjpeg run - start)    %5.2f\n", encode / theirEncode);
    return 0;
}

#endif

} // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    try {
#ifdef _WIN32
        return RunWindows(runs);
#else
        return RunNative(runs);
#endif
    } catch (const zel::Exception& error) {
        std::printf("failed: %s\n", error.what());
        return 1;
    }
}
