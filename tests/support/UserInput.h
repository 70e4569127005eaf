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

inline INPUT MouseInput(DWORD flags, int x = 0, int y = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // Absolute coordinates run from 0 to 65535 over the primary screen.
        input.mi.dx = static_cast<LONG>((x * 65536LL + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = static_cast<LONG>((y * 65536LL + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN));
    }
    return input;
}

// Moves the mouse to the screen point.
inline void MoveMouse(POINT at)
{
    INPUT move = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at.x, at.y);
    SendInput(1, &move, sizeof(INPUT));
    Settle(50);
}

// A left click at the screen point.
inline void ClickAt(POINT at, ULONGLONG settle = 150)
{
    MoveMouse(at);
    INPUT inputs[] = {MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)};
    SendInput(2, inputs, sizeof(INPUT));
    Settle(settle);
}

// A left click at a point of the window's client area.
inline void ClickClient(HWND window, POINT client, ULONGLONG settle = 150)
{
    ClientToScreen(window, &client);
    ClickAt(client, settle);
}

// Presses the left button at one screen point and lets it go at another.
inline void DragMouse(POINT from, POINT to)
{
    MoveMouse(from);
    INPUT down = MouseInput(MOUSEEVENTF_LEFTDOWN);
    SendInput(1, &down, sizeof(INPUT));
    Settle(50);
    MoveMouse(POINT{(from.x + to.x) / 2, (from.y + to.y) / 2});
    MoveMouse(to);
    INPUT up = MouseInput(MOUSEEVENTF_LEFTUP);
    SendInput(1, &up, sizeof(INPUT));
    Settle();
}

// One key stroke (down and up) of a virtual key.
inline void PressKey(WORD virtualKey)
{
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Settle(80);
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
