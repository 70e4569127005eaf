#include "hotkeys/HotKeyDispatch.h"

#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "hotkeys/ActionCatalogue.h"
#include "hotkeys/actions/DesktopScreenshotMail.h"
#include "hotkeys/actions/InsertText.h"
#include "hotkeys/actions/SwitchToFolder.h"
#include "hotkeys/JvAppHotKey.h"
#include "mapi/RedemptionIds.h"
#include "outlook/LateBinding.h"
#include "storage/FormStorage.h"

namespace zel {

namespace {

constexpr std::int32_t olFolderInbox = 6;

// The full path of the session's Inbox, as the session reports it.
std::u16string InboxPath(IDispatch* session)
{
    TOleVariant folder = OleCall(session, L"GetDefaultFolder", {TOleVariant(olFolderInbox)});
    ComPtr<IDispatch> inbox = QueryIntf<IDispatch>(folder.AsDispatch().Get(), redemption::IID_SessionFolder);
    const std::wstring path = OleGet(inbox.Get(), L"FolderPath").AsString();
    return std::u16string(path.begin(), path.end());
}

} // namespace

THotKeyDispatch::THotKeyDispatch(THotKeyRows& rows, TFormStorage& storage, TStatusText statusText)
    : FRows(rows), FStorage(storage), FStatusText(std::move(statusText))
{
}

void THotKeyDispatch::DoHotKey(TJvApplicationHotKey* Sender) noexcept
{
    try {
        if (!Sender)
            throw EInvalidCast(u"Invalid class typecast");
        const std::u16string pressed = ShortCutToText(Sender->HotKey());
        if (FStatusText)
            FStatusText(pressed + u" pressed.");
        for (size_t i = 0; i < FRows.Count(); ++i) {
            if (SameHotKeyText(pressed, FRows[i].Subject)) {
                // A copy: the action may pump messages, and the table may change meanwhile.
                const TTreeData row = FRows[i];
                RunAction(row);
                return;
            }
        }
    }
    // Ends the press silently; the exception notifier has the failure on record.
    ZEL_CATCH_SILENT_RETURN()
}

void THotKeyDispatch::RunAction(const TTreeData& row)
{
    if (row.Folder == ActionInsertText)
        InsertText(FNameSpace.Get(), row.EntryID);
    else if (row.Folder == ActionSwitchToFolder)
        SwitchToFolder(FNameSpace.Get(), row.EntryID);
    else if (row.Folder == ActionSendDesktopScreenshot)
        SendDesktopScreenshot(FSession.Get(), row.EntryID);
}

void THotKeyDispatch::ItemsVSTNewText(TTreeData& Node, int Column, std::u16string_view NewText)
{
    if (Column == 1) {
        // Committing the action the row already has keeps its settings text: opening the list
        // and clicking elsewhere must not throw away a recipient list or a folder path. The
        // new settings text is found before anything changes, so a failure leaves the row as
        // it was.
        if (NewText != Node.Folder) {
            std::u16string settings = Node.EntryID;
            if (NewText == ActionInsertText)
                settings = DefaultInsertTextSettings;
            else if (NewText == ActionSwitchToFolder)
                settings = InboxPath(FSession.Get());
            else if (NewText == ActionSendDesktopScreenshot)
                settings = DefaultScreenshotSettings;
            Node.EntryID = std::move(settings);
        }
        Node.Folder = NewText;
    } else if (Column == 2) {
        Node.EntryID = NewText;
    }
    SaveHotKeys(FRows, FStorage);
    // The file follows every change of the table, so that an Outlook that ends without
    // disconnecting the add-in loses nothing.
    FStorage.Storage().Flush();
}

} // namespace zel
