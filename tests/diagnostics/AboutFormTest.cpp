// The About window for real: its window on the Xvfb screen, shown modally over an owner of the
// test's own, the readme beside this test program (which also links the DLL's version resource
// and the logo), real clicks and keys, and a screenshot saved into "screenshots".
#include "diagnostics/About.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "support/Screenshot.h"
#include "support/TestLibraries.h"
#include "support/TestWindow.h"
#include "support/UserInput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace zel {
namespace {

using testing::ClickClient;
using testing::SaveWindowPng;
using testing::SendKeyStroke;
using testing::Settle;
using testing::TTestWindow;

constexpr std::u16string_view Rights = u"Copyright \u00A9 Zelkor. All rights reserved.";
constexpr std::u16string_view ProductPage = u"https://www.zelkor.com/outlook-hotkeys?ref=app";

// ---- Running something while the window is modal: a thread timer fires inside its loop.

std::function<void()> GDuringModal;

VOID CALLBACK OnModalTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (auto during = std::move(GDuringModal))
        during();
}

// A timer that ends a showing that the test's own step failed to end, so that no test hangs.
bool GForcedClose = false;
TAboutForm* GForm = nullptr;
VOID CALLBACK OnSafetyTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (GForm && GForm->Modal()) {
        GForcedClose = true;
        GForm->OKButtonClick();
    }
}

// Runs `next` from the modal loop a little later (after the input sent now has been handled).
void Later(std::function<void()> next)
{
    GDuringModal = std::move(next);
    SetTimer(nullptr, 0, 300, OnModalTimer);
}

// Shows the form modally over the owner and runs `during` inside its modal loop; true when the
// showing ended by itself (not by the safety timer).
bool ShowModalWhile(TAboutForm& form, HWND owner, std::function<void()> during)
{
    GDuringModal = std::move(during);
    GForm = &form;
    GForcedClose = false;
    SetTimer(nullptr, 0, 100, OnModalTimer);
    const UINT_PTR safety = SetTimer(nullptr, 0, 8000, OnSafetyTimer);
    form.ShowModal(owner);
    KillTimer(nullptr, safety);
    GForm = nullptr;
    return !GForcedClose;
}

// The readme beside this program, as the window finds it beside the add-in DLL.
std::wstring ReadmeBesideProgram()
{
    return testing::ProgramFolder() + L"\\readme_zelhotkeys.txt";
}

