#include "hotkeys/ActionCatalogue.h"

#include "platform/Utf16.h"

namespace zel {

const std::vector<std::u16string>& ActionNames()
{
    static const std::vector<std::u16string> names{
        std::u16string(ActionInsertText), std::u16string(ActionSwitchToFolder),
        std::u16string(ActionSendDesktopScreenshot)};
    return names;
}

bool SameHotKeyText(std::u16string_view pressed, std::u16string_view rowText) noexcept
{
    return CompareAsciiFolded(pressed, rowText) == 0;
}

} // namespace zel
