#include "diagnostics/LinkMarkup.h"

#include "platform/Utf16.h"

namespace zel {
namespace {

enum class TTag { None, Paragraph, Break, Link };

// The tag that starts the text, and its length.
TTag TagAt(std::u16string_view text, size_t& length)
{
    struct TKnownTag {
        std::u16string_view Text;
        TTag Tag;
    };
    static constexpr TKnownTag Tags[] = {{u"<p>", TTag::Paragraph}, {u"<br>", TTag::Break}, {u"<link>", TTag::Link}};
    for (const TKnownTag& known : Tags)
        if (text.size() >= known.Text.size() && CompareAsciiFolded(text.substr(0, known.Text.size()), known.Text) == 0) {
            length = known.Text.size();
            return known.Tag;
        }
    return TTag::None;
}

} // namespace

std::vector<TMarkupLine> ParseLinkMarkup(std::u16string_view caption)
{
    std::vector<TMarkupLine> lines(1);
    bool link = false;
    std::u16string text;
    auto endRun = [&] {
        if (!text.empty())
            lines.back().Runs.push_back(TMarkupRun{std::move(text), link});
        text.clear();
    };
    size_t i = 0;
    while (i < caption.size()) {
        size_t length = 0;
        const TTag tag = caption[i] == u'<' ? TagAt(caption.substr(i), length) : TTag::None;
        switch (tag) {
        case TTag::None:
            text += caption[i];
            ++i;
            continue;
        case TTag::Paragraph:
        case TTag::Break:
            endRun();
            lines.push_back(TMarkupLine{tag == TTag::Paragraph, {}});
            break;
        case TTag::Link:
            endRun();
            link = true;
            break;
        }
        i += length;
    }
    endRun();
    return lines;
}

std::u16string MarkupPlainText(std::u16string_view caption)
{
    std::u16string text;
    bool first = true;
    for (const TMarkupLine& line : ParseLinkMarkup(caption)) {
        if (!first)
            text += line.NewParagraph ? u"\r\n\r\n" : u"\r\n";
        first = false;
        for (const TMarkupRun& run : line.Runs)
            text += run.Text;
    }
    return text;
}

} // namespace zel
