// Measures how long a hotkey press takes to put its text into the open message.
//
//   bench_press_latency [presses]        (Windows; run under Wine by hand; default 200 presses)
//
// The set-up is the add-in's at a press: a hidden window owns one system-wide hotkey whose
// OnHotKey runs THotKeyDispatch::DoHotKey over a one-row table ("Insert Text" with a short
// text); the stand-in Outlook has an open message window and the stand-in extended-MAPI library
// is registered, so its safe inspector is created by ProgID as on a real machine; exception
// tracking is on and every raise is written to an error log (a temporary file), so that a raise
// on the way costs what it costs in the add-in.
//
// A second process (zel_sendkeys --serve) presses the chord through SendInput and reports the
// QueryPerformanceCounter value taken right before that call; the counter is one clock for all
// processes, so each press gives two latencies on that clock:
//   - SendInput to WM_HOTKEY: stamped by a second message filter on the hidden window, attached
//     after the hotkey component's, so it runs first, before the component sees the message;
//   - SendInput to the text in the message: stamped right after DoHotKey returns (the action is
//     synchronous); the message body is then checked to hold exactly the text.
// The body is emptied before every press. A few warm-up presses come first and are not counted
// (the first one loads the library and creates the COM class objects).
//
// Where the time from WM_HOTKEY to the text goes: every press is split at the hotkey
// component's call of OnHotKey (the component's message filter before it, DoHotKey after it);
// and every second press runs, instead of DoHotKey, the same press taken apart: the steps of
// DoHotKey and "Insert Text" one by one, each timed on its own (the dispatch without an action:
// shortcut text, status text, the row search; the ProgID's class look-up; the creation of the
// safe inspector; its ISafeInspector query; the active inspector fetched from Outlook; the two
// puts; the release). An exception notifier counts the raises of the add-in's presses.
#include "platform/Exceptions.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "diagnostics/JvLogFile.h"
#include "diagnostics/LogException.h"
#include "diagnostics/ZelDebug.h"
#include "hotkeys/ActionCatalogue.h"
#include "hotkeys/HotKeyDispatch.h"
#include "hotkeys/HotKeyTable.h"
#include "hotkeys/JvAppHotKey.h"
#include "hotkeys/ShortCut.h"
#include "mapi/RedemptionIds.h"
#include "support/TestLibraries.h"
#include "outlook/LateBinding.h"
#include "storage/FormStorage.h"
#include "storage/XMLFileStorage.h"
#include "support/HotKeyPress.h"
#include "support/RaiseCounter.h"
#include "support/StandinOutlookWithSession.h"
#include "support/TestWindow.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>
#include <commctrl.h>

namespace zel {
namespace {

using standin::TStandinApplication;
using standin::TStandinInspector;

// A chord that nothing else on the desktop registers.
constexpr TShortCut BenchChord = scShift | scCtrl | scAlt | VK_F9;
constexpr int WarmUpPresses = 3;
constexpr ULONGLONG PressTimeoutMs = 5000;
const std::u16string InsertedText = u"Regards, the hotkey";

ZEL_EXCEPTION_CLASS(EBench, Exception);

[[noreturn]] void RaiseLastError(std::string_view call)
{
    const DWORD error = GetLastError();
    throw EOSError(U16(call) + u" failed with error " + U16(std::to_string(error)), error);
}

class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(HANDLE handle) noexcept : FHandle(handle) {}
    ~TOwnedHandle() { Reset(); }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    HANDLE Get() const noexcept { return FHandle; }
    HANDLE* Receive() noexcept { Reset(); return &FHandle; }
    void Reset() noexcept
    {
        if (FHandle && FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
        FHandle = nullptr;
    }

private:
    HANDLE FHandle = nullptr;
};

// zel_sendkeys in its serving mode, with pipes to its standard input and output.
class TSendKeysServer {
public:
    explicit TSendKeysServer(const std::wstring& program)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        TOwnedHandle childInput, childOutput;
        if (!CreatePipe(childInput.Receive(), FInput.Receive(), &inherit, 0) ||
            !CreatePipe(FOutput.Receive(), childOutput.Receive(), &inherit, 0))
            RaiseLastError("CreatePipe");
        // Only the child's ends go to the child.
        SetHandleInformation(FInput.Get(), HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(FOutput.Get(), HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput.Get();
        startup.hStdOutput = childOutput.Get();
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::wstring commandLine = L"\"" + program + L"\" --serve";
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process))
            RaiseLastError("CreateProcess");
        *FProcess.Receive() = process.hProcess;
        CloseHandle(process.hThread);
    }
    // Closing its input ends the server.
    ~TSendKeysServer()
    {
        FInput.Reset();
        WaitForSingleObject(FProcess.Get(), 5000);
    }
    TSendKeysServer(const TSendKeysServer&) = delete;
    TSendKeysServer& operator=(const TSendKeysServer&) = delete;

