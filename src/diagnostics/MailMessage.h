// A mail as the add-in hands it to the user's mail client: recipients, subject, body and the
// files attached, in UTF-16; and the same mail converted to the ANSI code page, the form Simple
// MAPI takes. The error report's own mail is built here too.
#pragma once

#include "diagnostics/ErrorReport.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// Recipient classes as Simple MAPI numbers them.
enum class TMailRecipientKind : unsigned { Original = 0, To = 1, Cc = 2, Bcc = 3 };

struct TMailRecipient {
    std::u16string Address;
    std::u16string Name; // the display name; empty for none
    TMailRecipientKind Kind = TMailRecipientKind::To;
};

struct TMailMessage {
    std::vector<TMailRecipient> Recipients;
    std::u16string Subject;
    std::u16string Body;
    std::vector<std::u16string> Attachments; // full paths of the files, in order
};

// The body as it is sent: ending with CR LF, which is appended when it does not already.
std::u16string WithClosingLineBreak(std::u16string body);

// The name part of a Windows path: what follows the last "\" or "/" (the whole text without one).
std::u16string_view PathFileName(std::u16string_view path);

// The error report to the maker's support: subject with the module version, body with the
// Windows product name and Outlook's version, and the error log and the configuration file as
// attachments, each only when fileExists says the file is there now.
TMailMessage ErrorReportMessage(std::u16string_view moduleVersion, std::u16string_view windowsProductName,
                                const TErrorReportSources& sources,
                                const std::function<bool(const std::u16string&)>& fileExists);

// The mail in the ANSI code page, with the address of each recipient given its type ("SMTP:")
// and each recipient's name falling back to the address; the closing line break applied.
struct TAnsiMailRecipient {
    std::string Name;
    std::string Address;
    unsigned Kind = 1;
};
struct TAnsiMailFile {
    std::string PathName;
    std::string FileName;
};
struct TAnsiMail {
    std::string Subject;
    std::string Body;
    std::vector<TAnsiMailRecipient> Recipients;
    std::vector<TAnsiMailFile> Files;
};
TAnsiMail ToAnsiMail(const TMailMessage& message);

} // namespace zel
