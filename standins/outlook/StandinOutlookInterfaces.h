// Custom interfaces of the stand-in Outlook, through which other stand-ins (the extended-MAPI
// library) reach the stand-in's state without Outlook's own extended-MAPI interfaces.
//
//   The namespace's MAPIOBJECT answers IStandinOutlookSession:
//     ComPtr<IStandinOutlookSession> s;
//     mapiObject->QueryInterface(IID_IStandinOutlookSession, &s);
//     ComPtr<IDispatch> inbox; s->GetDefaultFolder(6, &inbox);        // 6 Inbox, 16 Drafts
//     BSTR path; s->GetFolderPath(inbox.Get(), &path);                // "\\Personal Folders\Inbox"
//     s->AddItem(drafts.Get(), message);   // the message object joins the folder's Items
//     s->DisplayItem(message);             // opens an inspector on it (NewInspector is raised)
//
//   Every inspector answers IStandinInspectorEditor: the body text of its item, a caret and a
//   selection (start and length in UTF-16 code units; the caret is at start + length).
//     editor->ReplaceSelection(text);      // what "SelText" does: insert at the caret
//
// All methods are noexcept COM methods returning an HRESULT; out-parameters are owned by the
// caller (BSTRs freed with SysFreeString, interfaces released).
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace zel::standin {

// {CF6EFC36-C0DF-4C47-A29E-D24EADA454D3}
inline constexpr IID IID_IStandinOutlookSession = {
    0xcf6efc36, 0xc0df, 0x4c47, {0xa2, 0x9e, 0xd2, 0x4e, 0xad, 0xa4, 0x54, 0xd3}};
// {49B990BA-7123-4725-8C14-9A705C2E8DD9}
inline constexpr IID IID_IStandinInspectorEditor = {
    0x49b990ba, 0x7123, 0x4725, {0x8c, 0x14, 0x9a, 0x70, 0x5c, 0x2e, 0x8d, 0xd9}};

// Outlook's default folder numbers that the stand-in knows.
inline constexpr LONG olFolderInbox = 6;
inline constexpr LONG olFolderDrafts = 16;

struct IStandinOutlookSession : public IUnknown {
    // The stand-in's Application object.
    virtual HRESULT STDMETHODCALLTYPE GetApplication(IDispatch** application) = 0;
    // The root folder of the default store ("Personal Folders").
    virtual HRESULT STDMETHODCALLTYPE GetRootFolder(IDispatch** folder) = 0;
    // A default folder by Outlook's number (6 Inbox, 16 Drafts); MAPI_E_NOT_FOUND (0x8004010F)
    // for any other number.
    virtual HRESULT STDMETHODCALLTYPE GetDefaultFolder(LONG folderType, IDispatch** folder) = 0;
    // The folder's full path: two backslashes, the root's name, then "\" and each name below.
    // E_INVALIDARG for an object that is no folder of this stand-in.
    virtual HRESULT STDMETHODCALLTYPE GetFolderPath(IDispatch* folder, BSTR* path) = 0;
    // Appends an item (any IDispatch object, e.g. a draft message) to the folder's Items.
    virtual HRESULT STDMETHODCALLTYPE AddItem(IDispatch* folder, IDispatch* item) = 0;
    // Shows the item: opens a new inspector on it (raising NewInspector) and counts the display.
    // The inspector's body text starts as the item's "Body" property when it has one.
    virtual HRESULT STDMETHODCALLTYPE DisplayItem(IDispatch* item) = 0;
};

struct IStandinInspectorEditor : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetBody(BSTR* body) = 0;
    // Replaces the body; the caret goes to the end, the selection becomes empty.
    virtual HRESULT STDMETHODCALLTYPE SetBody(BSTR body) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelection(LONG* start, LONG* length) = 0;
    // E_INVALIDARG when the range lies outside the body.
    virtual HRESULT STDMETHODCALLTYPE SetSelection(LONG start, LONG length) = 0;
    // Replaces the selection with the text (inserts at the caret when the selection is empty);
    // afterwards the caret stands after the inserted text and the selection is empty.
    virtual HRESULT STDMETHODCALLTYPE ReplaceSelection(BSTR text) = 0;
};

} // namespace zel::standin
