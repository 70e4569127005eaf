// The add-in object connected to the stand-in Outlook in this process: window tracking, the
// toolbar button, the two windows and their hotkeys over the connection's life, and what Outlook
// sees of failures. The add-in runs for real: its data folder, the private library copied where
// it looks for it, real hotkeys checked from a second process.
#include "addin/AddinIdentity.h"
#include "addin/ComServer.h"
#include "addin/uAddin.h"

#include "diagnostics/ZelDebug.h"
#include "hotkeys/Main.h"
#include "mapi/uRedemptionLoader.h"
#include "outlook/LateBinding.h"
#include "outlook/OutlookIds.h"
#include "standins/outlook/StandinOutlook.h"
#include "support/AddinPlaces.h"
#include "support/AddinProcess.h"
#include "support/ComApartment.h"
#include "support/HotKeyPress.h"
#include "support/TestLibraries.h"
#include "support/ZelreRegistration.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <regex>
#include <string>
#include <thread>

namespace zel {
namespace {

using standin::TStandinApplication;
using standin::TStandinButton;
using standin::TStandinExplorer;
using testing::ChordFreeForOthers;
using testing::ConfigRow;
using testing::ConfigWithRows;
using testing::PressChord;
using testing::PumpUntil;

::testing::Environment* const GProcess = ::testing::AddGlobalTestEnvironment(new testing::TAddinProcess);

constexpr const wchar_t* ChordA = L"Shift+Ctrl+Alt+F6";
constexpr const wchar_t* ChordB = L"Shift+Ctrl+Alt+F7";

class AddinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPlaces = std::make_unique<testing::TAddinPlaces>(testing::BuildPath(ZEL_TEST_ZELRE_DLL));
        FPlaces->WriteConfig(ConfigWithRows({ConfigRow(0, "Shift+Ctrl+Alt+F6", "Insert Text", "Kind regards"),
                                             ConfigRow(1, "Shift+Ctrl+Alt+F7", "Switch To Folder",
                                                       "\\\\Personal Folders\\Sent Items")}));
        FRegistration = std::make_unique<testing::TZelreRegistration>(testing::BuildPath(ZEL_TEST_ZELRE_DLL));
        ASSERT_TRUE(FRegistration->Registered());
        FOutlook = TStandinApplication::Create();
    }
    void TearDown() override
    {
        Release();
        standin::ClearInjectedFailures();
        FOutlook.Reset();
        EXPECT_EQ(standin::LiveStandinObjects(), 0) << "the add-in keeps no stand-in object";
        FRegistration.reset();
        FPlaces.reset();
    }

    // A new add-in object, as Outlook gets it from the class factory.
    void Create()
    {
        ASSERT_EQ(CreateZelHotkeys(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(FAddin.GetAddressOf())), S_OK);
    }
    HRESULT Connect()
    {
        if (!FAddin)
            Create();
        return FAddin->OnConnection(FOutlook->Dispatch(), ext_cm_Startup, nullptr, nullptr);
    }
    void Release()
    {
        if (FAddin) {
            FAddin->OnDisconnection(ext_dm_HostShutdown, nullptr);
            FAddin.Reset();
        }
    }
    TZelHotkeys& Object() { return *static_cast<TZelHotkeys*>(FAddin.Get()); }
    TStandinExplorer* OpenExplorer(bool standardBar = true)
    {
        auto explorer = FOutlook->OpenExplorer(FOutlook->NameSpace()->FindFolder(L"Inbox"), standardBar);
        return explorer.Get(); // the application's Explorers keep it
    }
    standin::TStandinInspector* OpenInspector(const wchar_t* body = L"")
    {
        return FOutlook->OpenInspector(nullptr, body).Get();
    }
    static TStandinButton* AddinButton(TStandinExplorer* explorer)
    {
        return explorer->CommandBars()->Standard()->Controls()->Find(L"Zelkor Hotkeys");
    }
    static bool WindowsUp() { return MainForm != nullptr && AboutForm != nullptr; }

