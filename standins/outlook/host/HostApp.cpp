#include "standins/outlook/host/HostApp.h"

#include "platform/Boundary.h"
#include "platform/Exceptions.h"
#include "platform/WideText.h"
#include "standins/outlook/host/HostOutput.h"
#include "standins/outlook/host/ScreenPng.h"

#include <algorithm>
#include <stdexcept>

namespace zel::standin::host {

namespace {

constexpr UINT_PTR WaitTimer = 1;

std::wstring YesNo(bool value) { return value ? L"yes" : L"no"; }

std::string Narrow(const std::wstring& text)
{
    std::string s;
    for (wchar_t c : text)
        s += c < 0x80 ? static_cast<char>(c) : '?';
    return s;
}

std::wstring Widen(const char* text)
{
    std::wstring s;
    for (; *text; ++text)
        s += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return s;
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Prints a "window" state line for a visible top-level window of this process.
BOOL CALLBACK PrintWindowLine(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        PrintLine(L"window class=" + Quoted(name) + L" caption=" + Quoted(WindowText(window)));
    }
    return TRUE;
}

// A folder by path ("\\Store\Folder\...", each name without regard to case) or by name
// (anywhere in the default store); null when none.
TStandinFolder* FindFolder(TStandinNameSpace& nameSpace, const std::wstring& text)
{
    if (text.rfind(L"\\\\", 0) != 0)
        return nameSpace.FindFolder(text);
    TStandinFolders* level = nameSpace.Folders();
    TStandinFolder* folder = nullptr;
    size_t from = 2;
    while (from <= text.size()) {
        const size_t to = std::min(text.find(L'\\', from), text.size());
        folder = level ? level->Find(text.substr(from, to - from)) : nullptr;
        if (!folder)
            return nullptr;
        level = folder->Folders();
        from = to + 1;
    }
    return folder;
}

} // namespace

THostApp::THostApp(THostOptions options) : FOptions(std::move(options)), FApp(TStandinApplication::Create())
{
    FApp->SetObserver(this);
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = ScriptProc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"StandinOutlookScript";
    RegisterClassExW(&c);
    FScriptWindow.reset(CreateWindowExW(0, c.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(FScriptWindow.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

THostApp::~THostApp()
{
    if (FApp)
        FApp->SetObserver(nullptr);
    FExplorerWindows.clear();
    FInspectorWindows.clear();
    FClosedWindows.clear();
}

RECT THostApp::NextBounds(bool explorer)
{
    const int shift = 32 * (FOpened++ % 8);
    const int width = explorer ? 900 : 640, height = explorer ? 600 : 460;
    const int left = (explorer ? 40 : 420) + shift, top = (explorer ? 40 : 180) + shift;
    return RECT{left, top, left + width, top + height};
}

void THostApp::Start()
{
    TStandinFolder* inbox = FApp->NameSpace()->DefaultFolder(olFolderInbox);
    for (int i = 0; i < FOptions.Explorers; ++i) {
        const bool late = i == 0 && FOptions.StandardBarLate;
        ComPtr<TStandinExplorer> explorer = FApp->OpenExplorer(inbox, !late);
        if (late)
            FLateBarExplorer = explorer.Get();
    }
    for (int i = 0; i < FOptions.Inspectors; ++i)
        FApp->OpenInspector(nullptr, L"Body of inspector " + std::to_wstring(i + 1) + L".");
    if (!FOptions.NoAddins)
        FAddins.Load(FindRegisteredAddins(FOptions.Addins), FApp->Dispatch());
    FAddins.StartupComplete();
    FStarted = true;
    PrintLine(L"addins loaded=" + std::to_wstring(FAddins.Count()));
    if (!FOptions.Script.empty())
        PrintLine(L"ready");
}

// ---- following the model

TExplorerWindow* THostApp::WindowOf(TStandinExplorer* explorer) const
{
    for (const auto& w : FExplorerWindows)
        if (w->Explorer() == explorer)
            return w.get();
    return nullptr;
}

TInspectorWindow* THostApp::WindowOf(TStandinInspector* inspector) const
{
    for (const auto& w : FInspectorWindows)
        if (w->Inspector() == inspector)
            return w.get();
    return nullptr;
}

void THostApp::ModelChanged(TStandinChange change, TStandinObject* object) noexcept
try {
    auto* explorer = dynamic_cast<TStandinExplorer*>(object);
    auto* inspector = dynamic_cast<TStandinInspector*>(object);
    switch (change) {
    case TStandinChange::ExplorerOpened:
        FExplorerWindows.push_back(std::make_unique<TExplorerWindow>(*this, explorer, FApp->NameSpace()->Folders(), NextBounds(true)));
        break;
    case TStandinChange::InspectorOpened:
        FInspectorWindows.push_back(std::make_unique<TInspectorWindow>(*this, inspector, NextBounds(false)));
        break;
    case TStandinChange::ExplorerActivated:
        if (TExplorerWindow* w = WindowOf(explorer))
            w->BringToFront();
        break;
    case TStandinChange::InspectorActivated:
        if (TInspectorWindow* w = WindowOf(inspector)) {
            w->ShowMessageFields();
            w->BringToFront();
        }
        break;
    case TStandinChange::FolderSwitched:
        if (TExplorerWindow* w = WindowOf(explorer))
            w->ShowFolder();
        break;
    case TStandinChange::BodyChanged:
        if (TInspectorWindow* w = WindowOf(inspector))
            w->ShowBody();
        break;
    case TStandinChange::ExplorerClosed: {
        auto found = std::find_if(FExplorerWindows.begin(), FExplorerWindows.end(), [&](const auto& w) { return w->Explorer() == explorer; });
        if (found != FExplorerWindows.end()) {
            (*found)->Destroy();
            FClosedWindows.push_back(std::move(*found));
            FExplorerWindows.erase(found);
        }
        if (explorer == FLateBarExplorer)
            FLateBarExplorer = nullptr;
        QuitWhenNoWindowLeft();
        break;
    }
    case TStandinChange::InspectorClosed: {
        auto found = std::find_if(FInspectorWindows.begin(), FInspectorWindows.end(), [&](const auto& w) { return w->Inspector() == inspector; });
        if (found != FInspectorWindows.end()) {
            (*found)->Destroy();
            FClosedWindows.push_back(std::move(*found));
            FInspectorWindows.erase(found);
        }
        QuitWhenNoWindowLeft();
        break;
    }
    }
}
ZEL_CATCH_SILENT_RETURN()

void THostApp::QuitWhenNoWindowLeft()
{
    // Like Outlook, the program ends with its last window, unless a script drives it.
    if (FStarted && FOptions.Script.empty() && !FQuitting && FExplorerWindows.empty() && FInspectorWindows.empty()) {
        FQuitting = true;
        FQuitFast = FOptions.FastShutdown;
        PostQuitMessage(0);
    }
}

void THostApp::ReapClosedWindows() { FClosedWindows.clear(); }

void THostApp::RefreshWindows()
{
    for (const auto& w : FExplorerWindows)
        w->RefreshIfDue();
    for (const auto& w : FInspectorWindows)
        w->ShowMessageFields();
}

// ---- what a person does

void THostApp::ActivateExplorer(TStandinExplorer* explorer)
{
    // The "Standard" bar held back at start-up comes with the first activation after it.
    if (explorer == FLateBarExplorer && FStarted) {
        explorer->CommandBars()->SetStandardAvailable(true);
        FLateBarExplorer = nullptr;
        if (TExplorerWindow* w = WindowOf(explorer))
            w->ToolStripChanged();
    }
    explorer->Activate();
}

void THostApp::WindowActivated(TStandinObject* window, bool active) noexcept
try {
    if (!FStarted)
        return;
    ComPtr<TStandinObject> keep(window);
    if (auto* explorer = dynamic_cast<TStandinExplorer*>(window))
        active ? ActivateExplorer(explorer) : explorer->Deactivate();
    else if (auto* inspector = dynamic_cast<TStandinInspector*>(window))
        active ? inspector->Activate() : inspector->Deactivate();
}
ZEL_CATCH_SILENT_RETURN()

void THostApp::WindowCloseAsked(TStandinObject* window) noexcept
try {
    ComPtr<TStandinObject> keep(window);
    if (auto* explorer = dynamic_cast<TStandinExplorer*>(window))
        explorer->Close();
    else if (auto* inspector = dynamic_cast<TStandinInspector*>(window))
        inspector->Close();
}
ZEL_CATCH_SILENT_RETURN()

void THostApp::NewMessageAsked() noexcept
try {
    FApp->OpenInspector(nullptr);
}
ZEL_CATCH_SILENT_RETURN()

// ---- the script

LRESULT CALLBACK THostApp::ScriptProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
try {
    auto* self = reinterpret_cast<THostApp*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_SCRIPT_LINE: {
        std::unique_ptr<std::wstring> line(reinterpret_cast<std::wstring*>(lParam));
        if (self) {
            self->FPending.push_back(std::move(*line));
            self->RunPending();
        }
        return 0;
    }
    case WM_SCRIPT_END:
        if (self) {
            self->FScriptEnded = true;
            self->RunPending();
        }
        return 0;
    case WM_TIMER:
        if (self && wParam == WaitTimer) {
            KillTimer(window, WaitTimer);
            self->FWaiting = false;
            PrintLine(L"ok");
            self->RunPending();
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
ZEL_CATCH_SILENT_RETURN(0)

void THostApp::RunPending()
{
    // One command at a time: a command whose add-in code runs a message loop of its own (a
    // modal window) holds the next ones back until it returns.
    if (FExecuting)
        return;
    FExecuting = true;
    while (!FWaiting && !FQuitting && !FPending.empty()) {
        const std::wstring line = std::move(FPending.front());
        FPending.pop_front();
        ReapClosedWindows();
        RefreshWindows();
        try {
            const TScriptCommand command = ParseScriptLine(line);
            if (command.Verb == TVerb::None)
                continue;
            const std::wstring reply = Execute(command);
            if (command.Verb == TVerb::Wait && FWaiting)
                continue;
            if (command.Verb != TVerb::Quit)
                PrintLine(reply.empty() ? L"ok" : L"ok " + reply);
        } catch (const Exception& e) {
            PrintLine(L"error " + ToWide(e.Message()));
        } catch (const std::exception& e) {
            PrintLine(L"error " + Widen(e.what()));
        } catch (...) {
            PrintLine(L"error the command failed");
        }
    }
    if (FScriptEnded && !FWaiting && !FQuitting && FPending.empty()) {
        // The end of the script ends the program as "quit" does.
        FQuitting = true;
        FQuitFromScript = false;
        PostQuitMessage(0);
    }
    FExecuting = false;
}

TStandinExplorer* THostApp::ExplorerAt(int index) const
{
    TStandinExplorers* list = FApp->Explorers();
    if (index < 1 || static_cast<size_t>(index) > list->Count())
        throw std::invalid_argument("no explorer " + std::to_string(index) + " (there are " + std::to_string(list->Count()) + ")");
    return list->At(static_cast<size_t>(index) - 1);
}

TStandinInspector* THostApp::InspectorAt(int index) const
{
    TStandinInspectors* list = FApp->Inspectors();
    if (index < 1 || static_cast<size_t>(index) > list->Count())
        throw std::invalid_argument("no inspector " + std::to_string(index) + " (there are " + std::to_string(list->Count()) + ")");
    return list->At(static_cast<size_t>(index) - 1);
}

std::wstring THostApp::Execute(const TScriptCommand& c)
{
    switch (c.Verb) {
    case TVerb::Open:
        if (c.Target == TTarget::Explorer) {
            TStandinFolder* folder = c.Text.empty() ? FApp->NameSpace()->DefaultFolder(olFolderInbox)
                                                    : FindFolder(*FApp->NameSpace(), c.Text);
            if (!folder)
                throw std::invalid_argument("no folder '" + Narrow(c.Text) + "'");
            FApp->OpenExplorer(folder);
            return L"explorer " + std::to_wstring(FApp->Explorers()->Count());
        }
        FApp->OpenInspector(nullptr, c.Text);
        return L"inspector " + std::to_wstring(FApp->Inspectors()->Count());
    case TVerb::Close:
        if (c.Target == TTarget::Explorer)
            ComPtr<TStandinExplorer>(ExplorerAt(c.Index))->Close();
        else
            ComPtr<TStandinInspector>(InspectorAt(c.Index))->Close();
        return {};
    case TVerb::Activate:
        if (c.Target == TTarget::Explorer) {
            ComPtr<TStandinExplorer> explorer(ExplorerAt(c.Index));
            ActivateExplorer(explorer.Get());
        } else {
            ComPtr<TStandinInspector>(InspectorAt(c.Index))->Activate();
        }
        return {};
    case TVerb::StandardBar: {
        TStandinExplorer* explorer = ExplorerAt(c.Index);
        explorer->CommandBars()->SetStandardAvailable(c.Flag);
        if (explorer == FLateBarExplorer)
            FLateBarExplorer = nullptr;
        if (TExplorerWindow* w = WindowOf(explorer))
            w->RebuildToolStrip();
        return {};
    }
    case TVerb::Click: {
        TExplorerWindow* w = WindowOf(ExplorerAt(c.Index));
        if (!w || !w->ClickButton(c.Text))
            throw std::invalid_argument("explorer " + std::to_string(c.Index) + " has no button '" +
                                        Narrow(c.Text) + "'");
        return {};
    }
    case TVerb::Type: {
        TInspectorWindow* w = WindowOf(InspectorAt(c.Index));
        if (w)
            w->Type(c.Text);
        return {};
    }
    case TVerb::Caret: {
        TStandinInspector* inspector = InspectorAt(c.Index);
        const long size = static_cast<long>(inspector->Body().size());
        if (c.Number + c.Length > size)
            throw std::invalid_argument("the body has " + std::to_string(size) + " characters");
        if (TInspectorWindow* w = WindowOf(inspector))
            w->Select(c.Number, c.Length);
        return {};
    }
    case TVerb::State:
        PrintState();
        return {};
    case TVerb::Wait:
        if (c.Number > 0) {
            FWaiting = true;
            SetTimer(FScriptWindow.get(), WaitTimer, static_cast<UINT>(c.Number), nullptr);
        }
        return {};
    case TVerb::Screenshot:
        Screenshot(c.Text);
        return {};
    case TVerb::Empty: {
        TStandinFolder* folder = FindFolder(*FApp->NameSpace(), c.Text);
        if (!folder)
            throw std::invalid_argument("no folder '" + Narrow(c.Text) + "'");
        return L"deleted " + std::to_wstring(folder->Items()->Clear());
    }
    case TVerb::Disconnect:
        FAddins.Disconnect();
        FAddins.ReportUnload();
        return {};
    case TVerb::Connect:
        if (FAddins.Count() != 0)
            throw std::invalid_argument("the add-ins are connected");
        FAddins.Load(FindRegisteredAddins(FOptions.Addins), FApp->Dispatch(), ext_cm_AfterStartup);
        return L"addins loaded=" + std::to_wstring(FAddins.Count());
    case TVerb::Quit:
        FQuitting = true;
        FQuitFast = c.Flag;
        FQuitFromScript = true;
        PostQuitMessage(0);
        return {};
    case TVerb::None:
        break;
    }
    return {};
}

void THostApp::PrintState()
{
    TStandinExplorers* explorers = FApp->Explorers();
    for (size_t i = 0; i < explorers->Count(); ++i) {
        TStandinExplorer* e = explorers->At(i);
        const std::wstring n = std::to_wstring(i + 1);
        TStandinFolder* folder = e->CurrentFolder();
        TStandinCommandBars* bars = e->CommandBars();
        PrintLine(L"explorer n=" + n + L" active=" + YesNo(FApp->ActiveExplorer() == e) + L" standard-bar=" +
                  YesNo(bars->StandardAvailable()) + L" folder=" + Quoted(folder ? folder->FolderPath() : L""));
        TStandinControls* controls = bars->Standard()->Controls();
        for (size_t b = 0; b < controls->Count(); ++b) {
            const TStandinButton& button = *controls->At(b);
            PrintLine(L"button explorer=" + n + L" n=" + std::to_wstring(b + 1) + L" caption=" + Quoted(button.Caption) +
                      L" tag=" + Quoted(button.Tag) + L" style=" + std::to_wstring(button.Style) + L" begin-group=" +
                      YesNo(button.BeginGroup) + L" face=" + YesNo(button.FaceWidth > 0) + L" temporary=" +
                      YesNo(button.Temporary));
        }
    }
    TStandinInspectors* inspectors = FApp->Inspectors();
    int drafts = 0;
    for (size_t i = 0; i < inspectors->Count(); ++i) {
        TStandinInspector* s = inspectors->At(i);
        const TMessageFields fields = ReadMessageFields(s->Item());
        PrintLine(L"inspector n=" + std::to_wstring(i + 1) + L" active=" + YesNo(FApp->ActiveInspector() == s) +
                  L" caret=" + std::to_wstring(s->SelStart() + s->SelLength()) + L" selection-start=" +
                  std::to_wstring(s->SelStart()) + L" selection-length=" + std::to_wstring(s->SelLength()) +
                  L" body=" + Quoted(s->Body()));
        if (fields.IsMessage)
            PrintLine(L"draft n=" + std::to_wstring(++drafts) + L" inspector=" + std::to_wstring(i + 1) + L" subject=" +
                      Quoted(fields.Subject) + L" to=" + Quoted(fields.To) + L" attachments=" + Quoted(fields.Attachments));
    }
    PrintLine(L"displays items=" + std::to_wstring(FApp->ItemDisplays) + L" folders=" +
              std::to_wstring(FApp->DisplayedFolders.size()));
    EnumWindows(PrintWindowLine, 0);
    PrintLine(L"live standin-objects=" + std::to_wstring(LiveStandinObjects()));
}

void THostApp::Screenshot(const std::wstring& file)
{
    for (const auto& w : FExplorerWindows)
        w->RedrawNow();
    for (const auto& w : FInspectorWindows)
        w->RedrawNow();
    GdiFlush();
    if (!SaveScreenToPng(file))
        throw std::invalid_argument("the screenshot cannot be saved");
}

// ---- the end

void THostApp::Finish()
{
    if (FQuitFast || FOptions.FastShutdown) {
        // As Outlook 2010 and later end by default: no OnBeginShutdown, no OnDisconnection.
        if (FQuitFromScript)
            PrintLine(L"ok");
        ExitProcess(0);
    }
    NormalShutdown();
    if (FQuitFromScript)
        PrintLine(L"ok");
}

void THostApp::NormalShutdown()
{
    PrintLine(L"shutdown");
    FAddins.Shutdown();
    // The model's windows close (raising Close to whoever still listens), then go.
    while (FApp->Explorers()->Count())
        ComPtr<TStandinExplorer>(FApp->Explorers()->At(0))->Close();
    while (FApp->Inspectors()->Count())
        ComPtr<TStandinInspector>(FApp->Inspectors()->At(0))->Close();
    FExplorerWindows.clear();
    FInspectorWindows.clear();
    FClosedWindows.clear();
    FApp->SetObserver(nullptr);
    FApp.Reset();
    const std::vector<std::wstring> dlls = FAddins.ReportUnload();
    // The extended-MAPI stand-in's objects that an add-in still holds (it keeps its own count).
    if (const HMODULE zelre = GetModuleHandleW(L"zelre.dll")) {
        using TLiveObjects = LONG(STDAPICALLTYPE*)();
        if (const auto live = reinterpret_cast<TLiveObjects>(reinterpret_cast<void*>(GetProcAddress(zelre, "ZelreLiveObjects"))))
            PrintLine(L"live zelre-objects=" + std::to_wstring(live()));
    }
    CoFreeUnusedLibraries();
    FAddins.FreePerUserLibraries();
    for (const std::wstring& dll : dlls)
        PrintLine(L"dll " + Quoted(dll) + L" loaded after CoFreeUnusedLibraries " + YesNo(GetModuleHandleW(dll.c_str()) != nullptr));
    PrintLine(L"live standin-objects=" + std::to_wstring(LiveStandinObjects()));
}

} // namespace zel::standin::host
