// What a pressed hotkey and a committed cell edit do to the hotkey table, without a window: the
// settings window hands its parts (the rows, the store, the status text, the Outlook namespace
// and the extended-MAPI session) to one THotKeyDispatch and routes its two events here.
//
//   THotKeyDispatch dispatch(rows, formStorage, [&](const std::u16string& t) { statusBar.SetText(t); });
//   dispatch.SetNameSpace(outlookNameSpace);  dispatch.SetSession(rSession);
//   hotKey->OnHotKey = [&](TJvApplicationHotKey* sender) { dispatch.DoHotKey(sender); };
#pragma once

#include "hotkeys/HotKeyTable.h"
#include "outlook/OleVariant.h"

#include <functional>
#include <string>
#include <string_view>

namespace zel {

class TFormStorage;
class TJvApplicationHotKey;

class THotKeyDispatch {
public:
    // Receives the text of the status bar's first panel.
    using TStatusText = std::function<void(const std::u16string& text)>;

    THotKeyDispatch(THotKeyRows& rows, TFormStorage& storage, TStatusText statusText);

    // The Outlook namespace (the application is reached through it on every press) and the
    // extended-MAPI session; either may be null while there is none.
    void SetNameSpace(IDispatch* nameSpace) noexcept { FNameSpace = nameSpace; }
    void SetSession(IDispatch* session) noexcept { FSession = session; }
    IDispatch* NameSpace() const noexcept { return FNameSpace.Get(); }
    IDispatch* Session() const noexcept { return FSession.Get(); }

    // A hotkey was pressed: reports "<shortcut text> pressed." in the status text, then runs the
    // action of the first row whose hotkey text matches (ASCII letters folded). Every failure
    // ends the dispatch silently; nothing escapes to the caller.
    void DoHotKey(TJvApplicationHotKey* Sender) noexcept;

    // A cell edit was committed: column 1 sets the action and, when it differs from the row's
    // action, that action's default settings text; column 2 sets the settings text; the whole
    // table is then saved and the store written to its file. Raises when the session cannot give
    // the Inbox's path for "Switch To Folder"; the row then stays as it was and nothing is saved.
    void ItemsVSTNewText(TTreeData& Node, int Column, std::u16string_view NewText);

private:
    void RunAction(const TTreeData& row);

    THotKeyRows& FRows;
    TFormStorage& FStorage;
    TStatusText FStatusText;
    ComPtr<IDispatch> FNameSpace;
    ComPtr<IDispatch> FSession;
};

} // namespace zel
