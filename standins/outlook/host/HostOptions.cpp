#include "standins/outlook/host/HostOptions.h"

#include <stdexcept>

namespace zel::standin::host {

namespace {

std::string Narrow(const std::wstring& text)
{
    std::string s;
    for (wchar_t c : text)
        s += c < 0x80 ? static_cast<char>(c) : '?';
    return s;
}

int Count(const std::wstring& option, const std::wstring& value)
{
    if (value.empty() || value.size() > 2 || value.find_first_not_of(L"0123456789") != std::wstring::npos ||
        std::stoi(value) > 50)
        throw std::invalid_argument(Narrow(option) + " needs a number from 0 to 50, not '" + Narrow(value) + "'");
    return std::stoi(value);
}

} // namespace

THostOptions ParseHostOptions(const std::vector<std::wstring>& args)
{
    THostOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&]() -> const std::wstring& {
            if (i + 1 >= args.size())
                throw std::invalid_argument(Narrow(a) + " needs a value");
            return args[++i];
        };
        if (a == L"--addin")
            options.Addins.push_back(value());
        else if (a == L"--no-addins")
            options.NoAddins = true;
        else if (a == L"--fast-shutdown")
            options.FastShutdown = true;
        else if (a == L"--explorers")
            options.Explorers = Count(a, value());
        else if (a == L"--inspectors")
            options.Inspectors = Count(a, value());
        else if (a == L"--standard-bar-late")
            options.StandardBarLate = true;
        else if (a == L"--script")
            options.Script = value();
        else
            throw std::invalid_argument("unknown option '" + Narrow(a) + "'");
    }
    return options;
}

} // namespace zel::standin::host
