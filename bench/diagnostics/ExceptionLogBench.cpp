// The price of the exception log: one logged exception block with the log at its size limit,
// in memory only and with error.log written (each block appended, the file trimmed back to the
// limit whenever appends have taken it past the margin), and the interception alone that every
// throw pays when no notifier is registered. Logged blocks are timed one by one: the median is
// the cost of a block that appends, the mean includes the trims.
//
//   exception_log_bench [blocks written to the file, default 300]
#include "platform/Exceptions.h"
#include "diagnostics/JvLogFile.h"
#include "diagnostics/LogException.h"
#include "diagnostics/ZelDebug.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[gnu::noinline]] void Throw()
{
    throw zel::EConvertError(u"'abc' is not a valid integer value");
}

[[gnu::noinline]] void ThrowAndCatch()
{
    try {
        Throw();
    } catch (const zel::Exception&) {
    }
}

double MicrosecondsPerRun(int runs, void (*body)())
{
    auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        body();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
}

struct TTimes {
    double Median, Mean, Slowest; // microseconds
};

// Times each run of body; after each run, `after` runs untimed.
template <typename After>
TTimes TimeEachRun(int runs, void (*body)(), After after)
{
    std::vector<double> times;
    times.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        body();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        after();
    }
    double sum = 0;
    for (double t : times)
        sum += t;
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], sum / runs, times.back()};
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zel;
    const int fileRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    InitializeExceptionTracking();

    // Interception only: tracking stopped, no notifier, so a throw pays the notifier check.
    JclStopExceptionTracking();
    double bare = MicrosecondsPerRun(20000, &ThrowAndCatch);
    std::printf("throw+catch, no notifier registered:          %10.2f us\n", bare);

    // The frame tracker alone (module initialised, settings window not yet created).
    JclStartExceptionTracking();
    double tracked = MicrosecondsPerRun(20000, &ThrowAndCatch);
    std::printf("throw+catch, frame tracker only:               %10.2f us\n", tracked);

    // A log at its limit, in memory, and bound to a file that is already at the limit.
    const std::size_t limit = 1048576;
    for (bool toFile : {false, true}) {
        TJvLogFile log;
        log.SetSizeLimit(limit);
        std::filesystem::path file = std::filesystem::temp_directory_path() / "zel-bench-error.log";
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        const std::u16string filler(70, u'x');
        while (log.Text().size() < limit)
            for (int i = 0; i < 1000; ++i)
                log.Add(filler, u"");
        if (toFile) {
            log.SetFileName(file.u16string());
            log.SetAutoSave(true);
            log.Save();
        }
        JclAddExceptNotifier(LogExceptionNotifier(log), npNormal);
        // Untimed: the file's size after each block, to count the blocks that trimmed it.
        std::uintmax_t size = toFile ? std::filesystem::file_size(file, ignored) : 0, largest = size;
        int trims = 0;
        TTimes times = TimeEachRun(toFile ? fileRuns : 2000, &ThrowAndCatch, [&] {
            if (!toFile)
                return;
            std::uintmax_t now = std::filesystem::file_size(file, ignored);
            trims += now < size;
            largest = std::max(largest, now);
            size = now;
        });
        JclRemoveExceptNotifier(LogExceptionNotifier(log));
        std::printf("throw+catch, logged at the size limit (%s): median %10.2f us, mean %10.2f us, slowest %10.2f us per block"
                    " (%zu entries, %zu characters in memory",
                    toFile ? "file  " : "memory", times.Median, times.Mean, times.Slowest, log.Count(), log.Text().size());
        if (toFile)
            std::printf("; %d blocks, %d trims, file at most %llu bytes, at the end %llu", fileRuns, trims,
                        static_cast<unsigned long long>(largest), static_cast<unsigned long long>(size));
        std::printf(")\n");
        std::filesystem::remove(file, ignored);
        std::filesystem::remove(std::filesystem::path(file) += ".tmp", ignored);
    }
    FinalizeExceptionTracking();
    return 0;
}
