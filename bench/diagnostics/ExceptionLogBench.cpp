// The price of the exception log: one logged exception block with the log at its size limit
// (entries in memory, the whole file rewritten per entry), and the interception alone that every
// throw pays when no notifier is registered.
#include "platform/Exceptions.h"
#include "diagnostics/JvLogFile.h"
#include "diagnostics/LogException.h"
#include "diagnostics/ZelDebug.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

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

} // namespace

int main()
{
    using namespace zel;
    InitializeExceptionTracking();

    // Interception only: tracking stopped, no notifier, so a throw pays the notifier check.
    JclStopExceptionTracking();
    double bare = MicrosecondsPerRun(20000, &ThrowAndCatch);
    std::printf("throw+catch, no notifier registered:          %8.2f us\n", bare);

    // The frame tracker alone (module initialised, settings window not yet created).
    JclStartExceptionTracking();
    double tracked = MicrosecondsPerRun(20000, &ThrowAndCatch);
    std::printf("throw+catch, frame tracker only:               %8.2f us\n", tracked);

    // A log at its limit, in memory and with the file rewritten after every entry.
    for (bool toFile : {false, true}) {
        TJvLogFile log;
        log.SetSizeLimit(1048576);
        std::filesystem::path file = std::filesystem::temp_directory_path() / "zel-bench-error.log";
        std::filesystem::remove(file);
        const std::u16string filler(70, u'x');
        while (log.Text().size() < 1048576)
            for (int i = 0; i < 1000; ++i)
                log.Add(filler, u"");
        if (toFile) {
            log.SetFileName(file.u16string());
            log.SetAutoSave(true);
        }
        JclAddExceptNotifier(LogExceptionNotifier(log), npNormal);
        int runs = toFile ? 20 : 2000;
        double logged = MicrosecondsPerRun(runs, &ThrowAndCatch);
        JclRemoveExceptNotifier(LogExceptionNotifier(log));
        std::printf("throw+catch, logged at the size limit (%s): %8.2f us per block (%zu entries, %zu characters)\n",
                    toFile ? "file  " : "memory", logged, log.Count(), log.Text().size());
        std::filesystem::remove(file);
    }
    FinalizeExceptionTracking();
    return 0;
}
