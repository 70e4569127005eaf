// The texts of the About window, built without a window: the captions of its two link labels,
// the default acknowledgements, and the readme file beside the module whose lines replace them.
#pragma once

#include <string>
#include <string_view>

namespace zel {

class IAnsiCodePage;

inline constexpr std::u16string_view ProductName = u"Zelkor Hotkeys for Outlook";
inline constexpr std::u16string_view RightsNotice = u"Copyright \u00A9 Zelkor. All rights reserved.";
inline constexpr std::u16string_view ReadmeFileName = u"readme_zelhotkeys.txt";

// The product page that WebPageLink names and opens.
std::u16string ProductPageAddress();

// AboutText: the product name with the module's version (no version, no space), then the
// rights notice on a line of its own.
std::u16string MakeAboutTextCaption(std::u16string_view version);
// WebPageLink: the page's title and, on the next line, its address as a link.
std::u16string MakeWebPageLinkCaption();

// LicMemo's text when no readme is there: the third-party code the module contains, one line
// each, joined by CR LF.
std::u16string DefaultLicMemoText();

// The readme's path: the module file's folder, with its closing separator, and the readme's
// name. A module name without a folder gives the bare name.
std::u16string ReadmePath(std::u16string_view moduleFileName);

// The readme's bytes as LicMemo's text: its lines joined by CR LF (a line ends at CR LF, LF or
// CR; a line end at the very end adds no empty line). The file is text in the ANSI code page;
// one that starts with the UTF-8 or UTF-16 (little-endian) byte order mark is read as that.
std::u16string ReadmeText(std::string_view bytes, const IAnsiCodePage& codePage);

} // namespace zel
