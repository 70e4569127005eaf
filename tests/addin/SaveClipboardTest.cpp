// The clipboard snapshot on the real clipboard: each kind of content is put there, saved, replaced
// by the 16 x 16 face bitmap the toolbar pastes, restored (twice) and read back.
#include "addin/uSaveClipboard.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

namespace zel {
namespace {

using TBytes = std::vector<std::uint8_t>;

// ---- Putting content on the clipboard and reading it back, as other programs do.

// A window of the test's own that owns what the test puts on the clipboard.
HWND TestOwner()
{
    static const HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return window;
}

TGlobalMemory GlobalBlock(const void* data, std::size_t size)
{
    TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (memory) {
        std::memcpy(GlobalLock(memory.get()), data, size);
        GlobalUnlock(memory.get());
    }
    return memory;
}

TGlobalMemory TextBlock(const std::wstring& text)
{
    return GlobalBlock(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

TGlobalMemory BytesBlock(const TBytes& bytes)
{
    return GlobalBlock(bytes.data(), bytes.size());
}

// Sets the data under the format; the clipboard must be open. The clipboard takes the handle.
template <class Owner>
void Set(UINT format, Owner handle)
{
    ASSERT_NE(SetClipboardData(format, handle.get()), nullptr) << "format " << format;
    handle.release();
}

// Empties the clipboard and puts what `put` sets on it.
void PutOnClipboard(const std::function<void()>& put)
{
    const TClipboardOpen clipboard(TestOwner());
    ASSERT_TRUE(clipboard.IsOpen());
    ASSERT_TRUE(EmptyClipboard());
    put();
}

// A bitmap compatible with the screen whose every pixel has its own colour.
TBitmapHandle PatternBitmap(int width, int height)
{
    const TScreenDC screen;
    TBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    const TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    const TSelection selected(memory.get(), bitmap.get());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(memory.get(), x, y, RGB(x * 9 % 256, y * 23 % 256, (x * y) % 256));
    return bitmap;
}

// The bitmap's pixels as 32-bit top-down rows.
std::vector<std::uint32_t> Pixels(HBITMAP bitmap)
{
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info))
        return {};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    const TScreenDC screen;
    if (GetDIBits(screen.Get(), bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS) != info.bmHeight)
        return {};
    return pixels;
}

// The face the toolbar puts on the clipboard between Save and Restore.
void PutFaceBitmap()
{
    PutOnClipboard([] { Set(CF_BITMAP, PatternBitmap(16, 16)); });
}

std::vector<UINT> ListedFormats()
{
    const TClipboardOpen clipboard(TestOwner());
    std::vector<UINT> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

// The data block of a memory format, empty when it is absent.
TBytes ReadBytes(UINT format)
{
    const TClipboardOpen clipboard(TestOwner());
    const HANDLE data = GetClipboardData(format);
    if (!data)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(data));
    TBytes result(bytes, bytes + GlobalSize(data));
    GlobalUnlock(data);
    return result;
}

std::wstring ReadText()
{
    const TBytes bytes = ReadBytes(CF_UNICODETEXT);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// Whether the block starts with the bytes (the system may round a block's size up).
::testing::AssertionResult StartsWith(const TBytes& block, const TBytes& bytes)
{
    if (block.size() < bytes.size())
        return ::testing::AssertionFailure() << "block of " << block.size() << " bytes, expected " << bytes.size();
    if (!std::equal(bytes.begin(), bytes.end(), block.begin()))
        return ::testing::AssertionFailure() << "the bytes differ";
    return ::testing::AssertionSuccess();
}

TBytes AsBytes(const std::string& text)
{
    return TBytes(text.begin(), text.end());
}

UINT Registered(const wchar_t* name)
{
    return RegisterClipboardFormatW(name);
}

// An HTML Format block with its header, as browsers copy.
std::string HtmlFormatBlock()
{
    const std::string fragment = "<b>Zelkor</b> &amp; <i>Hotkeys</i>";
    const std::string start = "<html><body><!--StartFragment-->";
    const std::string end = "<!--EndFragment--></body></html>";
    const std::string headerPattern =
        "Version:0.9\r\nStartHTML:%08d\r\nEndHTML:%08d\r\nStartFragment:%08d\r\nEndFragment:%08d\r\n";
    const int headerLength = 97;
    char header[128];
    std::snprintf(header, sizeof header, headerPattern.c_str(), headerLength,
        headerLength + static_cast<int>(start.size() + fragment.size() + end.size()),
        headerLength + static_cast<int>(start.size()),
        headerLength + static_cast<int>(start.size() + fragment.size()));
    return header + start + fragment + end;
}

// A file list as Explorer copies it: DROPFILES and double-zero-ended wide paths.
TBytes DropFilesBlock(const std::vector<std::wstring>& files)
{
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    TBytes block(reinterpret_cast<const std::uint8_t*>(&header), reinterpret_cast<const std::uint8_t*>(&header + 1));
    for (const std::wstring& file : files) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.c_str());
        block.insert(block.end(), bytes, bytes + (file.size() + 1) * sizeof(wchar_t));
    }
    block.insert(block.end(), {0, 0});
    return block;
}

std::vector<std::wstring> DroppedFiles()
{
    const TClipboardOpen clipboard(TestOwner());
    const auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    std::vector<std::wstring> files;
    if (!drop)
        return files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        wchar_t name[MAX_PATH];
        DragQueryFileW(drop, index, name, MAX_PATH);
        files.emplace_back(name);
    }
    return files;
}