    std::unique_ptr<testing::TAddinPlaces> FPlaces;
    std::unique_ptr<testing::TZelreRegistration> FRegistration;
    ComPtr<TStandinApplication> FOutlook;
    ComPtr<IDTExtensibility2> FAddin;
};

// ---- connection

TEST_F(AddinTest, ConnectingWithWindowsOpenTracksThemGivesTheExplorerItsButtonAndRegistersTheHotkeys)
{
    TStandinExplorer* explorer = OpenExplorer();
    OpenInspector(L"one");
    OpenInspector(L"two");
    ASSERT_EQ(Connect(), S_OK);

    EXPECT_EQ(Object().InspectorsList().size(), 2u);
    ASSERT_EQ(Object().ExplorersList().size(), 1u);
    EXPECT_EQ(Object().ExplorersList()[0]->Buttons().size(), 1u);
    ASSERT_EQ(explorer->CommandBars()->Standard()->Controls()->Count(), 1u);
    TStandinButton* button = AddinButton(explorer);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->BeginGroup);
    EXPECT_TRUE(button->Temporary);
    EXPECT_EQ(button->Style, 3);
    EXPECT_TRUE(std::regex_match(button->Tag, std::wregex(LR"(Zelkor Hotkeys_(0|[1-9][0-9]{0,9}))"))) << button->Tag;
    EXPECT_EQ(button->FaceWidth, 16);
    EXPECT_EQ(button->FaceHeight, 16);

    ASSERT_TRUE(WindowsUp());
    EXPECT_FALSE(IsWindowVisible(MainForm->Handle())) << "created hidden";
    EXPECT_FALSE(MainForm->FirstShow()) << "the first-show step ran at connection";
    EXPECT_EQ(MainForm->Rows().Count(), 2u);
    EXPECT_NE(MainForm->RSession(), nullptr);
    EXPECT_FALSE(ChordFreeForOthers(ChordA));
    EXPECT_FALSE(ChordFreeForOthers(ChordB));

    for (auto call : {&IDTExtensibility2::OnStartupComplete, &IDTExtensibility2::OnBeginShutdown,
                      &IDTExtensibility2::OnAddInsUpdate})
        EXPECT_EQ((FAddin.Get()->*call)(nullptr), S_OK);
    EXPECT_TRUE(WindowsUp());
}

TEST_F(AddinTest, ConnectingWithNoWindowOpenStillCreatesTheWindowsAndRegistersTheHotkeys)
{
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_TRUE(Object().InspectorsList().empty());
    EXPECT_TRUE(Object().ExplorersList().empty());
    EXPECT_TRUE(WindowsUp());
    EXPECT_FALSE(ChordFreeForOthers(ChordA));
}

TEST_F(AddinTest, APressedChordInsertsItsTextIntoTheActiveInspector)
{
    OpenExplorer();
    standin::TStandinInspector* inspector = OpenInspector(L"Hello");
    inspector->SetSelection(5, 0);
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(PressChord(ChordA), 0u);
    EXPECT_TRUE(PumpUntil([&] { return inspector->Body() == L"HelloKind regards"; })) << std::string(inspector->Body().begin(), inspector->Body().end());
}

// ---- closing windows

