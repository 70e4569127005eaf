#include "diagnostics/AddressTable.h"

#include <algorithm>
#include <charconv>

namespace zel {
namespace {

// Reads the next blank-separated field of a record.
std::string_view NextField(std::string_view& rest)
{
    size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    size_t end = rest.find(' ');
    std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return field;
}

template <class T> bool Number(std::string_view field, T& value, int base)
{
    auto result = std::from_chars(field.data(), field.data() + field.size(), value, base);
    return result.ec == std::errc() && result.ptr == field.data() + field.size() && !field.empty();
}

} // namespace

bool TAddressTable::Parse(std::string_view text)
{
    FStrings.clear();
    FProcedures.clear();
    FLines.clear();
    FEnd = 0;
    bool header = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!header) {
            if (line != "ZELADDR 1")
                return false;
            header = true;
            continue;
        }
        if (line.size() < 2 || line[1] != ' ')
            continue;
        std::string_view rest = line.substr(2);
        switch (line[0]) {
        case 'S':
            FStrings.emplace_back(rest);
            break;
        case 'P': {
            TProcedure p{};
            if (Number(NextField(rest), p.Rva, 16) && Number(NextField(rest), p.Name, 10))
                FProcedures.push_back(p);
            break;
        }
        case 'L': {
            TLine l{};
            if (Number(NextField(rest), l.Rva, 16) && Number(NextField(rest), l.Line, 10) &&
                Number(NextField(rest), l.Source, 10) && Number(NextField(rest), l.Unit, 10))
                FLines.push_back(l);
            break;
        }
        case 'E':
            Number(NextField(rest), FEnd, 16);
            break;
        default:
            break;
        }
    }
    auto byRva = [](const auto& a, const auto& b) { return a.Rva < b.Rva; };
    std::stable_sort(FProcedures.begin(), FProcedures.end(), byRva);
    std::stable_sort(FLines.begin(), FLines.end(), byRva);
    return header;
}

const std::string& TAddressTable::String(std::uint32_t index) const
{
    static const std::string empty;
    return index < FStrings.size() ? FStrings[index] : empty;
}

bool TAddressTable::Lookup(std::uint32_t rva, TJclLocationInfo& info) const
{
    if (FEnd != 0 && rva >= FEnd)
        return false;
    bool found = false;
    auto proc = std::upper_bound(FProcedures.begin(), FProcedures.end(), rva,
                                 [](std::uint32_t value, const TProcedure& p) { return value < p.Rva; });
    if (proc != FProcedures.begin()) {
        --proc;
        info.ProcedureName = String(proc->Name);
        info.OffsetFromProcName = static_cast<std::int32_t>(rva - proc->Rva);
        found = true;
    }
    auto line = std::upper_bound(FLines.begin(), FLines.end(), rva,
                                 [](std::uint32_t value, const TLine& l) { return value < l.Rva; });
    if (line != FLines.begin()) {
        --line;
        if (line->Line > 0) {
            info.LineNumber = line->Line;
            info.OffsetFromLineNumber = static_cast<std::int32_t>(rva - line->Rva);
            info.SourceName = String(line->Source);
            info.UnitName = String(line->Unit);
            found = true;
        }
    }
    return found;
}

} // namespace zel
