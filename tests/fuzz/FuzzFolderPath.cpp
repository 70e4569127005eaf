// Feeds arbitrary UTF-16 text to the folder path's split. No part holds a backslash, and the
// parts joined by backslashes give the path back, without its two leading backslashes where
// the split dropped them.
#include "outlook/FolderPath.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string path(size / 2, u'\0');
    for (std::size_t i = 0; i < path.size(); ++i)
        path[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::vector<std::u16string> parts = zel::SplitFolderPath(path);
    const bool prefixed = path.size() >= 2 && path.compare(0, 2, u"\\\\") == 0;
    // Nothing but the two leading backslashes, or nothing at all, names no folder.
    if (parts.empty() != (path.size() == (prefixed ? 2u : 0u)))
        std::abort();
    std::u16string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].find(u'\\') != std::u16string::npos)
            std::abort();
        joined += (i ? u"\\" : u"") + parts[i];
    }
    if (!parts.empty() && joined != (prefixed ? path.substr(2) : path))
        std::abort();
    return 0;
}
