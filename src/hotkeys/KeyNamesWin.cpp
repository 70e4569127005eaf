// The keyboard layout's key names and the user locale's case-blind comparison from Windows.
#include "hotkeys/KeyNames.h"

#include "platform/WideText.h"

#include <array>

#include <windows.h>

namespace zel {
namespace {

// The names come from the keyboard driver, a call per key; reading a shortcut's text tries up to
// 248 keys, and the settings window reads one text per row at start-up. So the names are kept
// per thread for the thread's current layout, and read anew when the layout changes.
class TWindowsKeyboardLayout : public IKeyboardLayout {
public:
    std::u16string KeyName(std::uint8_t virtualKey) const override
    {
        thread_local TCache cache;
        const HKL layout = GetKeyboardLayout(0);
        if (cache.Layout != layout) {
            cache = TCache();
            cache.Layout = layout;
        }
        if (!cache.Known[virtualKey]) {
            cache.Names[virtualKey] = AskLayout(virtualKey);
            cache.Known[virtualKey] = true;
        }
        return cache.Names[virtualKey];
    }

private:
    struct TCache {
        HKL Layout = nullptr;
        std::array<bool, 256> Known{};
        std::array<std::u16string, 256> Names;
    };

    static std::u16string AskLayout(std::uint8_t virtualKey)
    {
        // GetKeyNameTextW takes the scan code in bits 16 to 23 of its first argument.
        LONG scanCode = static_cast<LONG>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) << 16);
        if (scanCode == 0)
            return {};
        wchar_t name[256];
        int length = GetKeyNameTextW(scanCode, name, 256);
        if (length <= 0)
            return {};
        return ToU16(std::wstring_view(name, static_cast<size_t>(length)));
    }
};

class TWindowsTextCase : public ITextCase {
public:
    bool SameText(std::u16string_view a, std::u16string_view b) const override
    {
        if (a.empty() || b.empty())
            return a.empty() && b.empty();
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE,
                   AsWide(a).data(), static_cast<int>(a.size()),
                   AsWide(b).data(), static_cast<int>(b.size()))
            == CSTR_EQUAL;
    }
};

} // namespace

IKeyboardLayout& DefaultKeyboardLayout()
{
    static TWindowsKeyboardLayout service;
    return service;
}

ITextCase& DefaultTextCase()
{
    static TWindowsTextCase service;
    return service;
}

} // namespace zel
