// Helpers of the configuration store's tests: a temporary folder of one's own, file bytes, and
// the portable code page service installed for the duration of a test.
#pragma once

#include "platform/Exceptions.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileAccess.h"
#include "platform/PortableCodePage.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace zel::testing {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder()
    {
        static std::atomic<unsigned> counter{0};
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            FPath = base / ("zel-storage-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
            if (std::filesystem::create_directory(FPath))
                break;
        }
    }
    ~TTempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(FPath, error);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const noexcept { return FPath; }
    // The folder as the add-in names it (UTF-16, the platform's separators).
    std::u16string Text() const { return FromFileSystemPath(FPath); }
    std::u16string Text(std::u16string_view name) const { return FromFileSystemPath(FPath) + Separator() + std::u16string(name); }
    static std::u16string Separator()
    {
#ifdef _WIN32
        return u"\\";
#else
        return u"/";
#endif
    }

private:
    std::filesystem::path FPath;
};

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Installs a portable code page service with the given ANSI code page for its lifetime.
class TUseCodePage {
public:
    explicit TUseCodePage(unsigned ansi) : FService(ansi) { SetAnsiCodePage(&FService); }
    ~TUseCodePage() { SetAnsiCodePage(nullptr); }
    TUseCodePage(const TUseCodePage&) = delete;
    TUseCodePage& operator=(const TUseCodePage&) = delete;

private:
    TPortableCodePage FService;
};

// Lines joined with CR LF, the last one included.
inline std::string CrLfLines(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (auto line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace zel::testing
