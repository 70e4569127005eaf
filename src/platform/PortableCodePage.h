// A code page service without the operating system: UTF-8 (65001), UTF-16LE (1200),
// Windows-1252, ISO-8859-1 (28591) and US-ASCII (20127). Natively it is the default service;
// tests also use it with another ANSI code page number to vary the system's settings.
#pragma once

#include "platform/AnsiCodePage.h"

namespace zel {

class TPortableCodePage : public IAnsiCodePage {
public:
    explicit TPortableCodePage(unsigned ansiCodePage = 1252) : FAnsi(ansiCodePage) {}
    unsigned CodePage() const override { return FAnsi; }
    std::string FromUtf16(std::u16string_view text, unsigned codePage = 0) const override;
    std::u16string ToUtf16(std::string_view bytes, unsigned codePage = 0) const override;
    bool Supports(unsigned codePage) const override;

private:
    unsigned FAnsi;
};

} // namespace zel
