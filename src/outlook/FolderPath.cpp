#include "outlook/FolderPath.h"

namespace zel {

std::vector<std::u16string> SplitFolderPath(std::u16string_view path)
{
    if (path.starts_with(u"\\\\"))
        path.remove_prefix(2);
    std::vector<std::u16string> parts;
    if (path.empty())
        return parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(u'\\', start);
        parts.emplace_back(path.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start));
        if (end == std::u16string_view::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace zel
