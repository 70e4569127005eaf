// One line of a script for the stand-in Outlook program, parsed. The commands (one a line,
// words separated by blanks, <n> a 1-based index in the Explorers or Inspectors collection):
//
//   open explorer [<folder>]          <folder>: a path "\\Store\Folder\..." or a folder's name
//   open inspector [<text>]
//   close explorer|inspector <n>
//   activate explorer|inspector <n>
//   standard-bar explorer <n> on|off
//   click explorer <n> <caption>
//   type inspector <n> <text>
//   caret inspector <n> <pos> [<length>]
//   state
//   wait <ms>
//   screenshot <file.png>
//   empty folder <folder>
//   quit [fast]
//
// In <text> the escapes \n (a line break: carriage return and line feed), \t and \\ stand for
// what they name; every other character stands for itself. Blank lines and lines starting
// with '#' are no commands.
#pragma once

#include <string>

namespace zel::standin::host {

enum class TVerb { None, Open, Close, Activate, StandardBar, Click, Type, Caret, State, Wait, Screenshot, Empty, Disconnect, Connect, Quit };
enum class TTarget { None, Explorer, Inspector };

struct TScriptCommand {
    TVerb Verb = TVerb::None;
    TTarget Target = TTarget::None;
    int Index = 0;         // close, activate, standard-bar, click, type, caret
    std::wstring Text;     // open (folder or body), click (caption), type (text), screenshot (file), empty (folder)
    bool Flag = false;     // standard-bar on; quit fast
    long Number = 0;       // caret position; wait milliseconds
    long Length = 0;       // caret: selection length
};

// Parses a line; throws std::invalid_argument with the text of the "error" reply.
TScriptCommand ParseScriptLine(const std::wstring& line);

// The text with the escapes above replaced.
std::wstring Unescape(const std::wstring& text);

} // namespace zel::standin::host
