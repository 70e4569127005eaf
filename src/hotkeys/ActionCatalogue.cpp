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

std::vector<std::u16string> SplitRecipientLines(std::u16string_view text)
{
    if (size_t nul = text.find(u'\0'); nul != std::u16string_view::npos)
        text = text.substr(0, nul);
    std::vector<std::u16string> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t start = i;
        while (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            ++i;
        lines.emplace_back(text.substr(start, i - start));
        if (i < text.size() && text[i] == u'\r')
            ++i;
        if (i < text.size() && text[i] == u'\n')
            ++i;
    }
    return lines;
}

} // namespace zel
