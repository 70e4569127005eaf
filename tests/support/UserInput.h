// Mouse clicks and key strokes sent with SendInput, as a person at the machine would make them,
// for tests that drive windows on the screen. The window under test must be in front
// (SetForegroundWindow) for keys to reach it.
#pragma once

#include "support/HotKeyPress.h"

#include <string_view>
#include <vector>

#include <windows.h>

namespace zel::testing {

// Lets the messages that input caused arrive and be handled.
inline void Settle(ULONGLONG milliseconds = 150)
{
    const ULONGLONG until = GetTickCount64() + milliseconds;
    PumpUntil([&] { return GetTickCount64() >= until; }, milliseconds + 50);
}

// A mouse event at a screen point. Absolute coordinates run from 0 to 65535 over the primary
// screen, and the system turns them back into pixels rounding down: rounding up here lands on
// the very pixel asked for.
inline void SendMouse(DWORD flags, POINT at)
{
    auto normalized = [](LONG value, int extent) {
        return static_cast<LONG>((static_cast<long long>(value) * 65536 + extent - 1) / extent);
    };
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = normalized(at.x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = normalized(at.y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

// A left click at the screen point.
inline void ClickAt(POINT at, ULONGLONG settle = 150)
{
    SendMouse(0, at);
    SendMouse(MOUSEEVENTF_LEFTDOWN, at);
    SendMouse(MOUSEEVENTF_LEFTUP, at);
    Settle(settle);
}

// A left click at a point of the window's client area.
inline void ClickClient(HWND window, POINT client, ULONGLONG settle = 150)
{
    ClientToScreen(window, &client);
    ClickAt(client, settle);
}

// Two left clicks in quick succession: a double click.
inline void DoubleClickAt(POINT at)
{
    SendMouse(0, at);
    for (int i = 0; i < 2; ++i) {
        SendMouse(MOUSEEVENTF_LEFTDOWN, at);
        SendMouse(MOUSEEVENTF_LEFTUP, at);
    }
    Settle(200);
}

// Presses the left button at `from`, moves to `to` in small steps and lets go there.
inline void DragMouse(POINT from, POINT to)
{
    SendMouse(0, from);
    Settle(50);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from);
    Settle(50);
    constexpr int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        SendMouse(0, {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        Settle(20);
    }
    SendMouse(MOUSEEVENTF_LEFTUP, to);
    Settle(150);
}

// One key stroke (down and up) of a virtual key, sent as real input and left to whatever loop
// handles this thread's messages (a modal loop's own key handling included).
inline void SendKeyStroke(WORD virtualKey)
{
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// One key stroke (down and up) of a virtual key, handled before this returns.
inline void PressKey(WORD virtualKey)
{
    SendKeyStroke(virtualKey);
    Settle(100);
}

// Types the text as characters (Unicode key events), whatever the keyboard layout.
inline void TypeText(std::u16string_view text)
{
    std::vector<INPUT> inputs;
    for (char16_t unit : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = unit;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

} // namespace zel::testing