TEST_F(AddinTest, TheWindowsGoWithTheLastTrackedWindowInEitherOrderAndComeBackWithTheNextOne)
{
    for (const bool explorerFirst : {true, false}) {
        SCOPED_TRACE(explorerFirst ? "explorer closed first" : "inspector closed first");
        TStandinExplorer* explorer = OpenExplorer();
        standin::TStandinInspector* inspector = OpenInspector();
        ASSERT_EQ(Connect(), S_OK);
        ASSERT_TRUE(WindowsUp());

        if (explorerFirst)
            explorer->Close();
        else
            inspector->Close();
        EXPECT_EQ(Object().ExplorersList().size(), explorerFirst ? 0u : 1u);
        EXPECT_EQ(Object().InspectorsList().size(), explorerFirst ? 1u : 0u);
        EXPECT_TRUE(WindowsUp()) << "one window is still open";
        EXPECT_FALSE(ChordFreeForOthers(ChordA));

        if (explorerFirst)
            inspector->Close();
        else
            explorer->Close();
        EXPECT_FALSE(WindowsUp());
        EXPECT_TRUE(ChordFreeForOthers(ChordA)) << "the hotkeys end with the settings window";
        EXPECT_NE(FPlaces->ReadConfig().find("Kind regards"), std::string::npos) << "config.xml keeps the table";

        // A window opening later in the same connection brings both windows back.
        TStandinExplorer* next = OpenExplorer();
        EXPECT_TRUE(WindowsUp());
        EXPECT_EQ(MainForm->Rows().Count(), 2u);
        EXPECT_FALSE(ChordFreeForOthers(ChordA)) << "registered again";
        EXPECT_NE(AddinButton(next), nullptr);
        next->Close();
        EXPECT_FALSE(WindowsUp());
        Release();
    }
}

TEST_F(AddinTest, ACloseFromAWrapperNoLongerTrackedRemovesNothing)
{
    OpenExplorer();
    ASSERT_EQ(Connect(), S_OK);
    TAddinExplorer stray(Object().ExplorersList()[0]->Intf());
    Object().OnExplorerClose(&stray);
    EXPECT_EQ(Object().ExplorersList().size(), 1u);
    EXPECT_TRUE(WindowsUp());
}

// ---- the toolbar button

TEST_F(AddinTest, AStandardBarThatComesLateGetsTheButtonAtTheFirstActivationOnly)
{
    TStandinExplorer* explorer = OpenExplorer(false);
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_TRUE(Object().ExplorersList()[0]->Buttons().empty());
    EXPECT_EQ(explorer->CommandBars()->Standard()->Controls()->Count(), 0u);

    explorer->CommandBars()->SetStandardAvailable(true);
    explorer->Activate();
    EXPECT_EQ(Object().ExplorersList()[0]->Buttons().size(), 1u);
    const std::wstring tag = AddinButton(explorer)->Tag;
    explorer->Deactivate();
    explorer->Activate();
    EXPECT_EQ(Object().ExplorersList()[0]->Buttons().size(), 1u);
    EXPECT_EQ(explorer->CommandBars()->Standard()->Controls()->Count(), 1u);
    EXPECT_EQ(AddinButton(explorer)->Tag, tag) << "an explorer with its button is left alone";
}

TEST_F(AddinTest, AControlAlreadyCaptionedIsReusedAndTwoExplorersGetTagsOfTheirOwnAndShowOneWindow)
{
    TStandinExplorer* first = OpenExplorer();
    ComPtr<TStandinButton> existing = first->CommandBars()->Standard()->Controls()->AddButton();
    existing->Caption = L"Zelkor Hotkeys";
    TStandinExplorer* second = OpenExplorer();
    ASSERT_EQ(Connect(), S_OK);

    EXPECT_EQ(first->CommandBars()->Standard()->Controls()->Count(), 1u) << "no second button";
    EXPECT_EQ(AddinButton(first), existing.Get());
    EXPECT_TRUE(existing->BeginGroup);
    EXPECT_EQ(existing->FaceWidth, 16);
    ASSERT_NE(AddinButton(second), nullptr);
    EXPECT_NE(AddinButton(first)->Tag, AddinButton(second)->Tag);

    ASSERT_TRUE(WindowsUp());
    EXPECT_FALSE(AddinButton(first)->Click());
    EXPECT_TRUE(IsWindowVisible(MainForm->Handle()));
    const HWND shown = MainForm->Handle();
    AddinButton(second)->Click();
    EXPECT_EQ(MainForm->Handle(), shown);
    EXPECT_TRUE(IsWindowVisible(shown));
}

