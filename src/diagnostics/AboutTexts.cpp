#include "diagnostics/AboutTexts.h"

#include "diagnostics/MakerSite.h"
#include "platform/AnsiCodePage.h"
#include "platform/Utf16.h"

namespace zel {

std::u16string ProductPageAddress()
{
    return MakerPage(u"/outlook-hotkeys?ref=app");
}

std::u16string MakeAboutTextCaption(std::u16string_view version)
{
    std::u16string caption(ProductName);
    if (!version.empty()) {
        caption += u' ';
        caption += version;
    }
    caption += u"<br>";
    caption += RightsNotice;
    return caption;
}

std::u16string MakeWebPageLinkCaption()
{
    return std::u16string(ProductName) + u" web page:<br><link>" + ProductPageAddress();
}

std::u16string DefaultLicMemoText()
{
    // What the module links statically and whose licences ask for a word in its documentation.
    return u"This program contains:\r\n"
           u"libjpeg-turbo, which is based in part on the work of the Independent JPEG Group: "
           u"https://libjpeg-turbo.org\r\n"
           u"the MinGW-w64 runtime and its winpthreads library; their notices are in "
           u"readme_zelhotkeys.txt";
}

std::u16string ReadmePath(std::u16string_view moduleFileName)
{
    const size_t separator = moduleFileName.find_last_of(u"\\/");
    std::u16string path(separator == std::u16string_view::npos ? std::u16string_view{}
                                                                : moduleFileName.substr(0, separator + 1));
    path += ReadmeFileName;
    return path;
}

std::u16string ReadmeText(std::string_view bytes, const IAnsiCodePage& codePage)
{
    std::u16string text;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        text = FromUtf8(bytes.substr(3));
    } else if (bytes.starts_with("\xFF\xFE")) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    } else {
        text = codePage.ToUtf16(bytes);
    }
    std::u16string joined;
    bool first = true;
    for (std::u16string_view line : SplitLines(text)) {
        if (!first)
            joined += u"\r\n";
        first = false;
        joined += line;
    }
    return joined;
}

} // namespace zel
