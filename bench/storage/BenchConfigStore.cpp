// How long the configuration store takes with 1,000 hotkey rows whose settings texts have 200
// characters: parsing the file, serialising the tree, writing the file (atomically), and
// saving the table into the tree. Prints the median of several runs of each.
#include "platform/Exceptions.h"
#include "hotkeys/HotKeyTable.h"
#include "platform/FileAccess.h"
#include "storage/FormStorage.h"
#include "platform/PortableCodePage.h"
#include "storage/XMLFileStorage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

double MedianMilliseconds(int runs, const std::function<void()>& action)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        action();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    using namespace zel;
    TPortableCodePage codePage(1252);
    SetAnsiCodePage(&codePage);
    const int Rows = 1000, Runs = 15;

    THotKeyRows rows;
    for (int i = 0; i < Rows; ++i) {
        TTreeData& row = rows.Add();
        row.Subject = u"Ctrl+Alt+" + U16(std::to_string(i % 10));
        row.Folder = u"Insert Text";
        for (int k = 0; k < 200; ++k) // mostly plain text, some characters that need references
            row.EntryID += k % 50 == 49 ? u'&' : k % 67 == 66 ? u'\u00E9' : static_cast<char16_t>(u'a' + (i + k) % 26);
    }
    TXMLFileStorage store;
    TFormStorage form(store);
    double save = MedianMilliseconds(Runs, [&] { SaveHotKeys(rows, form); });
    std::string bytes;
    double serialise = MedianMilliseconds(Runs, [&] { bytes = store.SaveToBytes(); });
    double parse = MedianMilliseconds(Runs, [&] {
        TXMLFileStorage reader;
        reader.LoadFromBytes(bytes);
    });
    THotKeyRows loaded;
    double load = MedianMilliseconds(Runs, [&] {
        TXMLFileStorage reader;
        reader.LoadFromBytes(bytes);
        TFormStorage readerForm(reader);
        LoadHotKeys(loaded, readerForm);
    });

    auto folder = std::filesystem::temp_directory_path() / "zel-bench-config-store";
    std::filesystem::create_directories(folder);
    auto file = folder / "config.xml";
    double write = MedianMilliseconds(Runs, [&] { WriteFileAtomically(file, store.SaveToBytes()); });
    std::filesystem::remove_all(folder);

    std::printf("config store, %d rows with 200-character settings; file %zu bytes; median of %d runs\n", Rows,
                bytes.size(), Runs);
    std::printf("  SaveHotKeys into the tree:        %8.3f ms\n", save);
    std::printf("  serialise the tree:               %8.3f ms\n", serialise);
    std::printf("  parse the file's bytes:           %8.3f ms\n", parse);
    std::printf("  parse + LoadHotKeys:              %8.3f ms\n", load);
    std::printf("  serialise + write the file:       %8.3f ms (atomic replacement, flushed to disk)\n", write);
    return loaded.Count() == static_cast<size_t>(Rows) ? 0 : 1;
}