// Text on the clipboard before the explorer opens is there afterwards; a clipboard that another
// thread holds open leaves the button with its default face, and nothing reaches Outlook.
TEST_F(AddinTest, TheButtonsIconLeavesTheClipboardAsItWasAndAHeldClipboardOnlyCostsTheFace)
{
    ASSERT_EQ(Connect(), S_OK);
    {
        TClipboardOpen clipboard;
        ASSERT_TRUE(clipboard.IsOpen());
        EmptyClipboard();
        const wchar_t text[] = L"the user's text";
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
        memcpy(GlobalLock(block), text, sizeof text);
        GlobalUnlock(block);
        ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
    }
    TStandinExplorer* explorer = OpenExplorer();
    ASSERT_NE(AddinButton(explorer), nullptr);
    EXPECT_EQ(AddinButton(explorer)->FaceWidth, 16);
    {
        TClipboardOpen clipboard;
        ASSERT_TRUE(clipboard.IsOpen());
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP)) << "the face does not stay behind";
        auto text = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, L"the user's text");
        GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    }

    std::atomic<bool> held{false}, done{false};
    std::thread holder([&] {
        if (OpenClipboard(nullptr)) {
            held = true;
            while (!done)
                Sleep(5);
            CloseClipboard();
        }
    });
    while (!held)
        Sleep(5);
    TStandinExplorer* second = OpenExplorer();
    done = true;
    holder.join();
    ASSERT_NE(AddinButton(second), nullptr) << "the button is there";
    EXPECT_EQ(AddinButton(second)->FaceWidth, 0) << "with its default face";
    EXPECT_EQ(AddinButton(second)->Style, 0);
}

// ---- disconnection and release

