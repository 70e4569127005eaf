// The maker's endpoints: the web site whose pages the add-in's windows open, and the support
// address the error report goes to. Defined here only.
#pragma once

#include <string>
#include <string_view>

namespace zel {

inline constexpr std::u16string_view MakerSiteRoot = u"https://www.zelkor.com";
inline constexpr std::u16string_view MakerSupportAddress = u"support@zelkor.com";

// The address of a page of the maker's site: the root followed by the path (and query).
inline std::u16string MakerPage(std::u16string_view pathAndQuery)
{
    return std::u16string(MakerSiteRoot) + std::u16string(pathAndQuery);
}

} // namespace zel
