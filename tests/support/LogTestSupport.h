// A fixed clock and the regional formats dd.MM.yyyy and HH:mm:ss for log tests.
#pragma once

#include "diagnostics/LocalTimeFormat.h"

#include <cstdio>
#include <string>

namespace zel::testing {

class TFixedTime : public ILocalTimeFormat {
public:
    TLocalDateTime Time{2014, 3, 5, 10, 15, 2, 0};
    TLocalDateTime Now() const override { return Time; }
    std::u16string ShortDate(const TLocalDateTime& t) const override
    {
        char text[32];
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", t.Day, t.Month, t.Year);
        return std::u16string(text, text + std::char_traits<char>::length(text));
    }
    std::u16string LongTime(const TLocalDateTime& t) const override
    {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
        return std::u16string(text, text + std::char_traits<char>::length(text));
    }
};

// Installs the fixed clock for the lifetime of the object.
struct TFixedTimeScope {
    TFixedTime Clock;
    TFixedTimeScope() { SetLocalTimeFormat(&Clock); }
    ~TFixedTimeScope() { SetLocalTimeFormat(nullptr); }
};

} // namespace zel::testing
