// The system's ANSI code page, as a replaceable service: on Windows it is the system's own
// (GetACP, MultiByteToWideChar, WideCharToMultiByte); natively and in tests a table-based one
// stands in. config.xml, error.log and the error report use it.
#pragma once

#include <string>
#include <string_view>

namespace zel {

class IAnsiCodePage {
public:
    virtual ~IAnsiCodePage() = default;
    // The ANSI code page's number, e.g. 1252.
    virtual unsigned CodePage() const = 0;
    // Converts between UTF-16 and the bytes of the given code page (0 = the ANSI code page).
    // Characters the code page cannot hold become its default character ("?").
    virtual std::string FromUtf16(std::u16string_view text, unsigned codePage = 0) const = 0;
    virtual std::u16string ToUtf16(std::string_view bytes, unsigned codePage = 0) const = 0;
    // Whether conversions with this code page are possible at all.
    virtual bool Supports(unsigned codePage) const = 0;
};

// The service in use: the system's on Windows, the portable one elsewhere, unless replaced.
IAnsiCodePage& AnsiCodePage();
// Replaces the service (nullptr restores the default); for tests.
void SetAnsiCodePage(IAnsiCodePage* service);

} // namespace zel
