#include "hotkeys/actions/DesktopScreenshotMail.h"

#include "platform/Utf16.h"

namespace zel {

std::vector<std::u16string_view> SplitRecipientLines(std::u16string_view text)
{
    return SplitLines(text.substr(0, text.find(u'\0')));
}

} // namespace zel
