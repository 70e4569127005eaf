// The command line of the stand-in Outlook program (see README.md beside this file):
//
//   StandinOutlook.exe [--addin <ProgID>]... [--no-addins] [--fast-shutdown]
//                      [--explorers N] [--inspectors M] [--standard-bar-late]
//                      [--script <file> | --script -]
#pragma once

#include <string>
#include <vector>

namespace zel::standin::host {

struct THostOptions {
    // Only these add-ins (by ProgID), when any is given; otherwise those of the Addins keys.
    std::vector<std::wstring> Addins;
    bool NoAddins = false;
    bool FastShutdown = false;
    int Explorers = 1;
    int Inspectors = 0;
    bool StandardBarLate = false;
    // The script file, "-" for standard input; empty: interactive.
    std::wstring Script;
};

// Parses the arguments (without the program's name). Throws std::invalid_argument with the
// text to print for an unknown option, a missing value or a count that is no number in 0..50.
THostOptions ParseHostOptions(const std::vector<std::wstring>& args);

} // namespace zel::standin::host
