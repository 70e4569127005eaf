// zel_sendkeys: presses key chords through SendInput, as a person at the keyboard would.
//
//   zel_sendkeys <shortcut text> [win]   presses one chord, e.g. zel_sendkeys Ctrl+Alt+A
//   zel_sendkeys --serve                 presses one chord per line read from standard input
//   zel_sendkeys --probe <shortcut text> tries to register the chord as another program would
//
// The modifiers go down first (the Windows key when "win" is given), then the key goes down and
// up, then the modifiers come up in reverse order. One-shot exit code: 0 when every event was
// queued, 1 when SendInput refused, 2 for a chord that names no key.
//
// Probing: exit code 0 when the chord could be registered (it is released again at once), 3 when
// Windows refused it (another program holds it), 2 for a chord that names no key.
//
// Serving: each input line is "<shortcut text>" or "<shortcut text> win". For each line one
// output line is written and flushed: the QueryPerformanceCounter value taken right before
// SendInput (the counter is one clock for every process of the machine, so the reader can set
// it against its own readings), or "error <code>" with the one-shot exit code. Ends at the end
// of the input with exit code 0. Benchmarks use it to press many chords without paying for a
// process start each time.
#include "hotkeys/JvAppHotKey.h"
#include "hotkeys/ShortCut.h"
#include "platform/WideText.h"

#include <cstdio>
#include <cwchar>
#include <iostream>
#include <string>
#include <vector>

#include <windows.h>

namespace {

constexpr int ChordPressed = 0;
constexpr int ChordRefused = 1;
constexpr int ChordUnknown = 2;
constexpr int ChordTaken = 3;

INPUT KeyEvent(WORD virtualKey, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// The key events of one chord; empty for a text that names no key.
std::vector<INPUT> ChordEvents(const std::u16string& text, bool windowsKey)
{
    zel::TShortCut shortCut = zel::TextToShortCut(text);
    if (shortCut == 0)
        return {};
    zel::TShortCutKey key = zel::ShortCutToKey(shortCut);
    std::vector<WORD> modifiers;
    if (windowsKey)
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
    return inputs;
}

// Presses the chord; sentAt receives the counter value taken right before SendInput.
int PressChord(const std::u16string& text, bool windowsKey, LARGE_INTEGER& sentAt)
{
    std::vector<INPUT> inputs = ChordEvents(text, windowsKey);
    if (inputs.empty())
        return ChordUnknown;
    QueryPerformanceCounter(&sentAt);
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? ChordPressed : ChordRefused;
}

int Probe(const std::u16string& text)
{
    const zel::TShortCut shortCut = zel::TextToShortCut(text);
    if (shortCut == 0)
        return ChordUnknown;
    const zel::THotKeyCode code = zel::ShortCutToHotKey(shortCut, false);
    constexpr int probeID = 1;
    if (!RegisterHotKey(nullptr, probeID, code.Modifiers, code.VirtualKey))
        return ChordTaken;
    UnregisterHotKey(nullptr, probeID);
    return ChordPressed;
}

int Serve()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        bool windowsKey = false;
        if (line.size() > 4 && line.compare(line.size() - 4, 4, " win") == 0) {
            windowsKey = true;
            line.resize(line.size() - 4);
        }
        // Shortcut texts of the keyboard are ASCII.
        std::u16string text(line.begin(), line.end());
        LARGE_INTEGER sentAt{};
        int result = PressChord(text, windowsKey, sentAt);
        if (result == ChordPressed)
            std::printf("%lld\n", static_cast<long long>(sentAt.QuadPart));
        else
            std::printf("error %d\n", result);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return ChordUnknown;
    if (std::wcscmp(argv[1], L"--serve") == 0)
        return Serve();
    if (std::wcscmp(argv[1], L"--probe") == 0)
        return argc >= 3 ? Probe(zel::ToU16(argv[2])) : ChordUnknown;
    const std::u16string text = zel::ToU16(argv[1]);
    LARGE_INTEGER sentAt{};
    return PressChord(text, argc >= 3 && _wcsicmp(argv[2], L"win") == 0, sentAt);
}
