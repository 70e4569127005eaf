// The three actions a hotkey row can run, and the text rules the dispatch applies: how a
// pressed hotkey's text is matched against a row, how a folder path is split into names, and
// how a recipients text is split into lines. Portable: no window and no COM involved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

inline constexpr std::u16string_view ActionInsertText = u"Insert Text";
inline constexpr std::u16string_view ActionSwitchToFolder = u"Switch To Folder";
inline constexpr std::u16string_view ActionSendDesktopScreenshot = u"Send Desktop Screenshot";

// The action names in the order the "Action" column's editor lists them.
const std::vector<std::u16string>& ActionNames();

inline constexpr std::u16string_view DefaultInsertTextSettings = u"Type text to insert";
inline constexpr std::u16string_view DefaultScreenshotSettings = u"Type email to send desktop screenshot to";

// A pressed hotkey's text equals a row's hotkey text when both have the same length and every
// UTF-16 code unit is equal once "a" to "z" are folded to "A" to "Z"; nothing else is folded.
bool SameHotKeyText(std::u16string_view pressed, std::u16string_view rowText) noexcept;

} // namespace zel