void WriteReadme(const std::string& bytes)
{
    std::FILE* file = _wfopen(ReadmeBesideProgram().c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A rectangle of a control in the window's client coordinates.
RECT ClientRect(HWND window, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

class AboutFormTest : public ::testing::Test {
protected:
    // The settings window's stand-in as the owner, visible where the window is centred over it;
    // one for all tests (each window shown and hidden costs Wine a wait without a window manager).
    static void SetUpTestSuite()
    {
        GOwner = new TTestWindow(TTestWindow::TOptions{0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{200, 150, 1000, 750},
                                                       L"Owner"});
    }
    static void TearDownTestSuite()
    {
        delete GOwner;
        GOwner = nullptr;
    }
    void SetUp() override { DeleteFileW(ReadmeBesideProgram().c_str()); }
    void TearDown() override { DeleteFileW(ReadmeBesideProgram().c_str()); }

    static inline TTestWindow* GOwner = nullptr;
    TTestWindow& FOwner = *GOwner;
    std::vector<std::pair<HWND, std::u16string>> FOpened;
    std::vector<std::pair<HWND, std::u16string>> FErrorsShown;
    int FSourcesAsked = 0;

    TAboutFormSettings Settings()
    {
        TAboutFormSettings settings;
        settings.OpenPage = [this](HWND owner, const std::u16string& address) { FOpened.emplace_back(owner, address); };
        settings.ShowError = [this](HWND owner, const std::u16string& message) {
            FErrorsShown.emplace_back(owner, message);
        };
        settings.ErrorReportSources = [this] {
            ++FSourcesAsked;
            return TErrorReportSources{u"C:\\data\\error.log", u"C:\\data\\config.xml", u"16.0"};
        };
        return settings;
    }
};

TEST_F(AboutFormTest, IsAFixedDialogOfTheDesignedSizeWithTheControlsInTheirPlaces)
{
    TAboutForm form(Settings());
    const HWND window = form.Handle();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window)) << "created hidden";
    EXPECT_EQ(WindowText(window), u"About");
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 272);

    struct Case {
        int id;
        RECT bounds; // left, top, right, bottom in the client area
        const wchar_t* className;
    };
    const Case cases[] = {
        {TAboutForm::idPanel, {0, 0, 320, 272}, L"TZelAboutPanel"},
        {TAboutForm::idZelkorLogo, {8, 8, 72, 72}, L"Static"},
        {TAboutForm::idAboutText, {86, 7, 320, 20}, L"TZelLinkLabel"},
        {TAboutForm::idWebPageLink, {8, 147, 312, 160}, L"TZelLinkLabel"},
        {TAboutForm::idLicMemo, {8, 186, 312, 234}, L"Edit"},
        {TAboutForm::idSendErrorReportButton, {106, 240, 231, 265}, L"Button"},
        {TAboutForm::idOKButton, {237, 240, 312, 265}, L"Button"},
    };
    for (const Case& c : cases) {
        const HWND control = c.id == TAboutForm::idPanel ? GetDlgItem(window, c.id) : form.Control(c.id);
        ASSERT_TRUE(control) << c.id;
        EXPECT_EQ(Describe(ClientRect(window, control)), Describe(c.bounds)) << c.id;
        wchar_t className[64] = {};
        GetClassNameW(control, className, 64);
        EXPECT_EQ(_wcsicmp(className, c.className), 0) << c.id;
        if (c.id == TAboutForm::idPanel)
            continue;
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_EQ(GetObjectW(handle, sizeof(font), &font), static_cast<int>(sizeof(font))) << c.id;
        EXPECT_STREQ(font.lfFaceName, L"Tahoma") << c.id;
        EXPECT_EQ(font.lfHeight, -11) << c.id << ": 8 point";
    }
    EXPECT_EQ(WindowText(form.Control(TAboutForm::idOKButton)), u"OK");
    EXPECT_EQ(WindowText(form.Control(TAboutForm::idSendErrorReportButton)), u"Send Error Report");
    EXPECT_NE(GetWindowLongW(form.Control(TAboutForm::idOKButton), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    const LONG memo = GetWindowLongW(form.Control(TAboutForm::idLicMemo), GWL_STYLE);
    EXPECT_NE(memo & ES_MULTILINE, 0);
    EXPECT_NE(memo & WS_VSCROLL, 0);
    EXPECT_EQ(memo & ES_READONLY, 0);
    EXPECT_EQ(form.LicMemoText(),
              u"This program contains:\r\n"
              u"libjpeg-turbo, which is based in part on the work of the Independent JPEG Group: "
              u"https://libjpeg-turbo.org\r\n"
              u"the MinGW-w64 runtime and its winpthreads library; their notices are in readme_zelhotkeys.txt");
}

TEST_F(AboutFormTest, TabsFromOKToSendErrorReportToTheAcknowledgements)
{
    TAboutForm form(Settings());
    const HWND ok = form.Control(TAboutForm::idOKButton);
    const HWND send = form.Control(TAboutForm::idSendErrorReportButton);
    const HWND memo = form.Control(TAboutForm::idLicMemo);
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), ok, FALSE), send);
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), send, FALSE), memo);
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), memo, FALSE), ok);
}

