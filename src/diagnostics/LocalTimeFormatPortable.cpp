// Local time without the Windows regional settings: the C library's clock and the date (%x) and
// time (%X) formats of the user's locale as the environment names it.
#include "diagnostics/LocalTimeFormat.h"

#include "platform/Exceptions.h"

#include <chrono>
#include <ctime>
#include <locale>
#include <sstream>

namespace zel {
namespace {

std::tm ToTm(const TLocalDateTime& time)
{
    std::tm tm{};
    tm.tm_year = time.Year - 1900;
    tm.tm_mon = time.Month - 1;
    tm.tm_mday = time.Day;
    tm.tm_hour = time.Hour;
    tm.tm_min = time.Minute;
    tm.tm_sec = time.Second;
    return tm;
}

std::u16string Format(const TLocalDateTime& time, const char* pattern)
{
    std::tm tm = ToTm(time);
    static const std::locale userLocale = [] {
        try {
            return std::locale("");
        } catch (...) {
            return std::locale::classic(); // an environment naming an unknown locale
        }
    }();
    std::ostringstream out;
    out.imbue(userLocale);
    const auto& facet = std::use_facet<std::time_put<char>>(out.getloc());
    std::string_view p(pattern);
    facet.put(std::ostreambuf_iterator<char>(out), out, ' ', &tm, p.data(), p.data() + p.size());
    return FromUtf8(out.str());
}

class TPortableTimeFormat : public ILocalTimeFormat {
public:
    TLocalDateTime Now() const override
    {
        auto now = std::chrono::system_clock::now();
        std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        std::tm tm{};
        localtime_r(&seconds, &tm);
        TLocalDateTime time;
        time.Year = tm.tm_year + 1900;
        time.Month = tm.tm_mon + 1;
        time.Day = tm.tm_mday;
        time.Hour = tm.tm_hour;
        time.Minute = tm.tm_min;
        time.Second = tm.tm_sec;
        time.Milliseconds = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
        return time;
    }
    std::u16string ShortDate(const TLocalDateTime& time) const override { return Format(time, "%x"); }
    std::u16string LongTime(const TLocalDateTime& time) const override { return Format(time, "%X"); }
};

} // namespace

ILocalTimeFormat& DefaultLocalTimeFormat()
{
    static TPortableTimeFormat service;
    return service;
}

} // namespace zel
