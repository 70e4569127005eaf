// The configuration store's tree in memory: named nodes, each with a text and child nodes in
// the order of their creation, under one root element; and the XML declaration it was read with.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// The deepest nesting of elements that the store reads or creates (the root counts as 1). It
// bounds the reader's work on hostile files and keeps every file the store writes readable.
inline constexpr size_t MaxXmlDepth = 256;

class TXmlNode {
public:
    explicit TXmlNode(std::u16string name = {}) : Name(std::move(name)) {}
    TXmlNode(const TXmlNode&) = delete;
    TXmlNode& operator=(const TXmlNode&) = delete;
    TXmlNode(TXmlNode&&) = default;
    TXmlNode& operator=(TXmlNode&&) = default;

    std::u16string Name;
    std::u16string Text;
    std::vector<std::unique_ptr<TXmlNode>> Children;

    // The first child whose name equals the given one without regard to the case of ASCII
    // letters; nullptr when there is none.
    TXmlNode* Find(std::u16string_view name) const noexcept;
    // Appends a new child as the last one.
    TXmlNode& Add(std::u16string name);
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

// Equality of names without regard to the case of ASCII letters.
bool SameNodeName(std::u16string_view a, std::u16string_view b) noexcept;

} // namespace zel
