// The record of one MAPISendMail call that the stand-in mail client writes for tests: a text
// file, one field per line, fields separated by single spaces, lines ended by "\n".
//
// Numbers are unsigned decimals. A text (a char string of the message) is written as "null"
// when its pointer is null, otherwise as "x" followed by its bytes in lower-case hexadecimal,
// two digits a byte ("x" alone for an empty text), so that any byte comes back unchanged.
//
//   session <number>                 the session handle
//   parent <number>                  the uiParam (the parent window's handle)
//   flags <number>
//   reserved <number>
//   dll-directory <text>             GetDllDirectoryW's folder as UTF-8, "x" when none is set
//   message null                     when the message pointer is null (nothing follows), else
//   message present
//   message-reserved <number>
//   subject <text>
//   body <text>                      the note text
//   message-type <text>
//   date-received <text>
//   conversation-id <text>
//   message-flags <number>
//   originator null | originator <recipient fields>
//   recipient-count <number>
//   recipients null                  when the count is not 0 but the array pointer is null, else
//   recipient <index> <recipient fields>            one line per recipient, index from 0
//   file-count <number>
//   files null                       when the count is not 0 but the array pointer is null, else
//   file <index> reserved <number> flags <number> position <number> path <text> name <text>
//        type null|present content <text>|missing      (one line per attachment, index from 0)
//
//   compose-window-error <number>    last, only when the compose window could not be shown:
//                                    the system's error code (the call answered MAPI_E_FAILURE)
//
// <recipient fields> are "reserved <number> class <number> name <text> address <text>
// entry-id-size <number>". A file's content is the bytes of the file at the path at the moment
// of the call, "missing" when the path is null or names no readable file.
#pragma once

#include <string>

#include <windows.h>

#include <mapi.h>

namespace zel::standin {

// The record's text for one call.
std::string MailRecordText(LHANDLE session, ULONG_PTR uiParam, const MapiMessage* message, FLAGS flags,
                           ULONG reserved);

// The line added to the record when the compose window could not be shown.
std::string ComposeWindowErrorLine(DWORD error);

// Writes the text to the file, replacing it; false when the file could not be written.
bool WriteRecordFile(const std::wstring& path, const std::string& text);

} // namespace zel::standin
