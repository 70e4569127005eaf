// StandinOutlook.exe: a stand-in for Outlook that hosts COM add-ins as Outlook does, with real
// windows over the stand-in object model and a scripted mode for tests. Options and script
// commands: README.md beside this file (and HostOptions.h, ScriptCommand.h).
#include "platform/Handles.h"
#include "standins/outlook/host/HostApp.h"
#include "standins/outlook/host/HostOptions.h"
#include "standins/outlook/host/HostOutput.h"
#include "standins/outlook/host/ScriptReader.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <stdexcept>
#include <vector>

using namespace zel::standin::host;

namespace {

std::vector<std::wstring> Arguments()
{
    std::vector<std::wstring> args;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; list && i < count; ++i)
        args.emplace_back(list[i]);
    LocalFree(list);
    return args;
}

struct TOleScope {
    HRESULT Result = OleInitialize(nullptr);
    ~TOleScope()
    {
        if (SUCCEEDED(Result))
            OleUninitialize();
    }
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    THostOptions options;
    try {
        options = ParseHostOptions(Arguments());
    } catch (const std::invalid_argument& e) {
        std::wstring text;
        for (const char* p = e.what(); *p; ++p)
            text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        PrintLine(L"error " + text);
        return 2;
    }
    const TOleScope ole;
    if (FAILED(ole.Result)) {
        PrintLine(L"error OleInitialize failed: " + HResultText(ole.Result));
        return 3;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Outlook's process has the shell's and the mail system's libraries loaded long before an
    // add-in connects; without them here, the first add-in would be timed loading them.
    const zel::TLibraryHandle shell(LoadLibraryW(L"shell32.dll"));
    {
        THostApp app(options);
        app.Start();
        if (!options.Script.empty()) {
            std::wstring error;
            if (!StartScriptReader(options.Script, app.ScriptWindow(), error)) {
                PrintLine(L"error " + error);
                PostQuitMessage(0);
            }
        }
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        app.Finish();
    }
    return 0;
}