TEST_F(AboutFormTest, ShowsModallyCentredOverTheOwnerWithOKFocusedAndEndsHidden)
{
    TAboutForm form(Settings());
    const HWND window = form.Handle();
    bool visible = false, ownerDisabled = false, okFocused = false;
    RECT shown{};
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
        visible = IsWindowVisible(window) != FALSE;
        ownerDisabled = !IsWindowEnabled(FOwner.Handle());
        okFocused = GetFocus() == form.Control(TAboutForm::idOKButton);
        GetWindowRect(window, &shown);
        EXPECT_EQ(GetWindow(window, GW_OWNER), FOwner.Handle());
        SendMessageW(form.Control(TAboutForm::idOKButton), BM_CLICK, 0, 0);
    }));
    EXPECT_TRUE(visible);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(okFocused);
    EXPECT_NEAR((shown.left + shown.right) / 2, 600, 1);
    EXPECT_NEAR((shown.top + shown.bottom) / 2, 450, 1);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(FOwner.Handle()));
    EXPECT_FALSE(form.Modal());

    // Without an owner: over the screen's work area; the same window again.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ASSERT_TRUE(ShowModalWhile(form, nullptr, [&] {
        GetWindowRect(window, &shown);
        form.OKButtonClick();
    }));
    EXPECT_EQ(form.Handle(), window);
    EXPECT_NEAR((shown.left + shown.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((shown.top + shown.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST_F(AboutFormTest, EnterAndEscCloseItAsADialog)
{
    TAboutForm form(Settings());
    struct Case {
        int focus;
        WORD key;
    };
    for (const Case& c : {Case{TAboutForm::idOKButton, VK_RETURN}, Case{TAboutForm::idOKButton, VK_ESCAPE},
                          Case{TAboutForm::idSendErrorReportButton, VK_ESCAPE}, Case{TAboutForm::idLicMemo, VK_ESCAPE}}) {
        EXPECT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
            SetForegroundWindow(form.Handle());
            SetFocus(form.Control(c.focus));
            SendKeyStroke(c.key);
        })) << "key " << c.key << " on control " << c.focus;
        EXPECT_TRUE(FErrorsShown.empty()) << "no error report ran";
    }
    // Enter on the focused "Send Error Report" runs the report (the focused push button is the
    // default one), and the window stays.
    bool stayed = false, sendShownAsDefault = false;
    auto isDefault = [&](int id) { return (GetWindowLongW(form.Control(id), GWL_STYLE) & BS_DEFPUSHBUTTON) != 0; };
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
        SetForegroundWindow(form.Handle());
        SetFocus(form.Control(TAboutForm::idSendErrorReportButton));
        SendKeyStroke(VK_RETURN);
        Later([&] {
            stayed = form.Modal() && IsWindowVisible(form.Handle());
            sendShownAsDefault = isDefault(TAboutForm::idSendErrorReportButton) && !isDefault(TAboutForm::idOKButton);
            form.OKButtonClick();
        });
    }));
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(sendShownAsDefault);
    EXPECT_EQ(FErrorsShown.size(), 1u);
}

TEST_F(AboutFormTest, EveryShowingReloadsTheReadmeAndRebuildsTheCaptions)
{
    TAboutForm form(Settings());
    const std::u16string defaults = form.LicMemoText();
    const std::u16string aboutText = u"Zelkor Hotkeys for Outlook 2.10.5129<br>" + std::u16string(Rights);
    const std::u16string webPageLink = u"Zelkor Hotkeys for Outlook web page:<br><link>" + std::u16string(ProductPage);

    // No readme: the default acknowledgements stay.
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] { form.OKButtonClick(); }));
    EXPECT_EQ(form.LicMemoText(), defaults);
    EXPECT_EQ(form.AboutTextCaption(), aboutText);
    EXPECT_EQ(form.WebPageLinkCaption(), webPageLink);

    // A readme in the ANSI code page with LF or CR LF line ends: its lines, joined by CR LF.
    WriteReadme("First line\nsecond \xA9 line\r\n");
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
        EXPECT_EQ(form.LicMemoText(), u"First line\r\nsecond \u00A9 line") << "loaded before the window shows";
        form.OKButtonClick();
    }));

    // Changed between two showings: the second shows the new text.
    WriteReadme("Another text\r\n");
    form.FormShow();
    form.FormShow();
    EXPECT_EQ(form.LicMemoText(), u"Another text");
    EXPECT_EQ(form.AboutTextCaption(), aboutText);
    EXPECT_EQ(form.WebPageLinkCaption(), webPageLink);

    // Gone again: the memo keeps what it had.
    DeleteFileW(ReadmeBesideProgram().c_str());
    form.FormShow();
    EXPECT_EQ(form.LicMemoText(), u"Another text");

    // The rights notice's line: the label grows downward, clear of the web page's link.
    const RECT about = ClientRect(form.Handle(), form.Control(TAboutForm::idAboutText));
    EXPECT_GE(about.bottom - about.top, 26);
    EXPECT_LT(about.bottom, 147);
}

