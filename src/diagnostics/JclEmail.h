// The mail composer: hands a mail to the user's Simple MAPI mail client, which shows it to the
// user before sending when asked to. Each send loads the client's library and unloads it again.
#pragma once

#include "diagnostics/MailMessage.h"

#include <windows.h>

namespace zel {

class TJclEmail {
public:
    TMailMessage Message;

    // Sends Message through the Simple MAPI client: with showDialog the client logs on with its
    // own prompt if needed and shows the composed mail to the user. Returns true when the mail
    // was sent and false when the user cancelled it; raises EJclMapiError (no client, a client
    // without one of the Simple MAPI functions, an attachment gone, a failed send) or EOSError
    // (the client's library does not load) otherwise.
    bool Send(bool showDialog = true);
};

// The window the mail client's dialog is given as parent: the first top-level window, in
// z-order, of this process that is visible, owned by no other window and not a tool window
// (unless it is also marked as an application window); null when there is none.
HWND MailParentWindow();

// Whether the library exports all twelve Simple MAPI functions; looked at without running its
// code. A library that cannot be mapped into this process (missing, or of the other bitness)
// does not.
bool ExportsSimpleMapi(const std::u16string& library);

} // namespace zel
