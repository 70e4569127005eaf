// How long the configuration store takes with large hotkey tables whose settings texts have 200
// characters: parsing the file, serialising the tree, writing the file (atomically), saving the
// table into the tree, loading it from the tree, and the whole round of a run (parse, load,
// save, write). Prints the median of several runs of each, for 1,000 and 100,000 rows, and the
// whole round's cost per row so that its growth with the table can be read off.
//
// Usage: bench_config_store [--runs N] [--folder DIR] [rows...]
//   rows: default 1000 100000; N: runs of each step, default 15 (5 for tables above 10,000 rows);
//   DIR: where the file is written, default the temporary folder (the flush to disk is part of
//   the write, so a folder in memory shows the store's own share).
#include "platform/Exceptions.h"
#include "hotkeys/HotKeyTable.h"
#include "platform/FileAccess.h"
#include "storage/FormStorage.h"
#include "platform/PortableCodePage.h"
#include "storage/XMLFileStorage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace {

// Medians of the wall-clock time and of the processor time of the process (which the other
// programs of a shared machine disturb less), in milliseconds.
struct TMedians {
    double Wall, Processor;
};

TMedians MedianMilliseconds(int runs, const std::function<void()>& action)
{
    std::vector<double> wall, processor;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        std::clock_t startClock = std::clock();
        action();
        processor.push_back(1000.0 * static_cast<double>(std::clock() - startClock) / CLOCKS_PER_SEC);
        wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(processor.begin(), processor.end());
    return {wall[wall.size() / 2], processor[processor.size() / 2]};
}

void Print(const char* what, TMedians times, const char* note = "")
{
    std::printf("  %-34s %10.3f ms  (processor %10.3f ms)%s\n", what, times.Wall, times.Processor, note);
}

zel::THotKeyRows MakeRows(int count)
{
    using namespace zel;
    THotKeyRows rows;
    for (int i = 0; i < count; ++i) {
        TTreeData& row = rows.Add();
        row.Subject = u"Ctrl+Alt+" + U16(std::to_string(i % 10));
        row.Folder = u"Insert Text";
        for (int k = 0; k < 200; ++k) // mostly plain text, some characters that need references
            row.EntryID += k % 50 == 49 ? u'&' : k % 67 == 66 ? u'\u00E9' : static_cast<char16_t>(u'a' + (i + k) % 26);
    }
    return rows;
}

// Returns false when a loaded table did not come back with every row.
bool Measure(int rowCount, int runs, const std::filesystem::path& file)
{
    using namespace zel;
    // Fewer runs for a large table; its single run takes long enough to measure well.
    if (runs <= 0)
        runs = rowCount <= 10000 ? 15 : 5;
    const THotKeyRows rows = MakeRows(rowCount);

    // The first save creates every element, later ones find and update them.
    TMedians create = MedianMilliseconds(runs, [&] {
        TXMLFileStorage fresh;
        TFormStorage form(fresh);
        SaveHotKeys(rows, form);
    });
    TXMLFileStorage store;
    TFormStorage form(store);
    SaveHotKeys(rows, form);
    TMedians update = MedianMilliseconds(runs, [&] { SaveHotKeys(rows, form); });
    std::string bytes;
    TMedians serialise = MedianMilliseconds(runs, [&] { bytes = store.SaveToBytes(); });
    TMedians parse = MedianMilliseconds(runs, [&] {
        TXMLFileStorage reader;
        reader.LoadFromBytes(bytes);
    });
    THotKeyRows loaded;
    TMedians load = MedianMilliseconds(runs, [&] {
        TXMLFileStorage reader;
        reader.LoadFromBytes(bytes);
        TFormStorage readerForm(reader);
        LoadHotKeys(loaded, readerForm);
    });
    TMedians write = MedianMilliseconds(runs, [&] { WriteFileAtomically(file, store.SaveToBytes()); });
    // A run of the add-in with this table: the file read into the tree, the table loaded, one
    // change saved into the tree, and the file replaced.
    bool complete = true;
    TMedians round = MedianMilliseconds(runs, [&] {
        TXMLFileStorage reader;
        reader.LoadFromBytes(bytes);
        TFormStorage readerForm(reader);
        THotKeyRows table;
        LoadHotKeys(table, readerForm);
        complete = complete && table.Count() == rows.Count();
        SaveHotKeys(table, readerForm);
        WriteFileAtomically(file, reader.SaveToBytes());
    });

    std::printf("config store, %d rows with 200-character settings; file %zu bytes; median of %d runs\n", rowCount,
                bytes.size(), runs);
    Print("SaveHotKeys into an empty tree:", create);
    Print("SaveHotKeys over the saved rows:", update);
    Print("serialise the tree:", serialise);
    Print("parse the file's bytes:", parse);
    Print("parse + LoadHotKeys:", load);
    Print("serialise + write the file:", write, " atomic replacement, flushed to disk");
    Print("parse + load + save + write:", round);
    std::printf("  per row, parse + load + save + write: %.3f us (processor %.3f us)\n", round.Wall * 1000.0 / rowCount,
                round.Processor * 1000.0 / rowCount);
    return complete && loaded.Count() == rows.Count();
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zel;
    TPortableCodePage codePage(1252);
    SetAnsiCodePage(&codePage);
    std::vector<int> counts;
    int runs = 0;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (std::string_view(argv[i]) == "--folder" && i + 1 < argc)
            base = argv[++i];
        else
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty())
        counts = {1000, 100000};

    auto folder = base / "zel-bench-config-store";
    std::filesystem::create_directories(folder);
    bool ok = true;
    for (int count : counts)
        if (count > 0)
            ok = Measure(count, runs, folder / "config.xml") && ok;
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
}
