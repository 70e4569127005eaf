// The local date and time as the user's regional settings write them, as a replaceable
// service: on Windows the short date and long time formats of the user's locale
// (GetDateFormatW/GetTimeFormatW); natively the C library's locale formats; tests put their own.
#pragma once

#include <string>

namespace zel {

struct TLocalDateTime {
    int Year = 0, Month = 1, Day = 1;
    int Hour = 0, Minute = 0, Second = 0, Milliseconds = 0;
};

class ILocalTimeFormat {
public:
    virtual ~ILocalTimeFormat() = default;
    // The current local date and time.
    virtual TLocalDateTime Now() const = 0;
    // The date in the user's short date format, the time in the user's long time format.
    virtual std::u16string ShortDate(const TLocalDateTime& time) const = 0;
    virtual std::u16string LongTime(const TLocalDateTime& time) const = 0;
};

// The service in use: the platform's unless replaced.
ILocalTimeFormat& LocalTimeFormat();
// Replaces the service (nullptr restores the default); for tests.
void SetLocalTimeFormat(ILocalTimeFormat* service);

// The short date, then, unless the time is 00:00:00 to the second, a blank and the long time.
std::u16string DateTimeText(const TLocalDateTime& time);
// DateTimeText of the current local time.
std::u16string NowText();

} // namespace zel