TEnhMetaFileHandle SampleMetafile()
{
    const HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, L"Zelkor\0Sample\0");
    Rectangle(recorder, 10, 10, 200, 120);
    Ellipse(recorder, 20, 30, 90, 100);
    TextOutW(recorder, 30, 40, L"fish", 4);
    return TEnhMetaFileHandle(CloseEnhMetaFile(recorder));
}

TBytes MetafileBits(HENHMETAFILE metafile)
{
    TBytes bits(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
    return bits;
}

TBytes ClipboardMetafileBits()
{
    const TClipboardOpen clipboard(TestOwner());
    const auto metafile = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
    return metafile ? MetafileBits(metafile) : TBytes();
}

std::vector<std::uint32_t> ClipboardBitmapPixels()
{
    const TClipboardOpen clipboard(TestOwner());
    const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    return bitmap ? Pixels(bitmap) : std::vector<std::uint32_t>();
}

// ---- Each kind of content: put there, saved, replaced by the face, restored twice.

struct RoundTrip {
    const char* Name;
    std::function<void()> Put;
    std::function<void()> Check;
};

std::ostream& operator<<(std::ostream& out, const RoundTrip& trip)
{
    return out << trip.Name;
}

const std::wstring SampleText = L"Gr\u00fc\u00dfe aus Zelkor \u2013 line one\r\nline two";
const std::string SampleRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Gr\\'fc\\'dfe {\\b aus} Zelkor\\par}";
const std::vector<std::wstring> SampleFiles = {L"C:\\users\\Public\\first file.txt", L"C:\\windows\\win.ini"};

class SaveClipboardRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SaveClipboardRoundTrip, RestoreBringsTheContentBackAfterTheFaceWasPasted)
{
    PutOnClipboard(GetParam().Put);
    const std::vector<UINT> before = ListedFormats();

    TSaveClipboard snapshot;
    snapshot.Save();
    EXPECT_GT(snapshot.FormatCount(), 0u);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round == 1 ? "first restore" : "second restore");
        PutFaceBitmap();
        snapshot.Restore();
        GetParam().Check();
        // Every format listed before is listed again (put back or converted again by the system).
        const std::vector<UINT> after = ListedFormats();
        for (const UINT format : before)
            EXPECT_NE(std::find(after.begin(), after.end(), format), after.end()) << "format " << format << " lost";
    }
}