    void Press(const std::u16string& chord)
    {
        std::string line(chord.begin(), chord.end());
        line += '\n';
        DWORD written = 0;
        if (!WriteFile(FInput.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
            written != line.size())
            RaiseLastError("WriteFile");
    }
    // The counter value the server took right before SendInput for the oldest unanswered press.
    LONGLONG SentAt()
    {
        std::string line;
        for (char c; ReadByte(c) && c != '\n';)
            line += c;
        if (line.empty() || !std::isdigit(static_cast<unsigned char>(line[0])))
            throw EBench(u"zel_sendkeys did not press the chord: " + std::u16string(line.begin(), line.end()));
        return std::strtoll(line.c_str(), nullptr, 10);
    }

private:
    bool ReadByte(char& c)
    {
        DWORD read = 0;
        return ReadFile(FOutput.Get(), &c, 1, &read, nullptr) && read == 1;
    }

    TOwnedHandle FInput, FOutput, FProcess;
};

// Stamps the arrival of WM_HOTKEY with the identifier it watches.
class THotKeyArrival {
public:
    THotKeyArrival(HWND window, WPARAM id) : FWindow(window), FID(id)
    {
        if (!SetWindowSubclass(FWindow, Filter, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
            throw EBench(u"cannot attach the arrival filter");
    }
    ~THotKeyArrival() { RemoveWindowSubclass(FWindow, Filter, reinterpret_cast<UINT_PTR>(this)); }
    THotKeyArrival(const THotKeyArrival&) = delete;
    THotKeyArrival& operator=(const THotKeyArrival&) = delete;

    LONGLONG ArrivedAt = 0;

private:
    static LRESULT CALLBACK Filter(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR refData) noexcept
    {
        auto* self = reinterpret_cast<THotKeyArrival*>(refData);
        if (message == WM_HOTKEY && wParam == self->FID) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            self->ArrivedAt = now.QuadPart;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    HWND FWindow;
    WPARAM FID;
};

struct TLatencies {
    std::vector<double> HotKey;   // SendInput to WM_HOTKEY, ms
    std::vector<double> OnHotKey; // SendInput to the component's call of OnHotKey, ms
    std::vector<double> Text;     // SendInput to the text in the message, ms
};

LONGLONG Now() noexcept
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The add-in's error log while the object lives: exception tracking on, every raise written to
// a temporary file, which is deleted at the end.
class TErrorLog {
public:
    TErrorLog()
    {
        DeleteFileW(FFile.FileName().c_str()); // a log left by an earlier run
        FLog.SetFileName(ToU16(FFile.FileName()));
        FLog.SetAutoSave(true);
        InitializeExceptionTracking();
        JclAddExceptNotifier(LogExceptionNotifier(FLog), npNormal);
    }
    ~TErrorLog()
    {
        JclRemoveExceptNotifier(LogExceptionNotifier(FLog));
        FinalizeExceptionTracking();
    }
    TErrorLog(const TErrorLog&) = delete;
    TErrorLog& operator=(const TErrorLog&) = delete;

    // The size of the file now, in bytes.
    long long FileSize() const
    {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(FFile.FileName().c_str(), GetFileExInfoStandard, &data))
            return 0;
        return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

private:
    TJvLogFile FLog;
    // Declared after the log: the file goes before the log object does.
    TTempFile FFile{
        GrowBuffer([](wchar_t* buffer, DWORD capacity) { return GetTempPathW(capacity, buffer); }) +
        L"zel_bench_error.log"};
};

// One step of the breakdown: its name and its time in every round, ms.
struct TStep {
    const char* Name;
    std::vector<double> Times;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Max(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }

// A press of the "Insert Text" row taken apart: the steps of DoHotKey and InsertText run one by
// one, in their order, on the bench's objects, each timed on its own. The dispatch step is
// DoHotKey over a table whose matching row names no action (shortcut text, status text, the row
// search); the action's steps are those of InsertText (src/hotkeys/HotKeyActions.cpp), which
// this follows call for call.
class TSteppedPress {
public:
    TSteppedPress(IDispatch* nameSpace, double msPerTick) : FNameSpace(nameSpace), FMsPerTick(msPerTick)
    {
        TTreeData& row = FRows.Add();
        row.Subject = ShortCutToText(BenchChord);
        row.Folder = u"no action";
    }

    void Run(TJvApplicationHotKey* sender)
    {
        size_t step = 0;
        LONGLONG start = Now();
        auto lap = [&] {
            const LONGLONG end = Now();
            Steps[step++].Times.push_back(static_cast<double>(end - start) * FMsPerTick);
            start = end;
        };
        FDispatch.DoHotKey(sender);
        lap();
        CLSID classId{};
        OleCheck(CLSIDFromProgID(L"zelre.SafeInspector", &classId));
        lap();
        ComPtr<IDispatch> created;
        OleCheck(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(created.GetAddressOf())));
        lap();
        ComPtr<IDispatch> safeInspector = QueryIntf<IDispatch>(created.Get(), redemption::IID_ISafeInspector);
        created.Reset();
        lap();
        TOleVariant active = OleCall(OleGet(FNameSpace, L"Application"), L"ActiveInspector");
        lap();
        OlePut(safeInspector.Get(), L"Item", active);
        lap();
        OlePut(safeInspector.Get(), L"SelText", TOleVariant(InsertedText));
        lap();
        safeInspector.Reset();
        active.Clear();
        lap();
    }

    std::vector<TStep> Steps{{"dispatch: shortcut text, status, row search", {}},
                             {"CLSIDFromProgID(\"zelre.SafeInspector\")", {}},
                             {"CoCreateInstance (the new safe inspector)", {}},
                             {"QueryInterface ISafeInspector", {}},
                             {"namespace Application, ActiveInspector", {}},
                             {"put Item (the active inspector)", {}},
                             {"put SelText (the text)", {}},
                             {"release the safe inspector", {}}};

private:
    IDispatch* FNameSpace;
    double FMsPerTick;
    THotKeyRows FRows;
    TXMLFileStorage FStore;
    TFormStorage FForm{FStore};
    std::u16string FStatus;
    THotKeyDispatch FDispatch{FRows, FForm, [this](const std::u16string& text) { FStatus = text; }};
};

void PrintRow(const char* name, const std::vector<double>& values)
{
    std::printf("  %-46s %6.3f ms %6.3f ms\n", name, Median(values), Max(values));
}

int Run(int presses)
{
    TComApartment apartment;
    const std::wstring zelre = testing::BuildPath(ZEL_BENCH_ZELRE_DLL);
    TLatencies latencies;
    // WM_HOTKEY to OnHotKey (every press), OnHotKey to the text (the add-in's presses, and the
    // presses taken apart).
    std::vector<double> component, doHotKey, stepped;
    std::vector<TStep> steps;
    int raises = 0;
    long long logBytes = 0;
    int wrongBodies = 0;
    {
        testing::TStandinOutlookWithSession standins(zelre);
        if (!standins.Registered())
            throw EBench(u"cannot register zelre.dll for the current user");
        ComPtr<TStandinInspector> inspector = standins.Outlook()->OpenInspector(nullptr, L"");

        THotKeyRows rows;
        TTreeData& row = rows.Add();
        row.Subject = ShortCutToText(BenchChord);
        row.Folder = ActionInsertText;
        row.EntryID = InsertedText;
        TXMLFileStorage store;
        TFormStorage form(store);
        THotKeyDispatch dispatch(rows, form, nullptr);
        dispatch.SetNameSpace(standins.NameSpace());
        dispatch.SetSession(standins.Session());

        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        const double msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);
        TSteppedPress steppedPress(standins.NameSpace(), msPerTick);

        // Presses alternate between the add-in's DoHotKey and the same press taken apart, so
        // that both meet the same conditions.
        testing::TTestWindow window({0, WS_OVERLAPPEDWINDOW, {0, 0, 300, 200}, L"Press latency"});
        if (!window.Handle())
            RaiseLastError("CreateWindowEx");
        TJvApplicationHotKey hotKey(window.Handle());
        bool takenApart = false;
        LONGLONG calledAt = 0, doneAt = 0;
        hotKey.OnHotKey = [&](TJvApplicationHotKey* sender) {
            calledAt = Now();
            if (takenApart)
                steppedPress.Run(sender);
            else
                dispatch.DoHotKey(sender);
            doneAt = Now();
        };
        hotKey.SetHotKey(BenchChord);
        hotKey.SetActive(true);
        if (!hotKey.Active())
            throw EBench(u"cannot register the chord " + row.Subject);
        THotKeyArrival arrival(window.Handle(), static_cast<WPARAM>(hotKey.ID()));

        TSendKeysServer server(testing::BuildPath(ZEL_BENCH_SENDKEYS_EXE));
        TErrorLog errorLog;
        testing::TRaiseCounter raiseCount;
        double firstHotKey = 0, firstText = 0;
        const std::wstring expected(InsertedText.begin(), InsertedText.end());
        for (int i = 0; i < WarmUpPresses + 2 * presses; ++i) {
            const bool counted = i >= WarmUpPresses;
            takenApart = counted && (i - WarmUpPresses) % 2 == 1;
            inspector->SetBody(nullptr);
            arrival.ArrivedAt = 0;
            calledAt = doneAt = 0;
            const int raisesBefore = raiseCount.Count();
            server.Press(row.Subject);
            if (!testing::PumpUntil([&] { return doneAt != 0; }, PressTimeoutMs))
                throw EBench(u"press " + U16(std::to_string(i)) + u" did not arrive");
            const LONGLONG sentAt = server.SentAt();
            if (inspector->Body() != expected)
                ++wrongBodies;
            const double toHotKey = static_cast<double>(arrival.ArrivedAt - sentAt) * msPerTick;
            const double toOnHotKey = static_cast<double>(calledAt - sentAt) * msPerTick;
            const double toText = static_cast<double>(doneAt - sentAt) * msPerTick;
            if (i == 0) {
                firstHotKey = toHotKey;
                firstText = toText;
            }
            if (!counted)
                continue;
            component.push_back(toOnHotKey - toHotKey);
            if (takenApart) {
                stepped.push_back(toText - toOnHotKey);
            } else {
                latencies.HotKey.push_back(toHotKey);
                latencies.OnHotKey.push_back(toOnHotKey);
                latencies.Text.push_back(toText);
                doHotKey.push_back(toText - toOnHotKey);
                raises += raiseCount.Count() - raisesBefore;
            }
        }
        hotKey.SetActive(false);
        steps = steppedPress.Steps;
        logBytes = errorLog.FileSize();
        std::printf("%d presses of %s (after %d warm-up presses; the first: %.3f ms to WM_HOTKEY, %.3f ms to the text)\n",
                    presses, std::string(row.Subject.begin(), row.Subject.end()).c_str(), WarmUpPresses,
                    firstHotKey, firstText);
    }

    const double hotKeyMedian = Median(latencies.HotKey), textMedian = Median(latencies.Text);
    std::vector<double> action; // WM_HOTKEY to the text, press by press
    for (size_t i = 0; i < latencies.Text.size(); ++i)
        action.push_back(latencies.Text[i] - latencies.HotKey[i]);
    std::printf("%-34s %9s %9s\n", "", "median", "max");
    std::printf("%-34s %6.3f ms %6.3f ms\n", "SendInput -> WM_HOTKEY", hotKeyMedian, Max(latencies.HotKey));
    std::printf("%-34s %6.3f ms %6.3f ms\n", "SendInput -> text in the message", textMedian, Max(latencies.Text));
    std::printf("%-34s %6.3f ms %6.3f ms\n", "WM_HOTKEY -> text (the action)", Median(action), Max(action));
    std::printf("ratio of the medians (text / WM_HOTKEY): %.2f\n", textMedian / hotKeyMedian);
    std::printf("raises per press (counted by an exception notifier): %.2f; error log written: %lld bytes\n",
                static_cast<double>(raises) / static_cast<double>(presses), logBytes);

    std::printf("\nWhere WM_HOTKEY -> text goes (%d presses of each kind, alternating)   median       max\n", presses);
    PrintRow("hotkey component: WM_HOTKEY -> OnHotKey", component);
    PrintRow("DoHotKey (dispatch and action)", doHotKey);
    PrintRow("the same press taken apart, all steps", stepped);
    double sum = 0;
    for (const TStep& step : steps) {
        sum += Median(step.Times);
        PrintRow((std::string("  ") + step.Name).c_str(), step.Times);
    }
    std::printf("  %-46s %6.3f ms\n", "  sum of the steps' medians", sum);
    if (wrongBodies) {
        std::printf("FAILED: %d presses left a message body other than the inserted text\n", wrongBodies);
        return 1;
    }
    return 0;
}

} // namespace
} // namespace zel

int main(int argc, char** argv)
{
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    try {
        return zel::Run(presses);
    } catch (const zel::Exception& error) {
        std::printf("failed: %s\n", error.what());
    } catch (const std::exception& error) {
        std::printf("failed: %s\n", error.what());
    }
    return 1;
}
