// zel_sendkeys: presses one key chord through SendInput, as a person at the keyboard would.
// Usage: zel_sendkeys <shortcut text> [win]   e.g. zel_sendkeys Ctrl+Alt+A
// The modifiers go down first (the Windows key when "win" is given), then the key goes down and
// up, then the modifiers come up in reverse order. Exit code 0 when every event was queued, 1
// when SendInput refused, 2 for a chord that names no key.
#include "hotkeys/ShortCut.h"

#include <cwchar>
#include <string>
#include <vector>

#include <windows.h>

namespace {

INPUT KeyEvent(WORD virtualKey, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    std::u16string text(reinterpret_cast<const char16_t*>(argv[1]));
    zel::TShortCut shortCut = zel::TextToShortCut(text);
    if (shortCut == 0)
        return 2;
    zel::TShortCutKey key = zel::ShortCutToKey(shortCut);
    std::vector<WORD> modifiers;
    if (argc >= 3 && _wcsicmp(argv[2], L"win") == 0)
        modifiers.push_back(VK_LWIN);
    if (key.Ctrl)
        modifiers.push_back(VK_CONTROL);
    if (key.Alt)
        modifiers.push_back(VK_MENU);
    if (key.Shift)
        modifiers.push_back(VK_SHIFT);
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers)
        inputs.push_back(KeyEvent(modifier, false));
    inputs.push_back(KeyEvent(key.Key, false));
    inputs.push_back(KeyEvent(key.Key, true));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        inputs.push_back(KeyEvent(*it, true));
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? 0 : 1;
}
