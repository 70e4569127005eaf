#include "hotkeys/ActionCatalogue.h"

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
    if (pressed.size() != rowText.size())
        return false;
    auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; };
    for (size_t i = 0; i < pressed.size(); ++i)
        if (fold(pressed[i]) != fold(rowText[i]))
            return false;
    return true;
}

} // namespace zel
