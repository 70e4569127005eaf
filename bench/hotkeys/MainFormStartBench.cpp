// Measures what Outlook times at start-up for the add-in's settings window: its creation step
// (the window and its controls, the error log and config.xml bound, the extended-MAPI session
// set up) plus its first-show step (column widths, the table, one registered hotkey per row),
// with a table of 100 rows.
//
//   bench_main_form_start [runs]   (Windows; run under Wine by hand; default 5 runs)
//
// Each run creates the window anew over the same config.xml in a temporary data folder, with the
// stand-in Outlook's namespace and the stand-in zelre.dll, and destroys it afterwards (not timed;
// the registrations end with the window). One run before them warms the caches and is not
// counted. Prints the median and the maximum of creation, first-show step, and both together.
#include "hotkeys/Main.h"
#include "mapi/uRedemptionLoader.h"
#include "diagnostics/ZelDebug.h"
#include "outlook/LateBinding.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "standins/outlook/StandinOutlook.h"
#include "support/TestLibraries.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <windows.h>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Max(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// config.xml with 100 rows of distinct chords that no other program is likely to hold.
std::string HundredRows()
{
    const char* modifiers[] = {"Shift+Ctrl+Alt+", "Ctrl+Alt+", "Shift+Alt+", "Shift+Ctrl+"};
    std::string rows;
    int count = 0;
    for (const char* modifier : modifiers)
        for (char key = 'A'; key <= 'Z' && count < 100; ++key, ++count)
            rows += "<" + std::to_string(count) + "><HotKey>" + modifier + key + "</HotKey><Action>Insert Text</Action>"
                    "<Settings>Row " + std::to_string(count) + "</Settings></" + std::to_string(count) + ">\r\n";
    return "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>\r\n<Configuration><MainForm><HotKeys>"
           "<Count>100</Count>\r\n" + rows + "</HotKeys></MainForm></Configuration>\r\n";
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 5;
    const zel::TComApartment apartment;
    zel::InitializeLoaderInstance();
    zel::InitializeExceptionTracking();

    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + L"zel_bench_main_form";
    std::filesystem::create_directories(folder);
    const std::string config = HundredRows();

    auto outlook = zel::standin::TStandinApplication::Create();
    auto nameSpace = zel::OleGet(outlook->Dispatch(), L"Session").AsDispatch();
    std::vector<double> creation, firstShow, total;
    for (int run = 0; run <= runs; ++run) {
        std::ofstream(std::filesystem::path(folder) / "config.xml", std::ios::binary) << config;
        zel::TMainFormSettings settings;
        settings.DataFolder = zel::ToU16(folder);
        settings.LibraryPath = zel::testing::BuildPath(ZEL_BENCH_ZELRE_DLL);
        settings.NameSpace = nameSpace.Get();
        LARGE_INTEGER start, created, shown;
        QueryPerformanceCounter(&start);
        auto form = std::make_unique<zel::TMainForm>(settings);
        QueryPerformanceCounter(&created);
        form->FormShow();
        QueryPerformanceCounter(&shown);
        if (form->Rows().Count() != 100 || form->HotKeys().size() != 100 || !form->RSession()) {
            std::fprintf(stderr, "run %d: the window did not load its 100 rows and session\n", run);
            return 1;
        }
        size_t registered = 0;
        for (const auto& hotKey : form->HotKeys())
            registered += hotKey->Active() ? 1 : 0;
        form.reset();
        if (run == 0) {
            std::printf("warm-up run: %zu of 100 hotkeys registered\n", registered);
            continue;
        }
        creation.push_back(Milliseconds(start, created));
        firstShow.push_back(Milliseconds(created, shown));
        total.push_back(Milliseconds(start, shown));
    }
    std::printf("%d runs, 100 rows            median       max\n", runs);
    std::printf("creation step           %8.3f ms %8.3f ms\n", Median(creation), Max(creation));
    std::printf("first-show step         %8.3f ms %8.3f ms\n", Median(firstShow), Max(firstShow));
    std::printf("creation + first show   %8.3f ms %8.3f ms\n", Median(total), Max(total));
    nameSpace.Reset();
    outlook.Reset();
    std::filesystem::remove_all(folder);
    zel::FinalizeExceptionTracking();
    zel::FinalizeLoaderInstance();
    return 0;
}
