// The places a running add-in uses for real, prepared for a test and put back afterwards: the
// per-user data folder (config.xml, error.log), which the test owns while the object lives (what
// was there before is moved aside and restored), and the private extended-MAPI library, copied
// where the add-in looks for it. Tests using it share the resource lock "addin_places".
#pragma once

#include "hotkeys/Main.h"
#include "mapi/PrivateLibrary.h"
#include "platform/WideText.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zel::testing {

// One row of config.xml's table, as the store writes it.
inline std::string ConfigRow(int index, std::string_view hotKey, std::string_view action, std::string_view settings)
{
    const std::string i = std::to_string(index);
    return "      <" + i + "><HotKey>" + std::string(hotKey) + "</HotKey><Action>" + std::string(action) +
           "</Action><Settings>" + std::string(settings) + "</Settings></" + i + ">\r\n";
}

// A config.xml holding the rows.
inline std::string ConfigWithRows(const std::vector<std::string>& rows)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>\r\n<Configuration>\r\n"
                       "  <MainForm>\r\n    <HotKeys>\r\n      <Count>" + std::to_string(rows.size()) + "</Count>\r\n";
    for (const std::string& row : rows)
        text += row;
    return text + "    </HotKeys>\r\n  </MainForm>\r\n</Configuration>\r\n";
}

class TAddinPlaces {
public:
    // zelreDll: the stand-in library to copy into the private library's place.
    explicit TAddinPlaces(const std::wstring& zelreDll)
        : FData(std::filesystem::path(AsWide(DefaultDataFolder()))), FAside(FData.string() + ".test-aside"),
          FLibrary(std::filesystem::path(PrivateLibraryPath()))
    {
        std::error_code error;
        std::filesystem::remove_all(FAside, error);
        if (std::filesystem::exists(FData))
            std::filesystem::rename(FData, FAside);
        std::filesystem::create_directories(FData);
        FLibraryExisted = std::filesystem::exists(FLibrary);
        if (!FLibraryExisted) {
            std::filesystem::create_directories(FLibrary.parent_path());
            std::filesystem::copy_file(std::filesystem::path(zelreDll), FLibrary);
        }
    }
    ~TAddinPlaces()
    {
        std::error_code error;
        std::filesystem::remove_all(FData, error);
        if (std::filesystem::exists(FAside, error))
            std::filesystem::rename(FAside, FData, error);
        if (!FLibraryExisted)
            std::filesystem::remove(FLibrary, error);
    }
    TAddinPlaces(const TAddinPlaces&) = delete;
    TAddinPlaces& operator=(const TAddinPlaces&) = delete;

    const std::filesystem::path& DataFolder() const noexcept { return FData; }
    std::filesystem::path ConfigFile() const { return FData / "config.xml"; }
    std::filesystem::path LogFile() const { return FData / "error.log"; }

    void WriteConfig(const std::string& bytes) const
    {
        std::ofstream(ConfigFile(), std::ios::binary) << bytes;
    }
    std::string ReadConfig() const { return ReadFile(ConfigFile()); }
    std::string ReadLog() const { return ReadFile(LogFile()); }

private:
    static std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::filesystem::path FData;
    std::filesystem::path FAside;
    std::filesystem::path FLibrary;
    bool FLibraryExisted = false;
};

} // namespace zel::testing
