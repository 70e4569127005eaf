#include "hotkeys/DesktopScreenshotMail.h"
#include "hotkeys/ActionCatalogue.h"
#include "hotkeys/ScreenCapture.h"
#include "outlook/LateBinding.h"

#include <string>

namespace zel {

namespace {

constexpr std::int32_t olFolderDrafts = 16;
constexpr std::int32_t olByValue = 1;

// Deletes the picture file when the action ends, however it ends; a missing file is no error.
class TDeleteFileOnExit {
public:
    explicit TDeleteFileOnExit(std::wstring fileName) : FFileName(std::move(fileName)) {}
    ~TDeleteFileOnExit() { DeleteFileW(FFileName.c_str()); }
    TDeleteFileOnExit(const TDeleteFileOnExit&) = delete;
    TDeleteFileOnExit& operator=(const TDeleteFileOnExit&) = delete;

private:
    std::wstring FFileName;
};

} // namespace

void SendDesktopScreenshot(IDispatch* session, std::u16string_view recipients)
{
    const std::wstring fileName = ScreenshotFileName();
    TDeleteFileOnExit cleanUp(fileName);
    SaveScreenshot(fileName);

    TOleVariant drafts = OleCall(session, L"GetDefaultFolder", {TOleVariant(olFolderDrafts)});
    TOleVariant mail = OleCall(OleGet(drafts, L"Items"), L"Add", {TOleVariant(L"IPM.Note")});
    OleCall(OleGet(mail, L"Attachments"), L"Add",
            {TOleVariant(fileName), TOleVariant(olByValue), TOleVariant::NotGiven(), TOleVariant(ScreenshotAttachmentName)});
    TOleVariant mailRecipients = OleGet(mail, L"Recipients");
    for (const std::u16string& line : SplitRecipientLines(recipients))
        OleCall(mailRecipients, L"Add", {TOleVariant(line)});
    OlePut(mail, L"Subject", TOleVariant(ScreenshotSubject));
    OleCall(mail, L"Display", {TOleVariant(false), TOleVariant::NotGiven()});
}

} // namespace zel
