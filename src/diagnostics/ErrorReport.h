// The error report: a mail to the maker's support with the error log and the configuration file
// attached, composed through the user's Simple MAPI mail client and shown to the user before it
// is sent.
#pragma once

#include <string>

namespace zel {

// What the report takes from the settings window at the moment of the click.
struct TErrorReportSources {
    std::u16string LogFileName;    // the error log's file (attached when it exists)
    std::u16string ConfigFileName; // the configuration file (attached when it exists)
    std::u16string OfficeVersion;  // Outlook's version text, empty when unknown
};

#ifdef _WIN32
// Builds the report and hands it to the mail client with its compose dialog. Returns when the
// user has sent or cancelled the message; every other outcome is raised (EJclMapiError,
// EOSError) with the message the user is shown.
void SendErrorReport(const TErrorReportSources& sources);
#endif

} // namespace zel
