#include "standins/outlook/StandinOutlook.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "support/ComApartment.h"
#include "outlook/LateBinding.h"
#include "outlook/OutlookIds.h"
#include "outlook/uOutlookEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zel {
namespace {

using namespace zel::standin;

::testing::Environment* const GApartment = ::testing::AddGlobalTestEnvironment(new testing::TComApartmentEnvironment);

constexpr std::int32_t NotFound = static_cast<std::int32_t>(0x8004010F);

class StandinOutlook : public ::testing::Test {
protected:
    void TearDown() override
    {
        app.Reset();
        ClearInjectedFailures();
        EXPECT_EQ(LiveStandinObjects(), 0);
    }
    TOleVariant Session() { return OleGet(app->Dispatch(), L"Session"); }
    ComPtr<TStandinApplication> app = TStandinApplication::Create();
};

// The code of the EOleSysError that call raises, or 0 when it raises none.
template <class F>
std::int32_t FailureOf(F&& call)
{
    try {
        call();
        return 0;
    } catch (const EOleSysError& e) {
        return e.ErrorCode();
    }
}

// ---- the folder tree, walked by name as the folder-path resolution does

struct PathCase {
    const char* name;
    std::vector<std::wstring> parts;
    std::wstring found; // the folder's path, or empty when the walk fails with "not found"
};

class FolderWalk : public StandinOutlook, public ::testing::WithParamInterface<PathCase> {};

TEST_P(FolderWalk, FindsFoldersByNameWithoutRegardToCase)
{
    const PathCase& c = GetParam();
    auto walk = [&] {
        TOleVariant folder = OleCall(OleGet(Session(), L"Folders"), L"Item", {TOleVariant(std::wstring_view(c.parts[0]))});
        for (size_t i = 1; i < c.parts.size(); ++i)
            folder = OleCall(OleGet(folder, L"Folders"), L"Item", {TOleVariant(std::wstring_view(c.parts[i]))});
        return folder;
    };
    if (c.found.empty()) {
        EXPECT_EQ(FailureOf(walk), NotFound);
    } else {
        TOleVariant folder = walk();
        EXPECT_EQ(StandinCast<TStandinFolder>(folder.AsDispatch().Get())->FolderPath(), c.found);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FolderWalk, ::testing::Values(
    PathCase{"Store", {L"Personal Folders"}, L"\\\\Personal Folders"},
    PathCase{"Nested", {L"Personal Folders", L"Inbox", L"Projects", L"Alpha"}, L"\\\\Personal Folders\\Inbox\\Projects\\Alpha"},
    PathCase{"OtherCase", {L"PERSONAL folders", L"inbox"}, L"\\\\Personal Folders\\Inbox"},
    PathCase{"SecondStore", {L"Archive Folders", L"2025"}, L"\\\\Archive Folders\\2025"},
    PathCase{"UnknownName", {L"Personal Folders", L"Outbox"}, L""},
    PathCase{"EmptyName", {L"Personal Folders", L""}, L""},
    PathCase{"NumberIsAName", {L"1"}, L""},
    PathCase{"WrongLevel", {L"Personal Folders", L"Alpha"}, L""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StandinOutlook, ExplorerCurrentFolderIsPutAndAFolderDisplayOpensANewExplorer)
{
    ComPtr<TStandinExplorer> explorer = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"));
    std::vector<IDispatch*> opened;
    {
        TOutlookExplorers explorers(app->Explorers()->Dispatch());
        explorers.OnNewExplorer = [&](TOutlookExplorers*, IDispatch* newExplorer) { opened.push_back(newExplorer); };
        TOleVariant active = OleCall(OleGet(Session(), L"Application"), L"ActiveExplorer");
        OlePut(active, L"CurrentFolder", TOleVariant(app->NameSpace()->FindFolder(L"Alpha")->Dispatch()));
        EXPECT_EQ(explorer->CurrentFolder()->Name(), L"Alpha");
        EXPECT_TRUE(opened.empty()) << "switching the folder opens no window";

        // As in Outlook, Display on a folder opens one more explorer window, on that folder.
        OleCall(OleGet(OleCall(app->Dispatch(), L"ActiveExplorer"), L"CurrentFolder"), L"Display");
    }
    EXPECT_EQ(app->DisplayedFolders, std::vector<std::wstring>{L"\\\\Personal Folders\\Inbox\\Projects\\Alpha"});
    ASSERT_EQ(app->Explorers()->Count(), 2u);
    TStandinExplorer* second = app->Explorers()->At(1);
    EXPECT_EQ(opened, std::vector<IDispatch*>{second->Dispatch()}) << "NewExplorer was raised for it";
    EXPECT_EQ(second->CurrentFolder()->Name(), L"Alpha");
    EXPECT_EQ(app->ActiveExplorer(), second);
    EXPECT_EQ(explorer->CurrentFolder()->Name(), L"Alpha");
}

TEST_F(StandinOutlook, ExplorerActivateBringsItToTheFrontAndIsCounted)
{
    ComPtr<TStandinExplorer> first = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"));
    ComPtr<TStandinExplorer> second = app->OpenExplorer(app->NameSpace()->FindFolder(L"Drafts"));
    EXPECT_EQ(first->Calls(L"Activate"), 0);
    OleCall(first->Dispatch(), L"activate");
    EXPECT_EQ(app->ActiveExplorer(), first.Get());
    EXPECT_EQ(first->Calls(L"Activate"), 1);
    EXPECT_EQ(second->Calls(L"Activate"), 0);
    EXPECT_EQ(app->Explorers()->Count(), 2u);
}

// Each put is served in the kind that Outlook's type library declares for the property; the
// other kind is refused as a real automation server refuses it.
struct PutKindCase {
    const char* name;
    const wchar_t* property;
    bool object; // an object value (the Alpha folder), else a text
    WORD flags;
    HRESULT expected;
};

class ExplorerPutKinds : public StandinOutlook, public ::testing::WithParamInterface<PutKindCase> {};

TEST_P(ExplorerPutKinds, AreServedAsDeclared)
{
    const PutKindCase& c = GetParam();
    ComPtr<TStandinExplorer> explorer = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"));
    TStandinFolder* alpha = app->NameSpace()->FindFolder(L"Alpha");
    const TOleVariant value = c.object ? TOleVariant(alpha->Dispatch()) : TOleVariant(L"Preview");
    EXPECT_EQ(FailureOf([&] { OleInvoke(explorer->Dispatch(), c.property, c.flags, {&value, 1}, {}); }),
              static_cast<std::int32_t>(c.expected));
    EXPECT_EQ(explorer->CurrentFolder() == alpha, c.object && c.expected == S_OK);
}

INSTANTIATE_TEST_SUITE_P(Table, ExplorerPutKinds, ::testing::Values(
    PutKindCase{"CurrentFolderByReference", L"CurrentFolder", true, DISPATCH_PROPERTYPUTREF, S_OK},
    PutKindCase{"CurrentFolderByValue", L"CurrentFolder", true, DISPATCH_PROPERTYPUT, DISP_E_MEMBERNOTFOUND},
    PutKindCase{"CurrentViewByValue", L"CurrentView", false, DISPATCH_PROPERTYPUT, S_OK},
    PutKindCase{"CurrentViewByReference", L"CurrentView", false, DISPATCH_PROPERTYPUTREF, DISP_E_MEMBERNOTFOUND}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- windows and their collections

TEST_F(StandinOutlook, CollectionsCountAndIndexFromOne)
{
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveExplorer").AsDispatch(), nullptr);
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveInspector").AsDispatch(), nullptr);
    ComPtr<TStandinExplorer> first = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"));
    ComPtr<TStandinExplorer> second = app->OpenExplorer(app->NameSpace()->FindFolder(L"Drafts"));
    ComPtr<TStandinInspector> inspector = app->OpenInspector(nullptr, L"text");
    TOleVariant explorers = OleGet(app->Dispatch(), L"Explorers");
    EXPECT_EQ(OleGet(explorers, L"Count").AsInteger(), 2);
    EXPECT_EQ(OleCall(explorers, L"Item", {TOleVariant(std::int32_t{1})}).AsDispatch().Get(), first->Dispatch());
    EXPECT_EQ(OleCall(explorers, L"Item", {TOleVariant(std::int32_t{2})}).AsDispatch().Get(), second->Dispatch());
    EXPECT_NE(FailureOf([&] { OleCall(explorers, L"Item", {TOleVariant(std::int32_t{0})}); }), 0);
    EXPECT_NE(FailureOf([&] { OleCall(explorers, L"Item", {TOleVariant(std::int32_t{3})}); }), 0);
    EXPECT_EQ(OleGet(OleGet(app->Dispatch(), L"Inspectors"), L"Count").AsInteger(), 1);
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveExplorer").AsDispatch().Get(), second->Dispatch());
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveInspector").AsDispatch().Get(), inspector->Dispatch());
    second->Close();
    inspector->Close();
    EXPECT_EQ(OleGet(explorers, L"Count").AsInteger(), 1);
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveExplorer").AsDispatch().Get(), first->Dispatch());
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveInspector").AsDispatch(), nullptr);
}

struct IntfCase {
    const char* name;
    std::function<IDispatch*(TStandinApplication&)> object;
    const IID* iid;
    bool eventSource;
};

class Interfaces : public StandinOutlook, public ::testing::WithParamInterface<IntfCase> {
protected:
    void SetUp() override
    {
        explorer = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"));
        inspector = app->OpenInspector(nullptr);
        explorer->CommandBars()->Standard()->Controls()->AddButton();
    }
    void TearDown() override
    {
        explorer.Reset();
        inspector.Reset();
        StandinOutlook::TearDown();
    }
    ComPtr<TStandinExplorer> explorer;
    ComPtr<TStandinInspector> inspector;
};

TEST_P(Interfaces, AreAnsweredByEveryObject)
{
    IDispatch* object = GetParam().object(*app.Get());
    for (const IID* iid : {GetParam().iid, &IID_IDispatch, &IID_IUnknown}) {
        ComPtr<IUnknown> answer;
        EXPECT_EQ(object->QueryInterface(*iid, reinterpret_cast<void**>(answer.GetAddressOf())), S_OK);
    }
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()))),
              GetParam().eventSource);
}

INSTANTIATE_TEST_SUITE_P(Table, Interfaces, ::testing::Values(
    IntfCase{"Application", [](TStandinApplication& a) { return a.Dispatch(); }, &IID__Application, false},
    IntfCase{"NameSpace", [](TStandinApplication& a) { return a.NameSpace()->Dispatch(); }, &IID__NameSpace, false},
    IntfCase{"Folder", [](TStandinApplication& a) { return a.NameSpace()->FindFolder(L"Inbox")->Dispatch(); }, &IID_MAPIFolder, false},
    IntfCase{"Explorers", [](TStandinApplication& a) { return a.Explorers()->Dispatch(); }, &IID__Explorers, true},
    IntfCase{"Inspectors", [](TStandinApplication& a) { return a.Inspectors()->Dispatch(); }, &IID__Inspectors, true},
    IntfCase{"Explorer", [](TStandinApplication& a) { return a.Explorers()->At(0)->Dispatch(); }, &IID__Explorer, true},
    IntfCase{"Inspector", [](TStandinApplication& a) { return a.Inspectors()->At(0)->Dispatch(); }, &IID__Inspector, true},
    IntfCase{"Button", [](TStandinApplication& a) {
        return a.Explorers()->At(0)->CommandBars()->Standard()->Controls()->At(0)->Dispatch(); }, &IID__CommandBarButton, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- command bars, as the toolbar button reaches them

TEST_F(StandinOutlook, StandardBarButtonIsAddedAndFoundByCaption)
{
    ComPtr<TStandinExplorer> explorer = app->OpenExplorer(app->NameSpace()->FindFolder(L"Inbox"), false);
    TOleVariant bars = OleGet(explorer->Dispatch(), L"CommandBars");
    EXPECT_NE(FailureOf([&] { OleCall(bars, L"Item", {TOleVariant(L"Standard")}); }), 0);
    explorer->CommandBars()->SetStandardAvailable(true);
    TOleVariant bar = OleCall(bars, L"Item", {TOleVariant(L"Standard")});
    EXPECT_EQ(bar.Type(), VT_DISPATCH);
    EXPECT_NE(FailureOf([&] { OleCall(OleGet(bar, L"Controls"), L"Item", {TOleVariant(L"Zelkor Hotkeys")}); }), 0);
    TOleVariant button = OleCall(OleGet(bar, L"Controls"), L"Add", {},
                                 {{L"type", TOleVariant(std::int32_t{1})}, {L"Temporary", TOleVariant(true)}});
    OlePut(button, L"Caption", TOleVariant(L"Zelkor Hotkeys"));
    OlePut(button, L"BeginGroup", TOleVariant(true));
    OlePut(button, L"Tag", TOleVariant(L"Zelkor Hotkeys_42"));
    OlePut(button, L"Style", TOleVariant(std::int32_t{3}));
    TOleVariant again = OleCall(OleGet(bar, L"Controls"), L"Item", {TOleVariant(L"Zelkor Hotkeys")});
    EXPECT_EQ(again.AsDispatch(), button.AsDispatch());
    TStandinButton* b = explorer->CommandBars()->Standard()->Controls()->At(0);
    EXPECT_EQ(explorer->CommandBars()->Standard()->Controls()->Count(), 1u);
    EXPECT_TRUE(b->Temporary);
    EXPECT_TRUE(b->BeginGroup);
    EXPECT_EQ(b->Tag, L"Zelkor Hotkeys_42");
    EXPECT_EQ(b->Style, 3);
}

class PasteFace : public StandinOutlook {
protected:
    void SetUp() override
    {
        explorer = app->OpenExplorer(nullptr);
        button = explorer->CommandBars()->Standard()->Controls()->AddButton();
        const TClipboardOpen clipboard;
        ASSERT_TRUE(clipboard.IsOpen());
        EmptyClipboard();
    }
    void TearDown() override
    {
        button.Reset();
        explorer.Reset();
        StandinOutlook::TearDown();
    }
    ComPtr<TStandinExplorer> explorer;
    ComPtr<TStandinButton> button;
};

TEST_F(PasteFace, FailsWithoutAPictureOnTheClipboard)
{
    EXPECT_EQ(FailureOf([&] { OleCall(button->Dispatch(), L"PasteFace"); }), static_cast<std::int32_t>(E_FAIL));
    EXPECT_EQ(button->FaceWidth, 0);
}

TEST_F(PasteFace, TakesTheBitmapOnTheClipboard)
{
    {
        const TScreenDC screen;
        TBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), 16, 16));
        {
            const TMemoryDC dc(CreateCompatibleDC(screen.Get()));
            const TSelection selected(dc.get(), bitmap.get());
            const RECT all{0, 0, 16, 16};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(dc.get(), &all, red);
            DeleteObject(red);
        }
        const TClipboardOpen clipboard;
        ASSERT_TRUE(clipboard.IsOpen());
        ASSERT_NE(SetClipboardData(CF_BITMAP, bitmap.get()), nullptr);
        bitmap.release(); // the clipboard owns it now
    }
    OleCall(button->Dispatch(), L"PasteFace");
    EXPECT_EQ(button->FaceWidth, 16);
    EXPECT_EQ(button->FaceHeight, 16);
    ASSERT_EQ(button->FacePixels.size(), 256u);
    EXPECT_EQ(button->FacePixels[0], 0xFF0000u);
}

// ---- what other stand-ins reach through the custom interfaces

TEST_F(StandinOutlook, MapiObjectGivesFoldersPathsItemsAndDisplays)
{
    TOleVariant mapiObject = OleGet(Session(), L"MAPIOBJECT");
    ASSERT_EQ(mapiObject.Type(), VT_UNKNOWN);
    ComPtr<IStandinOutlookSession> session;
    ASSERT_EQ(mapiObject.Get().punkVal->QueryInterface(IID_IStandinOutlookSession,
                                                       reinterpret_cast<void**>(session.GetAddressOf())), S_OK);
    ComPtr<IDispatch> inbox, drafts, root;
    EXPECT_EQ(session->GetDefaultFolder(olFolderInbox, &inbox), S_OK);
    EXPECT_EQ(session->GetDefaultFolder(olFolderDrafts, &drafts), S_OK);
    EXPECT_EQ(session->GetRootFolder(&root), S_OK);
    ComPtr<IDispatch> none;
    EXPECT_EQ(session->GetDefaultFolder(3, &none), static_cast<HRESULT>(NotFound));
    EXPECT_EQ(none, nullptr);
    TBStr path;
    EXPECT_EQ(session->GetFolderPath(inbox.Get(), path.Receive()), S_OK);
    EXPECT_EQ(path.Text(), L"\\\\Personal Folders\\Inbox");
    EXPECT_EQ(session->GetFolderPath(app->Dispatch(), path.Receive()), E_INVALIDARG);
    EXPECT_EQ(OleGet(root.Get(), L"Name").AsString(), L"Personal Folders");

    // A draft: any object with a body, here a folder standing in for a message.
    ComPtr<IDispatch> message = app->NameSpace()->FindFolder(L"Alpha")->Dispatch();
    EXPECT_EQ(session->AddItem(drafts.Get(), message.Get()), S_OK);
    EXPECT_EQ(OleGet(OleGet(drafts.Get(), L"Items"), L"Count").AsInteger(), 1);
    EXPECT_EQ(session->DisplayItem(message.Get()), S_OK);
    EXPECT_EQ(app->ItemDisplays, 1);
    ASSERT_EQ(app->Inspectors()->Count(), 1u);
    EXPECT_EQ(app->Inspectors()->At(0)->Item(), message.Get());
    EXPECT_EQ(OleCall(app->Dispatch(), L"ActiveInspector").AsDispatch().Get(), app->Inspectors()->At(0)->Dispatch());
    // Emptying the folder deletes the draft from the store.
    EXPECT_EQ(app->NameSpace()->FindFolder(L"Drafts")->Items()->Clear(), 1u);
    EXPECT_EQ(OleGet(OleGet(drafts.Get(), L"Items"), L"Count").AsInteger(), 0);
}

struct EditCase {
    const char* name;
    LONG start, length;
    std::wstring inserted, body;
    LONG caret;
};

class InspectorEditor : public StandinOutlook, public ::testing::WithParamInterface<EditCase> {};

TEST_P(InspectorEditor, ReplacesTheSelectionAndMovesTheCaret)
{
    const EditCase& c = GetParam();
    ComPtr<TStandinInspector> inspector = app->OpenInspector(nullptr, L"Hello world");
    ComPtr<IStandinInspectorEditor> editor;
    ASSERT_EQ(OleCall(app->Dispatch(), L"ActiveInspector").AsDispatch()->QueryInterface(
                  IID_IStandinInspectorEditor, reinterpret_cast<void**>(editor.GetAddressOf())), S_OK);
    ASSERT_EQ(editor->SetSelection(c.start, c.length), S_OK);
    TBStr text(std::wstring_view(c.inserted));
    EXPECT_EQ(editor->ReplaceSelection(text.Get()), S_OK);
    TBStr body;
    EXPECT_EQ(editor->GetBody(body.Receive()), S_OK);
    EXPECT_EQ(body.Text(), c.body);
    LONG start = -1, length = -1;
    EXPECT_EQ(editor->GetSelection(&start, &length), S_OK);
    EXPECT_EQ(start, c.caret);
    EXPECT_EQ(length, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, InspectorEditor, ::testing::Values(
    EditCase{"AtTheStart", 0, 0, L">> ", L">> Hello world", 3},
    EditCase{"AtTheEnd", 11, 0, L"!", L"Hello world!", 12},
    EditCase{"OverASelection", 6, 5, L"there", L"Hello there", 11},
    EditCase{"EmptyText", 5, 6, L"", L"Hello", 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StandinOutlook, SelectionOutsideTheBodyIsRefused)
{
    ComPtr<TStandinInspector> inspector = app->OpenInspector(nullptr, L"abc");
    EXPECT_EQ(inspector->SetSelection(2, 2), E_INVALIDARG);
    EXPECT_EQ(inspector->SetSelection(-1, 0), E_INVALIDARG);
    EXPECT_EQ(inspector->SetSelection(3, 0), S_OK);
}

// ---- failure injection and lifetime

TEST_F(StandinOutlook, InjectedFailuresHitTheNamedCall)
{
    InjectFailure(L"Folders.Item", E_ACCESSDENIED);
    EXPECT_EQ(FailureOf([&] { OleCall(OleGet(Session(), L"Folders"), L"Item", {TOleVariant(L"Personal Folders")}); }),
              static_cast<std::int32_t>(E_ACCESSDENIED));
    EXPECT_EQ(FailureOf([&] { OleGet(OleGet(Session(), L"Folders"), L"Count"); }), 0);
    InjectFailure(L"Folders.Item", S_OK);
    app->NameSpace()->FailOn(L"MAPIOBJECT", E_OUTOFMEMORY);
    EXPECT_EQ(FailureOf([&] { OleGet(Session(), L"MAPIOBJECT"); }), static_cast<std::int32_t>(E_OUTOFMEMORY));
}

TEST_F(StandinOutlook, AFolderHeldAfterTheApplicationWentKeepsWorking)
{
    ComPtr<TStandinFolder> alpha(app->NameSpace()->FindFolder(L"Alpha"));
    app.Reset();
    EXPECT_GT(LiveStandinObjects(), 0);
    EXPECT_EQ(alpha->FolderPath(), L"\\\\Alpha");
    OleCall(alpha->Dispatch(), L"Display");
    EXPECT_EQ(alpha->DisplayCount(), 1);
    alpha.Reset();
}

} // namespace
} // namespace zel
