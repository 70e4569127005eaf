// Feeds arbitrary UTF-16 text to the shortcut parser. A text that names a shortcut gives back
// that shortcut when its own text form is parsed again.
#include "hotkeys/ShortCut.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const zel::TShortCut shortCut = zel::TextToShortCut(text);
    if (shortCut == zel::scNone)
        return 0;
    const std::u16string written = zel::ShortCutToText(shortCut);
    if (written.empty() || zel::TextToShortCut(written) != shortCut)
        std::abort();
    return 0;
}
