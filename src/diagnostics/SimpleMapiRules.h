// What the mail composer decides without touching the system: the failures of Simple MAPI and
// their messages, which library is the user's Simple MAPI client, whether one is installed at
// all, and which window the mail client's dialog is given as its parent.
#pragma once

#include "platform/Exceptions.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// A failure of Simple MAPI or of its client. ErrorCode is the Simple MAPI code, 0 when the
// failure has none (no client, a function the client lacks).
class EJclMapiError : public Exception {
public:
    explicit EJclMapiError(std::u16string message, std::uint32_t errorCode = 0)
        : Exception(std::move(message)), FErrorCode(errorCode) {}
    std::uint32_t ErrorCode() const noexcept { return FErrorCode; }
    const char* ClassName() const noexcept override { return "EJclMapiError"; }
    const char* ParentClassName() const noexcept override { return "Exception"; }

private:
    std::uint32_t FErrorCode;
};

// Simple MAPI's results that the composer names.
inline constexpr std::uint32_t MapiSuccess = 0;
inline constexpr std::uint32_t MapiUserAbort = 1;
inline constexpr std::uint32_t MapiAttachmentNotFound = 11;

// The text of a Simple MAPI code; empty for a code without one.
std::u16string_view MapiErrorText(std::uint32_t code);
// "MAPI Error: (<code>) "<text>"".
std::u16string MapiErrorMessage(std::uint32_t code);
// "Function "<name>" is not exported by client".
std::u16string NotExportedMessage(std::string_view function);
inline constexpr std::u16string_view NoMapiClientMessage = u"No Simple MAPI client installed, cannot send the message";
// The message of a failed system call: "System Error.  Code: <code>.\r\n<text>" with the
// system's text for the code (its trailing blanks and full stops removed), or "A call to an OS
// function failed" when there is no code.
std::u16string OsErrorMessage(std::uint32_t code, std::u16string_view systemText);

// The twelve functions a Simple MAPI client exports, in the order they are checked.
inline constexpr std::array<std::string_view, 12> SimpleMapiFunctions = {
    "MAPIAddress",     "MAPIDeleteMail", "MAPIDetails",     "MAPIFindNext",
    "MAPIFreeBuffer",  "MAPILogoff",     "MAPILogon",       "MAPIReadMail",
    "MAPIResolveName", "MAPISaveMail",   "MAPISendDocuments", "MAPISendMail"};

// The registry as far as the client's choice reads it.
enum class TRegistryRoot { CurrentUser, LocalMachine };
class IMailClientRegistry {
public:
    virtual ~IMailClientRegistry() = default;
    // A string value ("" names the key's default value); nothing when the key or value is absent.
    virtual std::optional<std::u16string> Text(TRegistryRoot root, std::u16string_view key,
                                               std::u16string_view name) const = 0;
    // The names of a key's subkeys; none when the key is absent.
    virtual std::vector<std::u16string> SubKeys(TRegistryRoot root, std::u16string_view key) const = 0;
};

inline constexpr std::u16string_view MessagingSubsystemKey = u"SOFTWARE\\Microsoft\\Windows Messaging Subsystem";
inline constexpr std::u16string_view MailClientsKey = u"SOFTWARE\\Clients\\Mail";
inline constexpr std::u16string_view SystemMapiLibrary = u"mapi32.dll";

// The library a mail client of HKEY_LOCAL_MACHINE's client list names: "DLLPathEx", else
// "DLLPath"; empty when it names none.
std::u16string MailClientLibrary(const IMailClientRegistry& registry, std::u16string_view client);

// Whether a Simple MAPI client is installed: the messaging subsystem says "MAPIX" = "1", or a
// registered mail client's library exports all twelve functions (exportsAll looks at a library).
bool SimpleMapiClientInstalled(const IMailClientRegistry& registry,
                               const std::function<bool(const std::u16string& library)>& exportsAll);

// The library to send with: "mapi32.dll" when the messaging subsystem says "MAPI" = "1", else
// the default mail client's (the default value of the client list under HKEY_CURRENT_USER,
// else under HKEY_LOCAL_MACHINE); empty when there is no default client.
std::u16string SimpleMapiLibrary(const IMailClientRegistry& registry);

// What the choice of the mail dialog's parent window looks at in each top-level window.
struct TTopLevelWindowFacts {
    bool OfThisProcess = false;
    bool Visible = false;
    bool OwnedByAnotherWindow = false; // owned by a window other than the desktop
    bool ToolWindow = false;           // WS_EX_TOOLWINDOW
    bool AppWindow = false;            // WS_EX_APPWINDOW
};
// Whether the window can be the parent: the first one in z-order for which this holds is.
bool IsMailParentCandidate(const TTopLevelWindowFacts& window) noexcept;

} // namespace zel