INSTANTIATE_TEST_SUITE_P(Contents, SaveClipboardRoundTrip,
    ::testing::Values(
        RoundTrip{"TextOnly",
            [] { Set(CF_UNICODETEXT, TextBlock(SampleText)); },
            [] {
                EXPECT_EQ(ReadText(), SampleText);
                EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP)) << "the face stayed beside the text";
            }},
        RoundTrip{"TextAndRichText",
            [] {
                Set(CF_UNICODETEXT, TextBlock(SampleText));
                const TBytes rtf = AsBytes(SampleRtf + '\0');
                Set(Registered(L"Rich Text Format"), BytesBlock(rtf));
            },
            [] {
                EXPECT_EQ(ReadText(), SampleText);
                EXPECT_TRUE(StartsWith(ReadBytes(Registered(L"Rich Text Format")), AsBytes(SampleRtf + '\0')));
            }},
        RoundTrip{"Bitmap",
            [] { Set(CF_BITMAP, PatternBitmap(37, 21)); },
            [] {
                const TBitmapHandle expected = PatternBitmap(37, 21);
                const std::vector<std::uint32_t> pixels = ClipboardBitmapPixels();
                ASSERT_EQ(pixels.size(), 37u * 21u);
                EXPECT_TRUE(pixels == Pixels(expected.get())) << "the bitmap's pixels differ";
                EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB)) << "no device-independent form offered";
            }},
        RoundTrip{"HtmlAndText",
            [] {
                Set(Registered(L"HTML Format"), BytesBlock(AsBytes(HtmlFormatBlock() + '\0')));
                Set(CF_UNICODETEXT, TextBlock(L"Zelkor & Hotkeys"));
            },
            [] {
                EXPECT_TRUE(StartsWith(ReadBytes(Registered(L"HTML Format")), AsBytes(HtmlFormatBlock() + '\0')));
                EXPECT_EQ(ReadText(), L"Zelkor & Hotkeys");
                const std::vector<UINT> formats = ListedFormats();
                ASSERT_GE(formats.size(), 2u);
                EXPECT_EQ(formats[0], Registered(L"HTML Format")) << "the original order is kept";
                EXPECT_EQ(formats[1], static_cast<UINT>(CF_UNICODETEXT));
            }},
        RoundTrip{"FileList",
            [] { Set(CF_HDROP, BytesBlock(DropFilesBlock(SampleFiles))); },
            [] { EXPECT_EQ(DroppedFiles(), SampleFiles); }},
        RoundTrip{"EnhancedMetafile",
            [] { Set(CF_ENHMETAFILE, SampleMetafile()); },
            [] {
                const TEnhMetaFileHandle expected = SampleMetafile();
                const TBytes bits = ClipboardMetafileBits();
                EXPECT_FALSE(bits.empty());
                EXPECT_TRUE(bits == MetafileBits(expected.get())) << "the metafile's records differ";
                EXPECT_TRUE(IsClipboardFormatAvailable(CF_METAFILEPICT));
            }},
        RoundTrip{"RegisteredFormatOfAnotherProgram",
            [] {
                Set(Registered(L"Zelkor Private Cells"), BytesBlock({1, 2, 3, 0, 255, 254}));
                Set(CF_UNICODETEXT, TextBlock(L"cells"));
            },
            [] {
                EXPECT_TRUE(StartsWith(ReadBytes(Registered(L"Zelkor Private Cells")), {1, 2, 3, 0, 255, 254}));
                EXPECT_EQ(ReadText(), L"cells");
            }}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.Name); });

TEST(SaveClipboard, EmptyClipboardRestoresWithoutEmptyingWhatCameMeanwhile)
{
    PutOnClipboard([] {});
    TSaveClipboard snapshot;
    snapshot.Save();
    EXPECT_EQ(snapshot.FormatCount(), 0u);

    PutFaceBitmap();
    snapshot.Restore();
    const TBitmapHandle face = PatternBitmap(16, 16);
    EXPECT_TRUE(ClipboardBitmapPixels() == Pixels(face.get())) << "the face bitmap did not stay";
}