TEST_F(AboutFormTest, AClickOnTheLinkOpensTheProductPageAndTheRestOfTheLabelDoesNot)
{
    TAboutForm form(Settings());
    TLinkLabel* label = form.WebPageLink();
    ASSERT_NE(label, nullptr);
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
        ASSERT_EQ(label->LinkRects().size(), 1u);
        const RECT link = label->LinkRects()[0];
        EXPECT_EQ(link.left, 0);
        EXPECT_EQ(link.top, 13) << "on the second line";
        EXPECT_GT(link.right - link.left, 150);
        // The first line's words: not the link.
        ClickClient(label->Handle(), POINT{20, 6});
        EXPECT_TRUE(FOpened.empty());
        ClickClient(label->Handle(), POINT{(link.left + link.right) / 2, (link.top + link.bottom) / 2});
        form.OKButtonClick();
    }));
    ASSERT_EQ(FOpened.size(), 1u);
    EXPECT_EQ(FOpened[0].first, form.Handle());
    EXPECT_EQ(FOpened[0].second, ProductPage);
}

TEST_F(AboutFormTest, AFailedReportIsShownAndRaisedAgain)
{
    TAboutForm form(Settings());
    // Called by the settings window's menu while the window is hidden: the message goes over
    // the active window, and the caller gets the failure.
    SetActiveWindow(FOwner.Handle());
    const HWND active = GetActiveWindow();
    try {
        form.SendErrorReportButtonClick(nullptr);
        ADD_FAILURE() << "the report was not expected to succeed in this build";
    } catch (const Exception& failure) {
        ASSERT_EQ(FErrorsShown.size(), 1u);
        EXPECT_EQ(FErrorsShown[0].first, active);
        EXPECT_EQ(FErrorsShown[0].second, failure.Message());
        EXPECT_FALSE(failure.Message().empty());
    }
    EXPECT_EQ(FSourcesAsked, 1);

    // The window's own button: shown over the About window, and ended there.
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
        SendMessageW(form.Control(TAboutForm::idSendErrorReportButton), BM_CLICK, 0, 0);
        form.OKButtonClick();
    }));
    ASSERT_EQ(FErrorsShown.size(), 2u);
    EXPECT_EQ(FErrorsShown[1].first, form.Handle());
    EXPECT_EQ(FSourcesAsked, 2);

    // Without a sources function the report still runs, with empty sources.
    TAboutFormSettings bare = Settings();
    bare.ErrorReportSources = nullptr;
    TAboutForm plain(std::move(bare));
    EXPECT_THROW(plain.SendErrorReportButtonClick(nullptr), Exception);
    EXPECT_EQ(FErrorsShown.size(), 3u);
}

TEST_F(AboutFormTest, Screenshot)
{
    WriteReadme("Zelkor Hotkeys for Outlook\r\n"
                "This program contains:\r\n"
                "- libjpeg-turbo, https://libjpeg-turbo.org\r\n"
                "  This software is based in part on the\r\n"
                "  work of the Independent JPEG Group.\r\n");
    TAboutForm form(Settings());
    bool saved = false;
    ASSERT_TRUE(ShowModalWhile(form, FOwner.Handle(), [&] {
        Settle(300);
        saved = SaveWindowPng(form.Handle(), L"about_window", 8);
        form.OKButtonClick();
    }));
    EXPECT_TRUE(saved);
}

} // namespace
} // namespace zel
