// The stand-in library's session and the objects reached from it: folders, their item
// collections, new messages with attachments and recipients. The session works on the stand-in
// Outlook whose MAPIOBJECT it was given, through that object's IStandinOutlookSession only.
#pragma once

#include "standins/common/StandinObject.h"
#include "standins/outlook/StandinOutlookInterfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace zel::standin {

// The Outlook a session works on, shared by the session and every object made from it. The
// session lets go of Outlook when it is released (or given another MAPIOBJECT): messages that
// Outlook keeps in its folders then hold no reference back to Outlook.
struct TOutlookLink {
    ComPtr<IStandinOutlookSession> Session;
    // The linked Outlook; raises when the session has none.
    IStandinOutlookSession& Outlook() const;
};
using TOutlookLinkPtr = std::shared_ptr<TOutlookLink>;

class TRDOSession final : public TStandinObject {
public:
    TRDOSession();

private:
    void BeforeDestroy() noexcept override;
    TOutlookLinkPtr FLink;
    ComPtr<IUnknown> FMapiObject;
};

class TRDOFolder final : public TStandinObject {
public:
    TRDOFolder(TOutlookLinkPtr link, ComPtr<IDispatch> outlookFolder);

private:
    TOutlookLinkPtr FLink;
    ComPtr<IDispatch> FOutlookFolder;
};

class TRDOItems final : public TStandinObject {
public:
    TRDOItems(TOutlookLinkPtr link, ComPtr<IDispatch> outlookFolder);

private:
    TOutlookLinkPtr FLink;
    ComPtr<IDispatch> FOutlookFolder;
};

class TRDOAttachment final : public TStandinObject {
public:
    TRDOAttachment(std::int32_t type, std::wstring fileName, std::wstring displayName, std::vector<char> content);

private:
    std::int32_t FType;
    std::wstring FFileName;
    std::wstring FDisplayName;
    std::vector<char> FContent;
};

class TRDOAttachments final : public TStandinObject {
public:
    TRDOAttachments();

private:
    std::vector<ComPtr<TRDOAttachment>> FItems;
};

class TRDORecipient final : public TStandinObject {
public:
    explicit TRDORecipient(std::wstring name);

private:
    std::wstring FName;
};

class TRDORecipients final : public TStandinObject {
public:
    TRDORecipients();

private:
    std::vector<ComPtr<TRDORecipient>> FItems;
};

class TRDOMail final : public TStandinObject {
public:
    TRDOMail(TOutlookLinkPtr link, std::wstring messageClass);

private:
    TOutlookLinkPtr FLink;
    std::wstring FMessageClass;
    std::wstring FSubject;
    std::wstring FBody;
    ComPtr<TRDOAttachments> FAttachments;
    ComPtr<TRDORecipients> FRecipients;
};

} // namespace zel::standin
