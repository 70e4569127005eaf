// Drives the settings window of another process (the add-in inside the stand-in Outlook) as a
// user would, through messages that cross processes (no pointers in them) and real mouse input:
// the hotkey edit box, "Add", the table's keyboard (End, arrows, F2) and its cell editors.
//
//   TSettingsWindowRemote form(TSettingsWindowRemote::Find(hostProcessId));
//   form.AddHotKey(u"Shift+Ctrl+Alt+F9");            // a new row: "Insert Text"
//   form.EditLastRow(2, u"Kind regards");             // its settings text, committed
#pragma once

#include "hotkeys/HotKeyControlValue.h"
#include "hotkeys/Main.h"
#include "hotkeys/ShortCut.h"
#include "platform/WideText.h"
#include "support/UserInput.h"

#include <commctrl.h>

#include <string>
#include <string_view>

namespace zel::testing {

class TSettingsWindowRemote {
public:
    explicit TSettingsWindowRemote(HWND form) : FForm(form) {}

    // The settings window of the process (shown or hidden), waiting up to the timeout for it.
    static HWND Find(DWORD processId, DWORD milliseconds = 10000)
    {
        const ULONGLONG deadline = GetTickCount64() + milliseconds;
        do {
            TProcessSearch search{processId, nullptr};
            EnumWindows(FindInProcess, reinterpret_cast<LPARAM>(&search));
            if (search.Found)
                return search.Found;
            Sleep(50);
        } while (GetTickCount64() < deadline);
        return nullptr;
    }

    HWND Handle() const noexcept { return FForm; }

    // A descendant window by its control identifier.
    HWND Control(int id) const
    {
        TIdSearch search{id, nullptr};
        EnumChildWindows(FForm, FindById, reinterpret_cast<LPARAM>(&search));
        return search.Found;
    }

    // The chord in the hotkey edit box, then "Add".
    void AddHotKey(std::u16string_view chord) const
    {
        SendMessageW(Control(TMainForm::idHotKeyEdit), HKM_SETHOTKEY, HotKeyValueFromShortCut(TextToShortCut(chord)), 0);
        SendMessageW(Control(TMainForm::idAddButton), BM_CLICK, 0, 0);
    }

    // A key pressed on the table.
    void TableKey(WPARAM key) const
    {
        const HWND table = Control(TMainForm::idItemsVST);
        SendMessageW(table, WM_KEYDOWN, key, 1);
        SendMessageW(table, WM_KEYUP, key, 0xC0000001);
    }

    // The visible cell editor of the table (an edit box or a drop-down list), or null.
    HWND Editor(DWORD milliseconds = 3000) const
    {
        const ULONGLONG deadline = GetTickCount64() + milliseconds;
        do {
            HWND found = nullptr;
            EnumChildWindows(Control(TMainForm::idItemsVST), FindEditor, reinterpret_cast<LPARAM>(&found));
            if (found)
                return found;
            Sleep(30);
        } while (GetTickCount64() < deadline);
        return nullptr;
    }

    // Opens the last row's cell of the column (0 hotkey, 1 action, 2 settings) for editing.
    HWND OpenLastRowCell(int column) const
    {
        TableKey(VK_END);
        for (int i = 0; i < 3; ++i)
            TableKey(VK_LEFT);
        for (int i = 0; i < column; ++i)
            TableKey(VK_RIGHT);
        TableKey(VK_F2);
        return Editor();
    }

    // Commits the open editor with a click on the table's empty part below the rows.
    void CommitByClick() const
    {
        RECT table{};
        GetWindowRect(Control(TMainForm::idItemsVST), &table);
        ClickAt(POINT{table.left + 40, table.bottom - 12}, 300);
    }

    // The last row's settings text (column 2) replaced and committed.
    bool EditLastRowText(std::u16string_view text) const
    {
        const HWND editor = OpenLastRowCell(2);
        if (!editor)
            return false;
        const std::wstring wide(AsWide(text));
        SendMessageW(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        CommitByClick();
        return true;
    }

    // The last row's action chosen by its place in the list, and committed.
    bool ChooseLastRowAction(int index) const
    {
        const HWND editor = OpenLastRowCell(1);
        if (!editor)
            return false;
        SendMessageW(editor, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(editor, CB_SHOWDROPDOWN, FALSE, 0);
        CommitByClick();
        return true;
    }

private:
    struct TProcessSearch {
        DWORD Process;
        HWND Found;
    };
    struct TIdSearch {
        int Id;
        HWND Found;
    };
    static BOOL CALLBACK FindInProcess(HWND window, LPARAM data)
    {
        auto* search = reinterpret_cast<TProcessSearch*>(data);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (process == search->Process && std::wstring_view(name) == L"TMainForm") {
            search->Found = window;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK FindById(HWND window, LPARAM data)
    {
        auto* search = reinterpret_cast<TIdSearch*>(data);
        if (GetDlgCtrlID(window) == search->Id) {
            search->Found = window;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK FindEditor(HWND window, LPARAM data)
    {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        const std::wstring_view kind(name);
        if (IsWindowVisible(window) && (kind == L"Edit" || kind == L"ComboBox")) {
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        }
        return TRUE;
    }

    HWND FForm;
};

} // namespace zel::testing