TEST(SaveClipboard, CapturesEachPictureOnceAndNoHandlesOfOtherPrograms)
{
    PutOnClipboard([] {
        Set(CF_UNICODETEXT, TextBlock(L"mixed"));
        Set(CF_BITMAP, PatternBitmap(8, 8));
        // A private format's handle means something only to the program that put it there.
        Set(CF_PRIVATEFIRST + 5, BytesBlock({7, 7, 7, 7}));
    });
    TSaveClipboard snapshot;
    snapshot.Save();
    const std::vector<UINT> captured = snapshot.CapturedFormats();
    EXPECT_NE(std::find(captured.begin(), captured.end(), static_cast<UINT>(CF_UNICODETEXT)), captured.end());
    EXPECT_NE(std::find(captured.begin(), captured.end(), static_cast<UINT>(CF_BITMAP)), captured.end());
    for (const UINT skipped : {UINT{CF_DIB}, UINT{CF_DIBV5}, UINT{CF_PRIVATEFIRST + 5}})
        EXPECT_EQ(std::find(captured.begin(), captured.end(), skipped), captured.end()) << "format " << skipped;
    EXPECT_EQ(captured.front(), static_cast<UINT>(CF_UNICODETEXT)) << "the order of the clipboard is kept";
}

TEST(SaveClipboard, LeavesOutASingleFormatLargerThan64MB)
{
    const UINT huge = Registered(L"Zelkor Huge Block");
    PutOnClipboard([huge] {
        Set(CF_UNICODETEXT, TextBlock(L"small beside huge"));
        TGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, TSaveClipboard::MaxFormatSize + 1));
        ASSERT_TRUE(block);
        Set(huge, std::move(block));
    });
    TSaveClipboard snapshot;
    snapshot.Save();
    const std::vector<UINT> captured = snapshot.CapturedFormats();
    EXPECT_EQ(std::find(captured.begin(), captured.end(), huge), captured.end());
    EXPECT_EQ(captured.front(), static_cast<UINT>(CF_UNICODETEXT));
    PutFaceBitmap();
    snapshot.Restore();
    EXPECT_EQ(ReadText(), L"small beside huge");
}

// Many round trips of a large block and a large picture: every copy is freed again, by the
// snapshot or by the clipboard when it is emptied (Wine counts no GDI objects per process, so
// the process's committed memory is what is watched).
TEST(SaveClipboard, RoundTripsLeaveMemoryFlat)
{
    PutOnClipboard([] {
        Set(Registered(L"Zelkor Large Block"), BytesBlock(TBytes(2 * 1024 * 1024, 0x5A)));
        Set(CF_BITMAP, PatternBitmap(700, 700));
    });
    const auto committedBytes = [] {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
        return counters.PagefileUsage;
    };
    {
        TSaveClipboard warmUp;
        warmUp.Save();
        warmUp.Restore();
    }
    const SIZE_T start = committedBytes();
    ASSERT_GT(start, 0u);
    for (int round = 0; round < 40; ++round) {
        TSaveClipboard snapshot;
        snapshot.Save();
        ASSERT_EQ(snapshot.FormatCount(), 2u);
        PutFaceBitmap();
        snapshot.Restore();
    }
    // A leak of one copy per round would be 40 x 2 MB at least.
    EXPECT_LT(committedBytes(), start + 30u * 1024u * 1024u);
}

// ---- Another program holding the clipboard open.

std::wstring HolderBesideProgram()
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring path(program);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"zel_clipboard_holder.exe";
}

