#include "outlook/uOutlookEvents.h"

#include "support/ComApartment.h"
#include "support/RaiseCounter.h"
#include "standins/outlook/StandinOutlook.h"
#include "platform/Exceptions.h"
#include "outlook/OutlookIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel {
namespace {

using namespace zel::standin;

::testing::Environment* const GApartment = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

// Each test runs against a fresh stand-in Outlook and ends with no stand-in object alive.
class OutlookEvents : public ::testing::Test {
protected:
    void TearDown() override
    {
        wrappers.clear();
        explorer.Reset();
        inspector.Reset();
        app.Reset();
        ClearInjectedFailures();
        EXPECT_EQ(LiveStandinObjects(), 0);
    }

    TStandinFolder* Folder(const wchar_t* name) { return app->NameSpace()->FindFolder(name); }

    template <class W>
    W& Wrap(IUnknown* object)
    {
        wrappers.push_back(std::make_unique<W>(object));
        return static_cast<W&>(*wrappers.back());
    }

    // Sends an event straight to a wrapper's sink, as Outlook would.
    static HRESULT Send(TOutlookServer& wrapper, DISPID dispid, std::vector<VARIANT> args)
    {
        std::reverse(args.begin(), args.end());
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        return wrapper.EventSink()->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }

    ComPtr<TStandinApplication> app = TStandinApplication::Create();
    ComPtr<TStandinExplorer> explorer = app->OpenExplorer(Folder(L"Inbox"));
    ComPtr<TStandinInspector> inspector = app->OpenInspector(nullptr, L"Body");
    std::vector<std::unique_ptr<TOutlookServer>> wrappers;
    std::vector<std::string> log;
};

VARIANT ByRefBool(VARIANT_BOOL* value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_BOOL;
    v.pboolVal = value;
    return v;
}

VARIANT Object(IDispatch* object)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

// ---- every event of every wrapper, from the stand-in, with the right sender

struct ExplorerCase {
    const char* name;
    std::function<void(TStandinExplorer&, TStandinApplication&)> act;
    std::vector<std::string> expected;
};

class ExplorerEvents : public OutlookEvents, public ::testing::WithParamInterface<ExplorerCase> {};

TEST_P(ExplorerEvents, ReachTheirCallbacksWithTheWrapperAsSender)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    auto record = [&](const char* name) {
        return [&, name](TOutlookServer* sender) {
            EXPECT_EQ(sender, &w);
            log.push_back(name);
        };
    };
    w.OnActivate = record("Activate");
    w.OnDeactivate = record("Deactivate");
    w.OnFolderSwitch = record("FolderSwitch");
    w.OnViewSwitch = record("ViewSwitch");
    w.OnSelectionChange = record("SelectionChange");
    w.OnClose = record("Close");
    w.OnBeforeFolderSwitch = [&](TOutlookExplorer* sender, IDispatch* folder, VARIANT_BOOL& cancel) {
        EXPECT_EQ(sender, &w);
        EXPECT_EQ(cancel, VARIANT_FALSE);
        log.push_back("BeforeFolderSwitch:" + std::string(StandinCast<TStandinFolder>(folder) ? "folder" : "?"));
    };
    w.OnBeforeViewSwitch = [&](TOutlookExplorer* sender, IDispatch* view, VARIANT_BOOL&) {
        EXPECT_EQ(sender, &w);
        TStandinView* v = StandinCast<TStandinView>(view);
        log.push_back("BeforeViewSwitch:" + std::string(v && v->Name() == L"Compact" ? "Compact" : "?"));
    };
    GetParam().act(*explorer.Get(), *app.Get());
    EXPECT_EQ(log, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ExplorerEvents, ::testing::Values(
    ExplorerCase{"Activate", [](TStandinExplorer& e, TStandinApplication&) { e.Activate(); }, {"Activate"}},
    ExplorerCase{"Deactivate", [](TStandinExplorer& e, TStandinApplication&) { e.Deactivate(); }, {"Deactivate"}},
    ExplorerCase{"FolderSwitch",
                 [](TStandinExplorer& e, TStandinApplication& a) { e.SwitchFolder(a.NameSpace()->FindFolder(L"Drafts")); },
                 {"BeforeFolderSwitch:folder", "FolderSwitch"}},
    ExplorerCase{"ViewSwitch", [](TStandinExplorer& e, TStandinApplication&) { e.SwitchView(L"Compact"); },
                 {"BeforeViewSwitch:Compact", "ViewSwitch"}},
    ExplorerCase{"SelectionChange", [](TStandinExplorer& e, TStandinApplication&) { e.ChangeSelection(); }, {"SelectionChange"}},
    ExplorerCase{"Close", [](TStandinExplorer& e, TStandinApplication&) { e.Close(); }, {"Close"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutlookEvents, InspectorEventsReachTheirCallbacks)
{
    auto& w = Wrap<TOutlookInspector>(inspector->Dispatch());
    auto record = [&](const char* name) {
        return [&, name](TOutlookInspector* sender) {
            EXPECT_EQ(sender, &w);
            log.push_back(name);
        };
    };
    w.OnActivate = record("Activate");
    w.OnDeactivate = record("Deactivate");
    w.OnClose = record("Close");
    inspector->Deactivate();
    inspector->Activate();
    inspector->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"Deactivate", "Activate", "Close"}));
}

TEST_F(OutlookEvents, NewExplorerAndNewInspectorHandTheNewWindow)
{
    auto& explorers = Wrap<TOutlookExplorers>(app->Explorers()->Dispatch());
    auto& inspectors = Wrap<TOutlookInspectors>(app->Inspectors()->Dispatch());
    IDispatch* seenExplorer = nullptr;
    IDispatch* seenInspector = nullptr;
    explorers.OnNewExplorer = [&](TOutlookExplorers* sender, IDispatch* e) {
        EXPECT_EQ(sender, &explorers);
        seenExplorer = e;
    };
    inspectors.OnNewInspector = [&](TOutlookInspectors* sender, IDispatch* i) {
        EXPECT_EQ(sender, &inspectors);
        seenInspector = i;
    };
    ComPtr<TStandinExplorer> second = app->OpenExplorer(Folder(L"Drafts"));
    ComPtr<TStandinInspector> another = app->OpenInspector(nullptr);
    EXPECT_EQ(seenExplorer, second->Dispatch());
    EXPECT_EQ(seenInspector, another->Dispatch());
}

TEST_F(OutlookEvents, ButtonClickHandsTheButtonAndCancelDefault)
{
    ComPtr<TStandinButton> button = explorer->CommandBars()->Standard()->Controls()->AddButton();
    auto& w = Wrap<TOutlookCommandBarButton>(button->Dispatch());
    IDispatch* seen = nullptr;
    w.OnClick = [&](TOutlookCommandBarButton* sender, IDispatch* ctrl, VARIANT_BOOL& cancelDefault) {
        EXPECT_EQ(sender, &w);
        seen = ctrl;
        log.push_back(cancelDefault ? "true" : "false");
    };
    EXPECT_FALSE(button->Click(false));
    EXPECT_TRUE(button->Click(true)); // left as passed
    EXPECT_EQ(seen, button->Dispatch());
    EXPECT_EQ(log, (std::vector<std::string>{"false", "true"}));
}

// ---- Cancel and CancelDefault

struct CancelCase {
    const char* name;
    // Sets up the wrapper whose handler sets the flag, and returns the stand-in action raising it.
    std::function<std::function<bool()>(OutlookEvents&, TStandinExplorer&)> arrange;
};

class CancelFlags : public OutlookEvents, public ::testing::WithParamInterface<CancelCase> {
public:
    using OutlookEvents::Wrap;
};

TEST_P(CancelFlags, SetByTheHandlerReachTheCallerAsTrue)
{
    std::function<bool()> raise = GetParam().arrange(*this, *explorer.Get());
    EXPECT_TRUE(raise());
}

INSTANTIATE_TEST_SUITE_P(Table, CancelFlags, ::testing::Values(
    CancelCase{"BeforeFolderSwitch", [](OutlookEvents& t, TStandinExplorer& e) -> std::function<bool()> {
        auto& w = static_cast<CancelFlags&>(t).Wrap<TOutlookExplorer>(e.Dispatch());
        w.OnBeforeFolderSwitch = [](TOutlookExplorer*, IDispatch*, VARIANT_BOOL& c) { c = 1; };
        TStandinFolder* drafts = e.CurrentFolder()->Parent()->Folders()->Find(L"Drafts");
        return [&e, drafts] { return !e.SwitchFolder(drafts) && e.CurrentFolder() != drafts; };
    }},
    CancelCase{"BeforeViewSwitch", [](OutlookEvents& t, TStandinExplorer& e) -> std::function<bool()> {
        auto& w = static_cast<CancelFlags&>(t).Wrap<TOutlookExplorer>(e.Dispatch());
        w.OnBeforeViewSwitch = [](TOutlookExplorer*, IDispatch*, VARIANT_BOOL& c) { c = VARIANT_TRUE; };
        return [&e] { return !e.SwitchView(L"Compact") && e.CurrentView() == L"Messages"; };
    }},
    CancelCase{"Click", [](OutlookEvents& t, TStandinExplorer& e) -> std::function<bool()> {
        ComPtr<TStandinButton> button = e.CommandBars()->Standard()->Controls()->AddButton();
        auto& w = static_cast<CancelFlags&>(t).Wrap<TOutlookCommandBarButton>(button->Dispatch());
        w.OnClick = [](TOutlookCommandBarButton*, IDispatch*, VARIANT_BOOL& c) { c = 7; };
        return [button] { return button->Click(false); };
    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutlookEvents, CancelIsWrittenBackAsVariantTrue)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    w.OnBeforeFolderSwitch = [](TOutlookExplorer*, IDispatch*, VARIANT_BOOL& c) { c = 1; };
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(Send(w, dispid::ExplorerBeforeFolderSwitch, {Object(Folder(L"Drafts")->Dispatch()), ByRefBool(&cancel)}), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
}

struct UntouchedCase {
    const char* name;
    bool button;
    DISPID dispid;
};

class UnassignedCallbacks : public OutlookEvents, public ::testing::WithParamInterface<UntouchedCase> {};

TEST_P(UnassignedCallbacks, LeaveAByReferenceCancelUntouched)
{
    ComPtr<TStandinButton> button = explorer->CommandBars()->Standard()->Controls()->AddButton();
    TOutlookServer& w = GetParam().button ? static_cast<TOutlookServer&>(Wrap<TOutlookCommandBarButton>(button->Dispatch()))
                                          : Wrap<TOutlookExplorer>(explorer->Dispatch());
    VARIANT_BOOL cancel = 0x55; // no boolean conversion may touch it
    EXPECT_EQ(Send(w, GetParam().dispid, {Object(button->Dispatch()), ByRefBool(&cancel)}), S_OK);
    EXPECT_EQ(cancel, 0x55);
}

INSTANTIATE_TEST_SUITE_P(Table, UnassignedCallbacks, ::testing::Values(
    UntouchedCase{"BeforeFolderSwitch", false, dispid::ExplorerBeforeFolderSwitch},
    UntouchedCase{"BeforeViewSwitch", false, dispid::ExplorerBeforeViewSwitch},
    UntouchedCase{"Click", true, dispid::CommandBarButtonClick}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- failures inside an event never reach the caller

TEST_F(OutlookEvents, AHandlerThatThrowsLeavesCancelAsPassedAndInvokeSucceeds)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    w.OnBeforeFolderSwitch = [](TOutlookExplorer*, IDispatch*, VARIANT_BOOL& c) {
        c = VARIANT_TRUE;
        throw Exception(u"handler failed");
    };
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(Send(w, dispid::ExplorerBeforeFolderSwitch, {Object(Folder(L"Drafts")->Dispatch()), ByRefBool(&cancel)}), S_OK);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    EXPECT_TRUE(explorer->SwitchFolder(Folder(L"Drafts")));
}

TEST_F(OutlookEvents, ANewExplorerThatRefusesExplorerInterfaceFailsInsideTheSink)
{
    auto& explorers = Wrap<TOutlookExplorers>(app->Explorers()->Dispatch());
    bool called = false;
    explorers.OnNewExplorer = [&](TOutlookExplorers*, IDispatch*) { called = true; };
    ComPtr<TStandinButton> notAnExplorer = explorer->CommandBars()->Standard()->Controls()->AddButton();
    explorer->Refuse(IID__Explorer);
    for (IDispatch* object : {static_cast<IDispatch*>(explorer->Dispatch()), notAnExplorer->Dispatch(),
                              static_cast<IDispatch*>(nullptr)})
        EXPECT_EQ(app->Explorers()->ConnectionPoint(DIID_ExplorersEvents)->Fire(dispid::NewExplorer, {Object(object)}), S_OK);
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"not an object");
    EXPECT_EQ(Send(explorers, dispid::NewExplorer, {text}), S_OK);
    VariantClear(&text);
    EXPECT_EQ(Send(explorers, dispid::NewExplorer, {}), S_OK); // too few arguments
    EXPECT_FALSE(called);
}

TEST_F(OutlookEvents, AViewThatIsNoObjectNeverReachesTheHandler)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    bool called = false;
    w.OnBeforeViewSwitch = [&](TOutlookExplorer*, IDispatch*, VARIANT_BOOL& c) { called = true; c = VARIANT_TRUE; };
    TOleVariant name(L"Compact");
    EXPECT_FALSE(explorer->RaiseBeforeViewSwitch(name.Get()));
    EXPECT_FALSE(called);
}

TEST_F(OutlookEvents, UnknownDispidsDoNothing)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    w.OnActivate = [&](TOutlookServer*) { log.push_back("Activate"); };
    for (DISPID id : {DISPID(-1), DISPID(0), DISPID(0xF009), DISPID(1)})
        EXPECT_EQ(Send(w, id, {}), S_OK);
    EXPECT_TRUE(log.empty());
}

// ---- lifetime

TEST_F(OutlookEvents, AnExplorerWrapperDestroyedByItsOwnOnClose)
{
    auto owned = std::make_unique<TOutlookExplorer>(explorer->Dispatch());
    ComPtr<IDispatch> sink(owned->EventSink());
    owned->OnClose = [&](TOutlookServer* sender) {
        EXPECT_EQ(sender, owned.get());
        owned.reset();
    };
    owned->OnActivate = [&](TOutlookServer*) { log.push_back("Activate"); };
    explorer->Close();
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(explorer->ConnectionPoint(DIID_ExplorerEvents)->SinkCount(), 0u);
    // Later calls on the same sink do nothing.
    DISPPARAMS none{};
    EXPECT_EQ(sink->Invoke(dispid::ExplorerActivate, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(log.empty());
}

TEST_F(OutlookEvents, DisconnectTwice)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    w.OnActivate = [&](TOutlookServer*) { log.push_back("Activate"); };
    EXPECT_NE(w.AdviseCookie(), 0u);
    EXPECT_TRUE(w.Connected());
    w.Disconnect();
    EXPECT_EQ(w.Intf(), nullptr);
    EXPECT_EQ(w.AdviseCookie(), 0u);
    EXPECT_FALSE(w.Connected());
    w.Disconnect();
    EXPECT_EQ(w.Intf(), nullptr);
    explorer->Activate();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(explorer->ConnectionPoint(DIID_ExplorerEvents)->SinkCount(), 0u);
    // and it can be attached again
    w.ConnectTo(explorer->Dispatch());
    explorer->Activate();
    EXPECT_EQ(log, std::vector<std::string>{"Activate"});
}

TEST_F(OutlookEvents, AFailedUnadviseKeepsTheCookieAndReleasesTheObject)
{
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    const DWORD cookie = w.AdviseCookie();
    explorer->FailOn(L"Unadvise", E_FAIL);
    testing::TRaiseCounter raises;
    w.Disconnect();
    EXPECT_EQ(raises.Count(), 1) << "the failure is raised for the error log, and caught";
    EXPECT_EQ(w.AdviseCookie(), cookie);
    EXPECT_EQ(w.Intf(), nullptr);
    explorer->FailOn(L"Unadvise", S_OK);
    explorer->ConnectionPoint(DIID_ExplorerEvents)->Unadvise(cookie);
}

struct NoEventsCase {
    const char* name;
    const char* failing; // injected failure, or nullptr
    bool container;      // whether the object is a connection-point container at all
    int raises;          // failures raised (and caught) for the error log
};

class AttachingWithoutEvents : public OutlookEvents, public ::testing::WithParamInterface<NoEventsCase> {};

TEST_P(AttachingWithoutEvents, HoldsTheObjectAndReceivesNothing)
{
    // An inspector has connection points, but not the explorer's event interface; a folder has none.
    IDispatch* object = GetParam().container ? inspector->Dispatch() : Folder(L"Inbox")->Dispatch();
    if (GetParam().failing) {
        object = explorer->Dispatch();
        explorer->FailOn(std::wstring(GetParam().failing, GetParam().failing + strlen(GetParam().failing)), E_FAIL);
    }
    auto& w = Wrap<TOutlookExplorer>(nullptr);
    {
        testing::TRaiseCounter raises;
        w.ConnectTo(object);
        EXPECT_EQ(raises.Count(), GetParam().raises);
    }
    EXPECT_EQ(w.Intf(), object);
    EXPECT_EQ(w.AdviseCookie(), 0u);
    EXPECT_EQ(w.Connected(), GetParam().container || GetParam().failing);
    w.OnActivate = [&](TOutlookServer*) { log.push_back("Activate"); };
    w.OnClose = [&](TOutlookServer*) { log.push_back("Close"); };
    explorer->Activate();
    inspector->Activate();
    EXPECT_TRUE(log.empty());
    w.Disconnect();
    EXPECT_EQ(w.Intf(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, AttachingWithoutEvents, ::testing::Values(
    NoEventsCase{"NoContainer", nullptr, false, 0},
    NoEventsCase{"NoSuchConnectionPoint", nullptr, true, 0},
    NoEventsCase{"FindConnectionPointFails", "FindConnectionPoint", false, 1},
    NoEventsCase{"AdviseFails", "Advise", false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutlookEvents, ConnectToMovesTheWrapperToAnotherObject)
{
    ComPtr<TStandinExplorer> second = app->OpenExplorer(Folder(L"Drafts"));
    auto& w = Wrap<TOutlookExplorer>(explorer->Dispatch());
    w.OnActivate = [&](TOutlookServer*) { log.push_back("Activate"); };
    w.ConnectTo(second->Dispatch());
    explorer->Activate();
    second->Activate();
    EXPECT_EQ(log, std::vector<std::string>{"Activate"});
    EXPECT_EQ(explorer->ConnectionPoint(DIID_ExplorerEvents)->SinkCount(), 0u);
    EXPECT_EQ(w.Intf(), second->Dispatch());
}

// An object with the explorer's events that reports its destruction.
class TLoneExplorer : public TStandinObject {
public:
    explicit TLoneExplorer(bool& destroyed) : TStandinObject(L"Explorer", {IID__Explorer}), FDestroyed(destroyed)
    {
        AddConnectionPoint(DIID_ExplorerEvents);
    }

protected:
    void BeforeDestroy() noexcept override { FDestroyed = true; }

private:
    bool& FDestroyed;
};

TEST_F(OutlookEvents, ConnectToTheObjectItHoldsAlone)
{
    bool destroyed = false;
    auto& w = Wrap<TOutlookExplorer>(nullptr);
    TLoneExplorer* object = nullptr;
    {
        ComPtr<TLoneExplorer> made = MakeStandin<TLoneExplorer>(destroyed);
        object = made.Get();
        w.ConnectTo(made->Dispatch());
    }
    ASSERT_EQ(object->RefCount(), 1u) << "the wrapper's reference is the only one";
    w.OnActivate = [&](TOutlookServer*) { log.push_back("Activate"); };

    w.ConnectTo(w.Intf());
    ASSERT_FALSE(destroyed) << "the object was released before it was taken again";
    EXPECT_EQ(w.Intf(), object->Dispatch());
    EXPECT_EQ(object->RefCount(), 1u);
    EXPECT_NE(w.AdviseCookie(), 0u);
    EXPECT_EQ(object->ConnectionPoint(DIID_ExplorerEvents)->SinkCount(), 1u);
    EXPECT_EQ(object->ConnectionPoint(DIID_ExplorerEvents)->Fire(dispid::ExplorerActivate), S_OK);
    EXPECT_EQ(log, std::vector<std::string>{"Activate"});

    wrappers.clear();
    EXPECT_TRUE(destroyed);
}

TEST_F(OutlookEvents, TheSinkAnswersAsSpecified)
{
    auto& w = Wrap<TOutlookInspector>(inspector->Dispatch());
    IDispatch* sink = w.EventSink();
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &DIID_InspectorEvents}) {
        ComPtr<IUnknown> answer;
        EXPECT_EQ(sink->QueryInterface(*iid, reinterpret_cast<void**>(answer.GetAddressOf())), S_OK);
        EXPECT_EQ(answer.Get(), static_cast<IUnknown*>(sink));
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(sink->QueryInterface(DIID_ExplorerEvents, reinterpret_cast<void**>(none.GetAddressOf())), E_NOINTERFACE);
    UINT count = 7;
    EXPECT_EQ(sink->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(sink->GetTypeInfo(0, 0, &info), E_NOTIMPL);
    EXPECT_EQ(info, nullptr);
    LPOLESTR name = const_cast<LPOLESTR>(L"Close");
    DISPID id = 0;
    EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), E_NOTIMPL);
}

TEST_F(OutlookEvents, DestroyingTheWrappersLetsGoOfEverything)
{
    Wrap<TOutlookExplorer>(explorer->Dispatch());
    Wrap<TOutlookInspector>(inspector->Dispatch());
    Wrap<TOutlookExplorers>(app->Explorers()->Dispatch());
    Wrap<TOutlookInspectors>(app->Inspectors()->Dispatch());
    wrappers.clear();
    EXPECT_EQ(explorer->ConnectionPoint(DIID_ExplorerEvents)->SinkCount(), 0u);
    EXPECT_EQ(app->Explorers()->ConnectionPoint(DIID_ExplorersEvents)->SinkCount(), 0u);
    EXPECT_EQ(explorer->RefCount(), 2u); // the test's reference and the Explorers collection's
}

} // namespace
} // namespace zel
