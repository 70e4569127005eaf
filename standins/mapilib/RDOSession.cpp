#include "standins/mapilib/RDOSession.h"

#include "platform/Exceptions.h"
#include "mapi/RedemptionIds.h"
#include "standins/mapilib/StandinSupport.h"
#include "outlook/LateBinding.h"

namespace zel::standin {
namespace {

constexpr HRESULT MAPI_E_NOT_FOUND_HR = static_cast<HRESULT>(0x8004010Fu);
constexpr HRESULT MAPI_E_NOT_INITIALIZED_HR = static_cast<HRESULT>(0x80040605u);
constexpr HRESULT MAPI_E_NO_SUPPORT_HR = static_cast<HRESULT>(0x80040102u);
// Attachment types: by value (the file's content is copied into the message).
constexpr std::int32_t olByValue = 1;

void Check(HRESULT hr, const wchar_t* what)
{
    if (FAILED(hr))
        throw TStandinError(hr, what);
}

template <class T>
TOleVariant Object(const ComPtr<T>& object)
{
    return TOleVariant(object->Dispatch());
}

// The object held by a variant (IUnknown or IDispatch, also by reference), or null.
ComPtr<IUnknown> UnknownOf(const VARIANT& value)
{
    const VARIANT* v = &value;
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal)
        v = v->pvarVal;
    switch (v->vt) {
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return ComPtr<IUnknown>(v->punkVal);
    case VT_UNKNOWN | VT_BYREF:
    case VT_DISPATCH | VT_BYREF:
        return v->ppunkVal ? ComPtr<IUnknown>(*v->ppunkVal) : nullptr;
    default:
        return nullptr;
    }
}

// The 1-based index of a collection's Item, checked against its size.
size_t CollectionIndex(const TCallArgs& args, size_t count)
{
    const std::int32_t index = args.Int(0);
    if (index < 1 || static_cast<size_t>(index) > count)
        throw TStandinError(DISP_E_BADINDEX, L"No item with this index");
    return static_cast<size_t>(index) - 1;
}

std::wstring FileNamePart(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

IStandinOutlookSession& TOutlookLink::Outlook() const
{
    if (!Session)
        throw TStandinError(MAPI_E_NOT_INITIALIZED_HR, L"The session has no MAPIOBJECT");
    return *Session.Get();
}

// ---- session

TRDOSession::TRDOSession()
    : TStandinObject(L"RDOSession", {redemption::IID_IRDOSession}), FLink(std::make_shared<TOutlookLink>())
{
    // Outlook's MAPI object is put by value (session.MAPIOBJECT = nameSpace.MAPIOBJECT).
    AddProperty(
        L"MAPIOBJECT", [this](const TCallArgs&) { return TOleVariant(FMapiObject.Get()); },
        [this](const TCallArgs& args) {
            ComPtr<IUnknown> object = UnknownOf(args.Value().Get());
            ComPtr<IStandinOutlookSession> session;
            if (!object || FAILED(object->QueryInterface(IID_IStandinOutlookSession, reinterpret_cast<void**>(session.GetAddressOf()))))
                throw TStandinError(E_INVALIDARG, L"MAPIOBJECT must be the MAPIOBJECT of the stand-in Outlook");
            FMapiObject = object;
            FLink->Session = session;
        });
    AddProperty(L"LoggedOn", [this](const TCallArgs&) { return TOleVariant(FLink->Session != nullptr); });
    // Outlook's version text, as the Outlook application that the session works on reports it;
    // an application without a Version property is taken for the current Outlook.
    AddProperty(L"OutlookVersion", [this](const TCallArgs&) {
        ComPtr<IDispatch> application;
        Check(FLink->Outlook().GetApplication(&application), L"GetApplication failed");
        try {
            return TOleVariant(OleGet(application.Get(), L"Version").AsString());
        } catch (const EOleSysError&) {
            return TOleVariant(L"16.0.0.0");
        }
    });
    AddMethod(L"GetDefaultFolder", {L"FolderType"}, [this](const TCallArgs& args) {
        ComPtr<IDispatch> folder;
        Check(FLink->Outlook().GetDefaultFolder(args.Int(0), &folder), L"No such default folder");
        return Object(MakeStandin<TRDOFolder>(FLink, folder));
    });
}

void TRDOSession::BeforeDestroy() noexcept
{
    FLink->Session.Reset();
    FMapiObject.Reset();
}

// ---- folders and their items

TRDOFolder::TRDOFolder(TOutlookLinkPtr link, ComPtr<IDispatch> outlookFolder)
    : TStandinObject(L"RDOFolder", {redemption::IID_SessionFolder}), FLink(std::move(link)),
      FOutlookFolder(std::move(outlookFolder))
{
    AddProperty(L"FolderPath", [this](const TCallArgs&) {
        TBStr path;
        Check(FLink->Outlook().GetFolderPath(FOutlookFolder.Get(), path.Receive()), L"GetFolderPath failed");
        return TOleVariant(path.Text());
    });
    AddProperty(L"Name", [this](const TCallArgs&) { return TOleVariant(OleGet(FOutlookFolder.Get(), L"Name").AsString()); });
    AddProperty(L"Items", [this](const TCallArgs&) { return Object(MakeStandin<TRDOItems>(FLink, FOutlookFolder)); });
}

TRDOItems::TRDOItems(TOutlookLinkPtr link, ComPtr<IDispatch> outlookFolder)
    : TStandinObject(L"RDOItems", {}), FLink(std::move(link)), FOutlookFolder(std::move(outlookFolder))
{
    // A new message in the folder; its class defaults to "IPM.Note". The message joins the
    // folder in Outlook at once (the stand-in has no separate Save).
    AddMethod(L"Add", {L"Type"}, [this](const TCallArgs& args) {
        const std::wstring messageClass = args.Given(0) ? args.String(0) : L"IPM.Note";
        auto mail = MakeStandin<TRDOMail>(FLink, messageClass);
        Check(FLink->Outlook().AddItem(FOutlookFolder.Get(), mail->Dispatch()), L"AddItem failed");
        return Object(mail);
    });
}

// ---- messages

TRDOMail::TRDOMail(TOutlookLinkPtr link, std::wstring messageClass)
    : TStandinObject(L"RDOMail", {}), FLink(std::move(link)), FMessageClass(std::move(messageClass)),
      FAttachments(MakeStandin<TRDOAttachments>()), FRecipients(MakeStandin<TRDORecipients>())
{
    AddProperty(L"MessageClass", [this](const TCallArgs&) { return TOleVariant(FMessageClass); });
    AddProperty(
        L"Subject", [this](const TCallArgs&) { return TOleVariant(FSubject); },
        [this](const TCallArgs& args) { FSubject = args.Value().AsString(); });
    AddProperty(
        L"Body", [this](const TCallArgs&) { return TOleVariant(FBody); },
        [this](const TCallArgs& args) { FBody = args.Value().AsString(); });
    AddProperty(L"Attachments", [this](const TCallArgs&) { return Object(FAttachments); });
    AddProperty(L"Recipients", [this](const TCallArgs&) { return Object(FRecipients); });
    // Shows the message in a window of the stand-in Outlook and returns at once; the stand-in
    // has no modal display.
    AddMethod(L"Display", {L"Modal", L"ParentWnd"}, [this](const TCallArgs& args) {
        if (args.Given(0) && args.Bool(0))
            throw TStandinError(MAPI_E_NO_SUPPORT_HR, L"The stand-in has no modal display");
        Check(FLink->Outlook().DisplayItem(Dispatch()), L"DisplayItem failed");
        return TOleVariant();
    });
    AddMethod(L"Save", {}, [](const TCallArgs&) { return TOleVariant(); });
}

TRDOAttachment::TRDOAttachment(std::int32_t type, std::wstring fileName, std::wstring displayName,
                               std::vector<char> content)
    : TStandinObject(L"RDOAttachment", {}), FType(type), FFileName(std::move(fileName)),
      FDisplayName(std::move(displayName)), FContent(std::move(content))
{
    AddProperty(L"Type", [this](const TCallArgs&) { return TOleVariant(FType); });
    AddProperty(L"FileName", [this](const TCallArgs&) { return TOleVariant(FFileName); });
    AddProperty(L"DisplayName", [this](const TCallArgs&) { return TOleVariant(FDisplayName); });
    AddProperty(L"Size", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FContent.size())); });
    // Writes the attachment's content to a file.
    AddMethod(L"SaveAsFile", {L"Path"}, [this](const TCallArgs& args) {
        WriteFileContent(args.String(0), FContent);
        return TOleVariant();
    });
}

