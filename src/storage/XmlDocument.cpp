#include "storage/XmlDocument.h"

#include <cstdint>

namespace zel {
namespace {

bool IsSafeNameChar(char16_t c) noexcept
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
           c == u'.' || c == u':' || c == u'_';
}

// A character of a name as names are compared: in its safe form, ASCII letters in upper case.
char16_t ComparedChar(char16_t c) noexcept
{
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    return IsSafeNameChar(c) ? c : u'_';
}

} // namespace

bool SameNodeName(std::u16string_view a, std::u16string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && ComparedChar(a[i]) != ComparedChar(b[i]))
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

size_t TNodeNameHash::operator()(std::u16string_view name) const noexcept
{
    // FNV-1a over the compared form of each character.
    std::uint64_t hash = 14695981039346656037ULL;
    for (char16_t c : name) {
        hash ^= ComparedChar(c);
        hash *= 1099511628211ULL;
    }
    return static_cast<size_t>(hash ^ (hash >> 32));
}

size_t TNodeNameHash::operator()(const TXmlNode* node) const noexcept
{
    return (*this)(node->Name());
}

bool TNodeNameEqual::operator()(const TXmlNode* a, const TXmlNode* b) const noexcept
{
    return SameNodeName(a->Name(), b->Name());
}

bool TNodeNameEqual::operator()(std::u16string_view a, const TXmlNode* b) const noexcept
{
    return SameNodeName(a, b->Name());
}

bool TNodeNameEqual::operator()(const TXmlNode* a, std::u16string_view b) const noexcept
{
    return SameNodeName(a->Name(), b);
}

TXmlNode* TXmlNode::Find(std::u16string_view name) const noexcept
{
    if (FIndex) {
        auto found = FIndex->find(name);
        return found != FIndex->end() ? *found : nullptr;
    }
    for (const auto& child : FChildren)
        if (SameNodeName(child->Name(), name))
            return child.get();
    return nullptr;
}

TXmlNode& TXmlNode::Add(std::u16string name)
{
    FChildren.push_back(std::make_unique<TXmlNode>(std::move(name)));
    TXmlNode* child = FChildren.back().get();
    try {
        // An index holds the first child of each name: a later child of the same name is
        // not entered, just as a look at each child would find the earlier one.
        if (FIndex) {
            FIndex->insert(child);
        } else if (FChildren.size() > FScannedChildren) {
            auto index = std::make_unique<TIndex>(FChildren.size() * 2);
            for (const auto& each : FChildren)
                index->insert(each.get());
            FIndex = std::move(index);
        }
    } catch (...) {
        FChildren.pop_back(); // the index and the children must agree
        throw;
    }
    return *child;
}

} // namespace zel
