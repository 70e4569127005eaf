// Feeds arbitrary bytes to the error log as an existing file that it reads: whatever the file
// holds, the log reads it, and what it then writes it reads back the same.
#include "diagnostics/JvLogFile.h"
#include "platform/FileAccess.h"
#include "platform/PortableCodePage.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::u16string TemporaryName(const char* part)
{
    // In memory where the system has a memory file system: the log flushes what it writes.
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string name = std::string(folder) + "/zel-fuzz-log-" + std::to_string(getpid()) + part;
    return std::u16string(name.begin(), name.end());
}

void Write(const std::u16string& name, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(std::string(name.begin(), name.end()).c_str(), "wb");
    if (!file)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zel::TPortableCodePage codePage(1252);
    zel::SetAnsiCodePage(&codePage);
    static const std::u16string existing = TemporaryName(".log");
    static const std::u16string rewritten = TemporaryName("-2.log");
    Write(existing, data, size);

    zel::TJvLogFile log;
    log.SetFileName(existing);
    if (!log.Load())
        std::abort(); // a file that is there is read, whatever it holds
    const std::u16string text = log.Text();
    // Bound to a file that exists, the log reads it: the second file must be new.
    std::remove(std::string(rewritten.begin(), rewritten.end()).c_str());
    log.SetFileName(rewritten);
    if (!log.Save())
        std::abort();
    zel::TJvLogFile reread;
    reread.SetFileName(rewritten);
    if (!reread.Load() || reread.Text() != text)
        std::abort();
    return 0;
}
