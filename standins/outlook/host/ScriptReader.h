// Reads the script (a file, or standard input for "-") on a thread of its own and posts each
// line to the host's window (WM_SCRIPT_LINE), then WM_SCRIPT_END at its end, so that the UI
// thread keeps handling its messages (hotkeys, events) while a test takes its time to write.
#pragma once

#include <string>

#include <windows.h>

namespace zel::standin::host {

// Starts the reader; false (with the reason in `error`) when the file cannot be opened. The
// thread runs until the input ends; the process may end before it does.
bool StartScriptReader(const std::wstring& script, HWND target, std::wstring& error);

} // namespace zel::standin::host
