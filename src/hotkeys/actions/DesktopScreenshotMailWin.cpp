#include "hotkeys/actions/DesktopScreenshotMail.h"

#include "hotkeys/actions/ScreenCapture.h"
#include "outlook/LateBinding.h"
#include "platform/Handles.h"

#include <string>

namespace zel {

namespace {

constexpr std::int32_t olFolderDrafts = 16;
constexpr std::int32_t olByValue = 1;

} // namespace

void SendDesktopScreenshot(IDispatch* session, std::u16string_view recipients)
{
    const std::wstring fileName = ScreenshotFileName();
    // The picture is deleted when the action ends, however it ends.
    const TTempFile picture(fileName);
    SaveScreenshot(fileName);

    TOleVariant drafts = OleCall(session, L"GetDefaultFolder", {TOleVariant(olFolderDrafts)});
    TOleVariant mail = OleCall(OleGet(drafts, L"Items"), L"Add", {TOleVariant(L"IPM.Note")});
    OleCall(OleGet(mail, L"Attachments"), L"Add",
            {TOleVariant(fileName), TOleVariant(olByValue), TOleVariant::NotGiven(), TOleVariant(ScreenshotAttachmentName)});
    TOleVariant mailRecipients = OleGet(mail, L"Recipients");
    for (const std::u16string_view line : SplitRecipientLines(recipients))
        OleCall(mailRecipients, L"Add", {TOleVariant(line)});
    OlePut(mail, L"Subject", TOleVariant(ScreenshotSubject));
    OleCall(mail, L"Display", {TOleVariant(false), TOleVariant::NotGiven()});
}

} // namespace zel
