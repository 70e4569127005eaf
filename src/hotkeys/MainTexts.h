// The settings window's texts that follow rules: the hint label's markup, the pages its links
// open, and what the status bar says when a hotkey or a part of the window cannot work.
// Portable: no window involved.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// The hint label's text once the table is loaded; "<br>" marks its line break.
inline constexpr std::u16string_view HintsText =
    u"Select hotkey in the editbox above and click \"Add\" to enable it.<br>"
    u"Click on \"Action\" column to choose action to be executed after pressing the hotkey.";
// The label's markup as plain text: each "<br>" becomes a line break (CR LF).
std::u16string HintLabelText(std::u16string_view markup);

// The pages the window's links open.
std::u16string UpgradePage();    // "Get More Add-ins": the site's root page
std::u16string ProductPage();    // "Zelkor Hotkeys on the Web"
std::u16string HelpPage();       // "Help"

// Why a row's hotkey does not work, in the status bar.
enum class THotKeyProblem {
    None,
    NoShortcut,     // the row has no hotkey (the edit box was empty at "Add")
    TakenByRow,     // an earlier row of the table has the same hotkey
    TakenElsewhere, // another program holds the chord, or Windows refused it
};
std::u16string HotKeyProblemText(std::u16string_view hotKeyText, THotKeyProblem problem);

// The settings file could not be read: the table stays empty and cannot be edited, and the file
// is left as it is.
std::u16string UnreadableSettingsText(std::u16string_view fileName);
// The hotkey table in the settings file could not be read (its row count is no number): the
// table stays empty and cannot be edited.
std::u16string UnreadableTableText(std::u16string_view fileName);
// The extended-MAPI library could not be started; the reason is the failure's message.
std::u16string MailLibraryProblemText(std::u16string_view reason);

} // namespace zel
