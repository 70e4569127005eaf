#include "outlook/FolderPath.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using Parts = std::vector<std::u16string>;

struct SplitCase {
    const char* name;
    std::u16string text;
    Parts parts;
};

class FolderPathSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(FolderPathSplit, GivesTheFolderNames)
{
    EXPECT_EQ(SplitFolderPath(GetParam().text), GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(Table, FolderPathSplit, ::testing::Values(
    SplitCase{"WithLeadingPair", u"\\\\Mailbox\\Inbox\\Sub", {u"Mailbox", u"Inbox", u"Sub"}},
    SplitCase{"WithoutLeadingPair", u"Mailbox\\Inbox\\Sub", {u"Mailbox", u"Inbox", u"Sub"}},
    SplitCase{"OnePart", u"\\\\Mailbox", {u"Mailbox"}},
    SplitCase{"SingleLeadingBackslash", u"\\Mailbox", {u"", u"Mailbox"}},
    SplitCase{"ThreeLeadingBackslashesKeepOne", u"\\\\\\Mailbox", {u"", u"Mailbox"}},
    SplitCase{"TrailingBackslash", u"\\\\Mailbox\\Inbox\\", {u"Mailbox", u"Inbox", u""}},
    SplitCase{"DoubledBackslashInside", u"Mailbox\\\\Inbox", {u"Mailbox", u"", u"Inbox"}},
    SplitCase{"NumbersStayNames", u"\\\\1\\2", {u"1", u"2"}},
    SplitCase{"Empty", u"", {}},
    SplitCase{"OnlyTheLeadingPair", u"\\\\", {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zel