TRDOAttachments::TRDOAttachments() : TStandinObject(L"RDOAttachments", {})
{
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FItems.size())); });
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& args) {
        return Object(FItems[CollectionIndex(args, FItems.size())]);
    });
    // Source: the file's path; Type: 1 (by value, the default) copies the file's content at
    // once; Position is ignored; DisplayName defaults to the file's name.
    AddMethod(L"Add", {L"Source", L"Type", L"Position", L"DisplayName"}, [this](const TCallArgs& args) {
        const std::wstring source = args.String(0);
        const std::int32_t type = args.Given(1) ? args.Int(1) : olByValue;
        if (type != olByValue)
            throw TStandinError(MAPI_E_NO_SUPPORT_HR, L"The stand-in attaches files by value only");
        std::wstring fileName = FileNamePart(source);
        std::wstring displayName = args.Given(3) ? args.String(3) : fileName;
        auto attachment = MakeStandin<TRDOAttachment>(type, std::move(fileName), std::move(displayName),
                                                      ReadFileContent(source));
        FItems.push_back(attachment);
        return Object(attachment);
    });
}

TRDORecipient::TRDORecipient(std::wstring name) : TStandinObject(L"RDORecipient", {}), FName(std::move(name))
{
    AddProperty(
        L"Name", [this](const TCallArgs&) { return TOleVariant(FName); },
        [this](const TCallArgs& args) { FName = args.Value().AsString(); });
}

TRDORecipients::TRDORecipients() : TStandinObject(L"RDORecipients", {})
{
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FItems.size())); });
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& args) {
        return Object(FItems[CollectionIndex(args, FItems.size())]);
    });
    // Any text is accepted as a name, unresolved, except the one a test asks the stand-in to
    // reject (see StandinSupport.h).
    AddMethod(L"Add", {L"Name"}, [this](const TCallArgs& args) {
        std::wstring name = args.String(0);
        if (IsRejectedRecipient(name))
            throw TStandinError(MAPI_E_NOT_FOUND_HR, L"The recipient was rejected");
        auto recipient = MakeStandin<TRDORecipient>(std::move(name));
        FItems.push_back(recipient);
        return Object(recipient);
    });
}

} // namespace zel::standin
