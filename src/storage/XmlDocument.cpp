#include "storage/XmlDocument.h"

namespace zel {
namespace {

char16_t FoldCase(char16_t c) noexcept
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool IsSafeNameChar(char16_t c) noexcept
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
           c == u'.' || c == u':' || c == u'_';
}

} // namespace

bool SameNodeName(std::u16string_view a, std::u16string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

std::u16string SafeNodeName(std::u16string_view name)
{
    std::u16string safe(name);
    for (auto& c : safe)
        if (!IsSafeNameChar(c))
            c = u'_';
    return safe;
}

TXmlNode* TXmlNode::Find(std::u16string_view name) const noexcept
{
    for (const auto& child : Children)
        if (SameNodeName(child->Name, name))
            return child.get();
    return nullptr;
}

TXmlNode& TXmlNode::Add(std::u16string name)
{
    Children.push_back(std::make_unique<TXmlNode>(std::move(name)));
    return *Children.back();
}

} // namespace zel
