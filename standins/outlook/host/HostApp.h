// The stand-in Outlook program's heart: the model, the add-ins, a window for each of the model's
// explorers and inspectors, and the script commands (ScriptCommand.h) run against them. It
// follows the model (IStandinModelObserver) and turns what a person does in the windows into
// the model's events (IWindowHost).
#pragma once

#include "standins/outlook/host/AddinHost.h"
#include "standins/outlook/host/HostOptions.h"
#include "standins/outlook/host/HostWindows.h"
#include "standins/outlook/host/ScriptCommand.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zel::standin::host {

// Messages to the host's message-only window: a script line (lParam: a new std::wstring* the
// handler deletes) and the end of the script.
inline constexpr UINT WM_SCRIPT_LINE = WM_APP + 1;
inline constexpr UINT WM_SCRIPT_END = WM_APP + 2;

class THostApp final : public IStandinModelObserver, public IWindowHost {
public:
    explicit THostApp(THostOptions options);
    ~THostApp();
    THostApp(const THostApp&) = delete;
    THostApp& operator=(const THostApp&) = delete;

    // Opens the start windows, loads the add-ins and tells them start-up is complete.
    void Start();
    // The window that script lines are posted to.
    HWND ScriptWindow() const noexcept { return FScriptWindow.get(); }
    // After the message loop: the end the options or the script asked for.
    void Finish();

    // IStandinModelObserver
    void ModelChanged(TStandinChange change, TStandinObject* object) noexcept override;
    // IWindowHost
    void WindowActivated(TStandinObject* window, bool active) noexcept override;
    void WindowCloseAsked(TStandinObject* window) noexcept override;
    void NewMessageAsked() noexcept override;

private:
    static LRESULT CALLBACK ScriptProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void RunPending();
    // Runs one command; returns the text of its "ok" reply (the reply of "wait" comes later).
    std::wstring Execute(const TScriptCommand& command);
    void PrintState();
    void Screenshot(const std::wstring& file);
    void RefreshWindows();
    void ActivateExplorer(TStandinExplorer* explorer);
    void ReapClosedWindows();
    void QuitWhenNoWindowLeft();
    void NormalShutdown();
    TStandinExplorer* ExplorerAt(int index) const;
    TStandinInspector* InspectorAt(int index) const;
    TExplorerWindow* WindowOf(TStandinExplorer* explorer) const;
    TInspectorWindow* WindowOf(TStandinInspector* inspector) const;
    RECT NextBounds(bool explorer);

    THostOptions FOptions;
    ComPtr<TStandinApplication> FApp;
    TAddinHost FAddins;
    std::vector<std::unique_ptr<TExplorerWindow>> FExplorerWindows;
    std::vector<std::unique_ptr<TInspectorWindow>> FInspectorWindows;
    std::vector<std::unique_ptr<THostWindow>> FClosedWindows;
    TStandinExplorer* FLateBarExplorer = nullptr;  // whose "Standard" bar comes at its activation
    bool FStarted = false;
    int FOpened = 0;
    TWindowHandle FScriptWindow;
    std::deque<std::wstring> FPending;
    bool FScriptEnded = false, FExecuting = false, FWaiting = false;
    bool FQuitting = false, FQuitFast = false, FQuitFromScript = false;
};

} // namespace zel::standin::host
