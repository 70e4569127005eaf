// Platform services behind the shortcut text conversions: the names that the keyboard layout
// gives keys outside the fixed name table, and letter-case-blind comparison by the user's locale.
// On Windows they come from the system (GetKeyNameTextW, CompareStringW); natively a portable
// stand-in serves. Tests replace either one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

class IKeyboardLayout {
public:
    virtual ~IKeyboardLayout() = default;
    // The layout's name of the key with this virtual-key code (0 to 255): the key's scan code
    // looked up by the platform, at most 256 characters; empty when the layout has no name.
    virtual std::u16string KeyName(std::uint8_t virtualKey) const = 0;
};

class ITextCase {
public:
    virtual ~ITextCase() = default;
    // Whether the two texts are equal without regard to letter case, by the user's locale.
    virtual bool SameText(std::u16string_view a, std::u16string_view b) const = 0;
};

// The services in use: the system's on Windows, the portable ones elsewhere, unless replaced.
IKeyboardLayout& KeyboardLayout();
ITextCase& TextCase();
// Replace a service (nullptr restores the default); for tests.
void SetKeyboardLayout(IKeyboardLayout* service);
void SetTextCase(ITextCase* service);

// The portable stand-ins: a layout without key names, and case folding of ASCII, Latin-1,
// Latin Extended-A, basic Greek and basic Cyrillic letters.
class TNoKeyNames : public IKeyboardLayout {
public:
    std::u16string KeyName(std::uint8_t) const override { return {}; }
};

class TSimpleTextCase : public ITextCase {
public:
    bool SameText(std::u16string_view a, std::u16string_view b) const override;
    // The upper-case partner of a letter of the folded ranges; other characters unchanged.
    static char16_t Fold(char16_t c) noexcept;
};

} // namespace zel
