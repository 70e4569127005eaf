// The stand-in mail client's compose window: the message as a mail program shows it before
// sending (recipients, subject, attachments' names, body) with "Send" and "Cancel", run modally
// over the caller's window.
#pragma once

#include <windows.h>

#include <mapi.h>

namespace zel::standin {

// The window class, by which another program finds the window.
inline constexpr wchar_t ComposeWindowClass[] = L"ZelStandinMailCompose";
// The controls' ids: the buttons "Send" (IDOK) and "Cancel" (IDCANCEL), and the edits.
enum : int {
    ComposeToId = 1001,       // the recipients, "; " between them
    ComposeSubjectId = 1002,
    ComposeAttachedId = 1003, // the attachments' file names, "; " between them
    ComposeBodyId = 1004,
};

// Shows the message (null: an empty one) until the user decides, with `owner` disabled
// meanwhile when it is a window. "Send" (control id IDOK) answers SUCCESS_SUCCESS; "Cancel"
// (IDCANCEL), Escape or closing the window answer MAPI_USER_ABORT; MAPI_E_FAILURE when the
// window could not be made.
ULONG RunComposeWindow(HINSTANCE module, HWND owner, const MapiMessage* message);

} // namespace zel::standin
