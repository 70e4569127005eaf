#include "hotkeys/MainTexts.h"

#include "diagnostics/MakerSite.h"

namespace zel {

std::u16string HintLabelText(std::u16string_view markup)
{
    constexpr std::u16string_view lineBreak = u"<br>";
    std::u16string text;
    for (size_t at = 0;;) {
        const size_t found = markup.find(lineBreak, at);
        text += markup.substr(at, found - at);
        if (found == std::u16string_view::npos)
            return text;
        text += u"\r\n";
        at = found + lineBreak.size();
    }
}

std::u16string UpgradePage()
{
    return MakerPage(u"/");
}

std::u16string ProductPage()
{
    return MakerPage(u"/outlook-hotkeys?ref=app");
}

std::u16string HelpPage()
{
    return MakerPage(u"/content/how-use-zelkor-hotkeys-outlook?ref=app");
}

std::u16string HotKeyProblemText(std::u16string_view hotKeyText, THotKeyProblem problem)
{
    const std::u16string name(hotKeyText);
    switch (problem) {
    case THotKeyProblem::None:
        return u"";
    case THotKeyProblem::NoShortcut:
        return u"The new row has no hotkey: choose one in the box above before clicking \"Add\".";
    case THotKeyProblem::TakenByRow:
        return name + u" is already in the table; a press runs the first row that has it.";
    case THotKeyProblem::TakenElsewhere:
        return name + u" is used by another program; this hotkey will not work.";
    }
    return u"";
}

std::u16string UnreadableSettingsText(std::u16string_view fileName)
{
    return u"The settings file " + std::u16string(fileName) +
           u" could not be read; it is left as it is, and the table cannot be edited.";
}

std::u16string UnreadableTableText(std::u16string_view fileName)
{
    return u"The hotkey table in " + std::u16string(fileName) +
           u" could not be read; the stored hotkeys are kept, and the table cannot be edited.";
}

std::u16string MailLibraryProblemText(std::u16string_view reason)
{
    std::u16string text = u"The mail library could not be started, so \"Send Desktop Screenshot\" and choosing "
                          u"\"Switch To Folder\" will not work";
    if (!reason.empty())
        text += u": " + std::u16string(reason);
    return text + u".";
}

} // namespace zel
