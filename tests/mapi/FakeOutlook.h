// A small Outlook state for the stand-in library's tests: a folder tree under "Personal Folders"
// with Inbox and Drafts, an application with a version, and inspectors with a body, a caret and
// a selection. It answers the stand-in Outlook's custom interfaces, through which the library
// stand-in reaches Outlook.
#pragma once

#include "common/StandinObject.h"
#include "outlook/StandinOutlookInterfaces.h"

#include <string>
#include <vector>

namespace zel::testing {

using standin::TCallArgs;
using standin::TStandinError;
using standin::TStandinObject;

class TFakeFolder final : public TStandinObject {
public:
    explicit TFakeFolder(std::wstring name) : TStandinObject(L"MAPIFolder", {}), Name(std::move(name))
    {
        AddProperty(L"Name", [this](const TCallArgs&) { return TOleVariant(Name); });
    }
    TFakeFolder* Add(const std::wstring& name)
    {
        Children.push_back(standin::MakeStandin<TFakeFolder>(name));
        Children.back()->Parent = this;
        return Children.back().Get();
    }
    TFakeFolder* Child(const std::wstring& name) const
    {
        for (const auto& c : Children)
            if (c->Name == name)
                return c.Get();
        return nullptr;
    }

    std::wstring Name;
    TFakeFolder* Parent = nullptr;
    std::vector<ComPtr<TFakeFolder>> Children;
    std::vector<ComPtr<IDispatch>> Items;
};

class TFakeApplication final : public TStandinObject {
public:
    TFakeApplication() : TStandinObject(L"Application", {})
    {
        AddProperty(L"Version", [](const TCallArgs&) { return TOleVariant(L"16.0.0.4711"); });
    }
};

// The namespace's MAPIOBJECT.
class TFakeOutlook final : public TStandinObject, public standin::IStandinOutlookSession {
public:
    TFakeOutlook() : TStandinObject(L"MAPIOBJECT", {}), Root(standin::MakeStandin<TFakeFolder>(L"Personal Folders"))
    {
        Inbox = Root->Add(L"Inbox");
        Drafts = Root->Add(L"Drafts");
        Inbox->Add(L"Projects");
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override { return TStandinObject::QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return TStandinObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override { return TStandinObject::Release(); }

    HRESULT STDMETHODCALLTYPE GetApplication(IDispatch** application) override
    {
        return Application->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(application));
    }
    HRESULT STDMETHODCALLTYPE GetRootFolder(IDispatch** folder) override
    {
        return Root->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(folder));
    }
    HRESULT STDMETHODCALLTYPE GetDefaultFolder(LONG folderType, IDispatch** folder) override
    {
        *folder = nullptr;
        TFakeFolder* found = folderType == standin::olFolderInbox    ? Inbox
                             : folderType == standin::olFolderDrafts ? Drafts
                                                                     : nullptr;
        if (!found)
            return static_cast<HRESULT>(0x8004010Fu);
        return found->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(folder));
    }
    HRESULT STDMETHODCALLTYPE GetFolderPath(IDispatch* folder, BSTR* path) override
    {
        TFakeFolder* f = Find(Root.Get(), folder);
        if (!f)
            return E_INVALIDARG;
        std::wstring text;
        for (; f; f = f->Parent)
            text = L"\\" + f->Name + text;
        *path = SysAllocString((L"\\" + text).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddItem(IDispatch* folder, IDispatch* item) override
    {
        TFakeFolder* f = Find(Root.Get(), folder);
        if (!f)
            return E_INVALIDARG;
        f->Items.emplace_back(item);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DisplayItem(IDispatch* item) override
    {
        Displayed.emplace_back(item);
        return S_OK;
    }

    // The folder that a backslash path names (leading pair of backslashes, then names), or null.
    TFakeFolder* Resolve(std::wstring path) const
    {
        if (path.rfind(L"\\\\", 0) != 0)
            return nullptr;
        path = path.substr(2);
        TFakeFolder* current = nullptr;
        size_t start = 0;
        for (;;) {
            const size_t end = path.find(L'\\', start);
            const std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
            current = current ? current->Child(part) : (part == Root->Name ? Root.Get() : nullptr);
            if (!current || end == std::wstring::npos)
                return current;
            start = end + 1;
        }
    }

    ComPtr<TFakeApplication> Application = standin::MakeStandin<TFakeApplication>();
    ComPtr<TFakeFolder> Root;
    TFakeFolder* Inbox = nullptr;
    TFakeFolder* Drafts = nullptr;
    std::vector<ComPtr<IDispatch>> Displayed;

protected:
    void* QueryExtra(const IID& iid) noexcept override
    {
        return iid == standin::IID_IStandinOutlookSession ? static_cast<standin::IStandinOutlookSession*>(this) : nullptr;
    }

private:
    static TFakeFolder* Find(TFakeFolder* from, IDispatch* folder)
    {
        if (from->Dispatch() == folder)
            return from;
        for (const auto& c : from->Children)
            if (TFakeFolder* f = Find(c.Get(), folder))
                return f;
        return nullptr;
    }
};

class TFakeInspector final : public TStandinObject, public standin::IStandinInspectorEditor {
public:
    TFakeInspector(std::wstring body, LONG start, LONG length)
        : TStandinObject(L"Inspector", {}), Body(std::move(body)), Start(start), Length(length)
    {
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override { return TStandinObject::QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return TStandinObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override { return TStandinObject::Release(); }

    HRESULT STDMETHODCALLTYPE GetBody(BSTR* body) override
    {
        *body = SysAllocStringLen(Body.data(), static_cast<UINT>(Body.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBody(BSTR body) override
    {
        Body.assign(body ? body : L"", body ? SysStringLen(body) : 0);
        Start = static_cast<LONG>(Body.size());
        Length = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSelection(LONG* start, LONG* length) override
    {
        *start = Start;
        *length = Length;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSelection(LONG start, LONG length) override
    {
        if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > Body.size())
            return E_INVALIDARG;
        Start = start;
        Length = length;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReplaceSelection(BSTR text) override
    {
        const std::wstring inserted(text ? text : L"", text ? SysStringLen(text) : 0);
        Body.replace(static_cast<size_t>(Start), static_cast<size_t>(Length), inserted);
        Start += static_cast<LONG>(inserted.size());
        Length = 0;
        return S_OK;
    }

    std::wstring Body;
    LONG Start;
    LONG Length;

protected:
    void* QueryExtra(const IID& iid) noexcept override
    {
        return iid == standin::IID_IStandinInspectorEditor ? static_cast<standin::IStandinInspectorEditor*>(this) : nullptr;
    }
};

} // namespace zel::testing
