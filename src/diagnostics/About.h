// The About window (AboutForm): the product's name and version, the rights notice, a link to
// the product's web page, the acknowledgements of the third-party code, and the error report's
// button. The add-in creates it hidden at the connection; the settings window shows it modally
// and runs its error report from the Help menu.
//
//   TAboutForm about(settings);     // the window exists, hidden
//   about.ShowModal(owner);         // centred over the owner, FormShow, modal until closed
//   about.SendErrorReportButtonClick(sender);  // also without the window shown
//
// Every showing recomputes the captions and reloads the readme beside the module.
#pragma once

#include "diagnostics/ErrorReport.h"
#include "diagnostics/LinkLabel.h"
#include "platform/Handles.h"

#include <functional>
#include <memory>
#include <string>

#include <windows.h>

namespace zel {

struct TAboutFormSettings {
    // What the error report takes from the settings window at the click; none: empty sources.
    std::function<TErrorReportSources()> ErrorReportSources;
    // Opens the product page; by default the shell's "open" with SW_SHOWNORMAL (result ignored).
    std::function<void(HWND owner, const std::u16string& address)> OpenPage;
    // Tells the user why the report failed; by default an error message box.
    std::function<void(HWND owner, const std::u16string& message)> ShowError;
};

class TAboutForm {
public:
    explicit TAboutForm(TAboutFormSettings settings = {});
    virtual ~TAboutForm();
    TAboutForm(const TAboutForm&) = delete;
    TAboutForm& operator=(const TAboutForm&) = delete;

    // Shows the window modally over the owner (over the screen's work area when there is none)
    // and returns when it is closed; the window is hidden again and can be shown once more.
    virtual void ShowModal(HWND owner);
    // Builds and sends the error report; Sender is the control or menu that asked for it. A
    // failure is shown to the user and raised again to the caller.
    virtual void SendErrorReportButtonClick(void* Sender);

    // ---- Handlers.
    void FormShow();
    void OKButtonClick();
    void WebPageLinkClick();

    // ---- For tests.
    HWND Handle() const noexcept { return FHandle; }
    bool Modal() const noexcept { return FModal; }
    HWND Control(int id) const noexcept;
    std::u16string AboutTextCaption() const;
    std::u16string WebPageLinkCaption() const;
    std::u16string LicMemoText() const;
    TLinkLabel* WebPageLink() const noexcept { return FWebPageLink.get(); }

    // Control identifiers; the OK button is the dialog's IDOK.
    enum : int {
        idOKButton = IDOK,
        idSendErrorReportButton = 1001,
        idLicMemo,
        idZelkorLogo,
        idAboutText,
        idWebPageLink,
        idPanel,
    };

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateFormWindow();
    void CreateControls();
    void Command(int id, int code);
    void CenterOver(HWND owner);
    void RunModalLoop();
    int DefaultButtonId() const noexcept;
    void ShowDefaultButton() noexcept;
    void DrawLogo(const DRAWITEMSTRUCT& item) const;
    HWND ErrorOwner() const noexcept;

    TAboutFormSettings FSettings;
    HWND FHandle = nullptr;
    HWND FPanel = nullptr;
    bool FModal = false;
    bool FCloseRequested = false;
    TFontHandle FFont;
    TIconHandle FLogo;
    std::unique_ptr<TLinkLabel> FAboutText;
    std::unique_ptr<TLinkLabel> FWebPageLink;
};

} // namespace zel