// zel_clipboard_holder.exe keeping the clipboard open while this object lives.
class TClipboardHolder {
public:
    TClipboardHolder()
        : FReady(CreateEventW(nullptr, TRUE, FALSE, L"ZelClipboardHolderReady")),
          FRelease(CreateEventW(nullptr, TRUE, FALSE, L"ZelClipboardHolderRelease"))
    {
        ResetEvent(FReady.get());
        ResetEvent(FRelease.get());
        std::wstring commandLine = L"\"" + HolderBesideProgram() + L"\" ZelClipboardHolderReady ZelClipboardHolderRelease";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return;
        FProcess.reset(process.hProcess);
        CloseHandle(process.hThread);
        // The messages sent to this thread's windows meanwhile are handled, as a program's
        // UI thread does.
        const HANDLE waits[] = {FReady.get(), FProcess.get()};
        const ULONGLONG deadline = GetTickCount64() + 10000;
        for (;;) {
            const DWORD woken = MsgWaitForMultipleObjects(2, waits, FALSE, 50, QS_ALLINPUT);
            if (woken == WAIT_OBJECT_0 || woken == WAIT_OBJECT_0 + 1 || GetTickCount64() >= deadline) {
                FHolding = woken == WAIT_OBJECT_0;
                return;
            }
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
        }
    }
    ~TClipboardHolder() { Release(); }
    bool Holding() const noexcept { return FHolding; }
    void Release()
    {
        if (!FProcess)
            return;
        SetEvent(FRelease.get());
        WaitForSingleObject(FProcess.get(), 10000);
        FProcess.reset();
        FHolding = false;
    }

private:
    TKernelHandle FReady;
    TKernelHandle FRelease;
    TKernelHandle FProcess;
    bool FHolding = false;
};

// Runs the call, which must raise EOSError "Cannot open clipboard...", and returns how long it took.
ULONGLONG ExpectCannotOpen(const std::function<void()>& call)
{
    const ULONGLONG start = GetTickCount64();
    try {
        call();
        ADD_FAILURE() << "no failure raised";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.Message().rfind(u"Cannot open clipboard", 0), 0u);
        EXPECT_NE(error.ErrorCode(), 0u);
    }
    return GetTickCount64() - start;
}

TEST(SaveClipboard, ClipboardHeldByAnotherProgramFailsSaveQuicklyWithEmptySnapshot)
{
    PutOnClipboard([] { Set(CF_UNICODETEXT, TextBlock(L"held")); });
    TSaveClipboard snapshot;
    snapshot.Save();
    ASSERT_GT(snapshot.FormatCount(), 0u);

    TClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    const ULONGLONG took = ExpectCannotOpen([&] { snapshot.Save(); });
    RecordProperty("save_failure_ms", static_cast<int>(took));
    EXPECT_LT(took, 250u) << "Outlook's UI thread waited too long";
    EXPECT_EQ(snapshot.FormatCount(), 0u) << "a failed Save keeps no old snapshot";
    holder.Release();

    // The failed snapshot restores as an empty one: the clipboard stays as it is.
    snapshot.Restore();
    EXPECT_EQ(ReadText(), L"held");
}

TEST(SaveClipboard, ClipboardHeldByAnotherProgramFailsRestoreAndLeavesClipboardAndSnapshot)
{
    PutOnClipboard([] {
        Set(CF_UNICODETEXT, TextBlock(SampleText));
        Set(CF_BITMAP, PatternBitmap(20, 12));
    });
    TSaveClipboard snapshot;
    snapshot.Save();
    PutFaceBitmap();
    {
        TClipboardHolder holder;
        ASSERT_TRUE(holder.Holding());
        for (int attempt = 0; attempt < 3; ++attempt)
            ExpectCannotOpen([&] { snapshot.Restore(); });
    }
    const TBitmapHandle face = PatternBitmap(16, 16);
    EXPECT_TRUE(ClipboardBitmapPixels() == Pixels(face.get())) << "the failed restore changed the clipboard";

    // Once the other program let go, the same snapshot restores everything.
    snapshot.Restore();
    EXPECT_EQ(ReadText(), SampleText);
    const TBitmapHandle expected = PatternBitmap(20, 12);
    EXPECT_TRUE(ClipboardBitmapPixels() == Pixels(expected.get()));
}

} // namespace
} // namespace zel
