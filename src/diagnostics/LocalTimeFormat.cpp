#include "diagnostics/LocalTimeFormat.h"

namespace zel {

ILocalTimeFormat& DefaultLocalTimeFormat(); // the platform's: LocalTimeFormatPortable.cpp or LocalTimeFormatWin.cpp

namespace {
ILocalTimeFormat* GService = nullptr;
}

ILocalTimeFormat& LocalTimeFormat()
{
    return GService ? *GService : DefaultLocalTimeFormat();
}

void SetLocalTimeFormat(ILocalTimeFormat* service)
{
    GService = service;
}

std::u16string DateTimeText(const TLocalDateTime& time)
{
    ILocalTimeFormat& format = LocalTimeFormat();
    std::u16string text = format.ShortDate(time);
    if (time.Hour != 0 || time.Minute != 0 || time.Second != 0)
        text += u' ' + format.LongTime(time);
    return text;
}

std::u16string NowText()
{
    return DateTimeText(LocalTimeFormat().Now());
}

} // namespace zel
