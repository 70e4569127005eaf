// The small markup of the link labels: "<p>" starts a new paragraph (a blank line's gap before
// it), "<br>" breaks the line, and "<link>" makes the rest of the caption link-styled text.
// Any other "<...>" is text like the rest. Parsed here, without a window, into lines of runs
// that the label draws one after the other.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

// A piece of one line drawn in one style.
struct TMarkupRun {
    std::u16string Text;
    bool Link = false;
    bool operator==(const TMarkupRun&) const = default;
};

// One line of a caption: its runs (none for an empty line), and whether a paragraph starts
// with it (the label leaves a blank line's height above it).
struct TMarkupLine {
    bool NewParagraph = false;
    std::vector<TMarkupRun> Runs;
    bool operator==(const TMarkupLine&) const = default;
};

// The caption's lines; always at least one. The tags are matched without regard to the case of
// their letters.
std::vector<TMarkupLine> ParseLinkMarkup(std::u16string_view caption);

// The caption's text without its tags, the lines joined by CR LF (a paragraph's gap as an
// empty line): what a reader of the label sees.
std::u16string MarkupPlainText(std::u16string_view caption);

} // namespace zel
