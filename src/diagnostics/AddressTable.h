// The module's address table: what the build knows about the module's code addresses
// (procedure names, compilation units, source files and lines), generated after linking from
// the linker's debug information by make_address_table.py and shipped beside the module as
// "<module name>.dbginfo". Text, one record a line:
//   ZELADDR 1                          the format
//   S <text>                           the strings, numbered from 0 in order
//   P <rva> <name>                     a procedure starts (RVA in hexadecimal, sorted)
//   L <rva> <line> <source> <unit>     a line-table row (line 0: no line from here on)
//   E <rva>                            the end of the code
#pragma once

#include "diagnostics/ZelDebug.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

class TAddressTable {
public:
    // False for a text that is not an address table.
    bool Parse(std::string_view text);
    // Fills UnitName, ProcedureName, OffsetFromProcName, LineNumber, SourceName for the RVA;
    // false when the table knows nothing about it.
    bool Lookup(std::uint32_t rva, TJclLocationInfo& info) const;
    bool Empty() const noexcept { return FProcedures.empty() && FLines.empty(); }

private:
    struct TProcedure {
        std::uint32_t Rva;
        std::uint32_t Name;
    };
    struct TLine {
        std::uint32_t Rva;
        std::int32_t Line;
        std::uint32_t Source;
        std::uint32_t Unit;
    };
    const std::string& String(std::uint32_t index) const;

    std::vector<std::string> FStrings;
    std::vector<TProcedure> FProcedures;
    std::vector<TLine> FLines;
    std::uint32_t FEnd = 0;
};

} // namespace zel