TEST_F(AddinTest, DisconnectingWithWindowsUpTearsThemDownAndTheReleaseDetachesEverything)
{
    TStandinExplorer* explorer = OpenExplorer();
    OpenInspector();
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_TRUE(WindowsUp());

    EXPECT_EQ(FAddin->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_FALSE(WindowsUp());
    EXPECT_TRUE(ChordFreeForOthers(ChordA)) << "a second process can take the chord";
    EXPECT_EQ(OutlookNameSpace, nullptr);
    EXPECT_EQ(Object().Application(), nullptr);
    EXPECT_NE(FPlaces->ReadConfig().find("Kind regards"), std::string::npos);
    // The window wrappers stay until the windows close or the object goes.
    EXPECT_EQ(Object().ExplorersList().size(), 1u);
    EXPECT_EQ(Object().InspectorsList().size(), 1u);

    FAddin.Reset();
    EXPECT_FALSE(AddinButton(explorer)->Click()) << "a click reaches no one and fails nothing";
    // TearDown: once Outlook's objects are released nothing of them is left referenced.
}

TEST_F(AddinTest, ReleasingWithoutDisconnectingStillTearsTheWindowsDown)
{
    OpenExplorer();
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_TRUE(WindowsUp());
    FAddin.Reset();
    EXPECT_FALSE(WindowsUp());
    EXPECT_TRUE(ChordFreeForOthers(ChordA));
    EXPECT_EQ(OutlookNameSpace, nullptr);
}

// ---- failures as Outlook sees them

struct TConnectionFailure {
    const char* Name;
    const wchar_t* Inject; // a member of the stand-in to fail, or null: no _Application
    HRESULT Expected;
};

TEST_F(AddinTest, AFailedConnectionReturnsItsCodeAndPublishesItsMessage)
{
    const TConnectionFailure cases[] = {
        {"host object without _Application", nullptr, E_UNEXPECTED},
        {"Session refused", L"Application.Session", E_ACCESSDENIED},
        {"Explorers refused", L"Application.Explorers", E_FAIL},
    };
    for (const TConnectionFailure& c : cases) {
        SCOPED_TRACE(c.Name);
        Create();
        HRESULT hr;
        if (c.Inject) {
            standin::InjectFailure(c.Inject, c.Expected);
            hr = Connect();
            standin::ClearInjectedFailures();
        } else {
            hr = FAddin->OnConnection(FOutlook->NameSpace()->Dispatch(), ext_cm_Startup, nullptr, nullptr);
        }
        EXPECT_EQ(hr, c.Expected);
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
        GUID guid{};
        info->GetGUID(&guid);
        EXPECT_TRUE(IsEqualGUID(guid, IID_IZelHotkeys));
        BSTR source = nullptr, description = nullptr;
        info->GetSource(&source);
        info->GetDescription(&description);
        EXPECT_STREQ(source, L"ZelHotkeys.CZelHotkeys");
        EXPECT_NE(SysStringLen(description), 0u);
        SysFreeString(source);
        SysFreeString(description);
        EXPECT_FALSE(WindowsUp()) << "the windows come only after the collections";
        Release();
    }
}

// ---- the COM object

TEST_F(AddinTest, TheObjectAnswersItsInterfacesWithOneIdentityAndItsTypeInformation)
{
    Create();
    ComPtr<IUnknown> identity;
    ASSERT_EQ(FAddin->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.GetAddressOf())), S_OK);
    for (const IID& iid : {IID_IDTExtensibility2, IID_IZelHotkeys, IID_IDispatch, IID_IProvideClassInfo,
                           IID_ISupportErrorInfo, IID_IUnknown}) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(FAddin->QueryInterface(iid, reinterpret_cast<void**>(answer.GetAddressOf())), S_OK);
        ComPtr<IUnknown> back;
        answer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(back.GetAddressOf()));
        EXPECT_EQ(back.Get(), identity.Get());
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(FAddin->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(none.GetAddressOf())), E_NOINTERFACE);

    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(FAddin.As(&dispatch), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IZelHotkeys));
    info->ReleaseTypeAttr(attr);
    LPOLESTR name = const_cast<LPOLESTR>(L"NoSuchMember");
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), DISP_E_UNKNOWNNAME);

    ComPtr<IProvideClassInfo> classInfo;
    ASSERT_EQ(FAddin.As(&classInfo), S_OK);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(&coclass), S_OK);
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    coclass->ReleaseTypeAttr(attr);

    ComPtr<ISupportErrorInfo> errors;
    ASSERT_EQ(FAddin.As(&errors), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IDTExtensibility2), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
}

// A controlling object of the test's own: the add-in aggregated under it.
class TOuter final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return Inner ? Inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++Count; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return --Count; }
    ComPtr<IUnknown> Inner;
    ULONG Count = 1;
};

TEST_F(AddinTest, AggregatedTheObjectDelegatesToItsOuterObject)
{
    TOuter outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateZelHotkeys(&outer, IID_IDispatch, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CreateZelHotkeys(nullptr, IID_IDTExtensibility2, nullptr), E_POINTER);

    ASSERT_EQ(CreateZelHotkeys(&outer, IID_IUnknown, reinterpret_cast<void**>(outer.Inner.GetAddressOf())), S_OK);
    ComPtr<IUnknown> extensibility;
    ASSERT_EQ(outer.Inner->QueryInterface(IID_IDTExtensibility2, reinterpret_cast<void**>(extensibility.GetAddressOf())), S_OK);
    const ULONG before = outer.Count;
    ComPtr<IUnknown> viaAddin;
    ASSERT_EQ(extensibility->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(viaAddin.GetAddressOf())), S_OK);
    EXPECT_EQ(viaAddin.Get(), static_cast<IUnknown*>(&outer)) << "the identity is the outer object's";
    EXPECT_EQ(outer.Count, before + 1);
    viaAddin.Reset();
    extensibility.Reset();
    outer.Inner.Reset();
}

} // namespace
} // namespace zel
