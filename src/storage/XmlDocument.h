// The configuration store's tree in memory: named nodes, each with a text and child nodes in
// the order of their creation, under one root element; and the XML declaration it was read with.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zel {

// The deepest nesting of elements that the store reads or creates (the root counts as 1). It
// bounds the reader's work on hostile files and keeps every file the store writes readable.
inline constexpr size_t MaxXmlDepth = 256;

class TXmlNode;

// Hashing and equality of node names as the store compares them (see SameNodeName), for the
// index of a node's children; both also take a name that is not a node's.
struct TNodeNameHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view name) const noexcept;
    size_t operator()(const TXmlNode* node) const noexcept;
};

struct TNodeNameEqual {
    using is_transparent = void;
    bool operator()(const TXmlNode* a, const TXmlNode* b) const noexcept;
    bool operator()(std::u16string_view a, const TXmlNode* b) const noexcept;
    bool operator()(const TXmlNode* a, std::u16string_view b) const noexcept;
};

// A node's name is fixed when it is created, and children are only ever appended (Add), so a
// node can keep an index of its children by name: finding a child costs the same whatever the
// number of its siblings, and the children keep the order of the file.
class TXmlNode {
public:
    explicit TXmlNode(std::u16string name = {}) : FName(std::move(name)) {}
    TXmlNode(const TXmlNode&) = delete;
    TXmlNode& operator=(const TXmlNode&) = delete;
    TXmlNode(TXmlNode&&) = default;
    TXmlNode& operator=(TXmlNode&&) = default;

    // The name as it was created or read from the file (not necessarily safe).
    const std::u16string& Name() const noexcept { return FName; }
    std::u16string Text;
    // In the order of their creation.
    const std::vector<std::unique_ptr<TXmlNode>>& Children() const noexcept { return FChildren; }

    // The first child, in the order of the children, whose name is the same as the given one
    // (SameNodeName); nullptr when there is none.
    TXmlNode* Find(std::u16string_view name) const noexcept;
    // Appends a new child as the last one.
    TXmlNode& Add(std::u16string name);

private:
    // A node with at most this many children finds a child by looking at each; a larger one
    // keeps an index (most nodes of the file have only a few children).
    static constexpr size_t FScannedChildren = 8;
    using TIndex = std::unordered_set<TXmlNode*, TNodeNameHash, TNodeNameEqual>;

    std::u16string FName;
    std::vector<std::unique_ptr<TXmlNode>> FChildren;
    // The first child of each name; only for a node with more than FScannedChildren children.
    std::unique_ptr<TIndex> FIndex;
};

struct TXmlDeclaration {
    bool Present = false; // whether the file began with "<?xml ...?>"
    std::optional<std::u16string> Version;
    std::optional<std::u16string> Encoding;
    std::optional<std::u16string> Standalone;
};

struct TXmlDocument {
    TXmlDeclaration Declaration;
    TXmlNode Root{u"Configuration"};
};

// A node name made safe for the file: "-", ".", "0" to "9", ":", "A" to "Z", "_" and "a" to "z"
// stay, every other character (white space, punctuation, anything above 127) becomes "_".
std::u16string SafeNodeName(std::u16string_view name);

// Whether two names are the same for the store: equal in their safe form (SafeNodeName) without
// regard to the case of ASCII letters. A name read from a hand-edited file that is not safe, such
// as "NormPos(1920x1080)", is thus found under the name the file writes it as.
bool SameNodeName(std::u16string_view a, std::u16string_view b) noexcept;

} // namespace zel
