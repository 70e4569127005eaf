// The action "Send Desktop Screenshot": the primary screen as a JPEG file in the temporary
// folder, attached to a new message in the session's Drafts folder, addressed to one recipient
// per line of the settings text, with the subject "Desktop Screenshot", shown in a window and not
// sent. The picture file is deleted in every case, also when a step fails.
#pragma once

#include <string_view>
#include <vector>

namespace zel {

inline constexpr std::u16string_view ScreenshotSubject = u"Desktop Screenshot";
inline constexpr std::u16string_view ScreenshotAttachmentName = u"Desktop Screenshot";

// The recipients of the settings text, one per line: a line ends at CR, LF or CR LF; a line end
// at the very end adds no empty line; a NUL ends the text; an empty text gives no lines.
std::vector<std::u16string_view> SplitRecipientLines(std::u16string_view text);

} // namespace zel

#ifdef _WIN32
#include <oaidl.h>

namespace zel {

// Raises the failure of the first step that failed (after deleting the file).
void SendDesktopScreenshot(IDispatch* session, std::u16string_view recipients);

} // namespace zel
#endif
