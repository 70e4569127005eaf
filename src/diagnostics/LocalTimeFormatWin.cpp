// Local time with the user's regional settings: the short date format and the long time format
// of LOCALE_USER_DEFAULT.
#include "diagnostics/LocalTimeFormat.h"

#include "platform/WideText.h"

#include <windows.h>

namespace zel {
namespace {

SYSTEMTIME ToSystemTime(const TLocalDateTime& time)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(time.Year);
    st.wMonth = static_cast<WORD>(time.Month);
    st.wDay = static_cast<WORD>(time.Day);
    st.wHour = static_cast<WORD>(time.Hour);
    st.wMinute = static_cast<WORD>(time.Minute);
    st.wSecond = static_cast<WORD>(time.Second);
    st.wMilliseconds = static_cast<WORD>(time.Milliseconds);
    return st;
}

std::u16string Chars(const wchar_t* text, int sizeWithNul)
{
    if (sizeWithNul <= 1)
        return {};
    return ToU16(std::wstring_view(text, static_cast<size_t>(sizeWithNul - 1)));
}

class TWindowsTimeFormat : public ILocalTimeFormat {
public:
    TLocalDateTime Now() const override
    {
        SYSTEMTIME st;
        GetLocalTime(&st);
        TLocalDateTime time;
        time.Year = st.wYear;
        time.Month = st.wMonth;
        time.Day = st.wDay;
        time.Hour = st.wHour;
        time.Minute = st.wMinute;
        time.Second = st.wSecond;
        time.Milliseconds = st.wMilliseconds;
        return time;
    }

    std::u16string ShortDate(const TLocalDateTime& time) const override
    {
        SYSTEMTIME st = ToSystemTime(time);
        wchar_t buffer[128];
        int size = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128);
        return Chars(buffer, size);
    }

    std::u16string LongTime(const TLocalDateTime& time) const override
    {
        SYSTEMTIME st = ToSystemTime(time);
        wchar_t buffer[128];
        int size = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 128);
        return Chars(buffer, size);
    }
};

} // namespace

ILocalTimeFormat& DefaultLocalTimeFormat()
{
    static TWindowsTimeFormat service;
    return service;
}

} // namespace zel
