// The file-backed configuration store (the settings window's aXMLStorage): a tree of named
// values kept in memory, read once when the store is bound to its file, written back when the
// store is destroyed and whenever Flush is called.
//
// Keys are paths of names joined by "\". A first name equal to the root's name ("Configuration")
// is skipped; each name is made safe for the file (SafeNodeName) and looked up without regard to
// letter case among the names of the tree in their safe form, so that an element of a
// hand-edited file is found under the name that the file writes it as. A file that could not be
// read is never written back: the user's file stays as it was.
#pragma once

#include "storage/XmlDocument.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

class TXMLFileStorage {
public:
    TXMLFileStorage() = default;
    // Writes the file when the store is bound to one that was read successfully; a failure to
    // write is dropped (nothing may escape a destructor).
    ~TXMLFileStorage();
    TXMLFileStorage(const TXMLFileStorage&) = delete;
    TXMLFileStorage& operator=(const TXMLFileStorage&) = delete;

    const std::u16string& FileName() const noexcept { return FFileName; }
    // Binds the store to a file and reads it at once, replacing the tree. A missing file gives
    // an empty tree. A file that cannot be read or parsed raises an Exception; the tree is then
    // empty and the file is never written by this store (until it is bound again).
    void SetFileName(std::u16string fileName);

    // From now on the bound file is never written by this store (until it is bound again): its
    // content could not be understood, and a write would replace what the user has there.
    void KeepFileAsItIs() noexcept { FWritable = false; }

    // Writes the file now. Returns false (and writes nothing) when no file is bound or the
    // bound file could not be read; raises an EOSError when writing fails.
    bool Flush();

    // The tree from bytes in memory, and the file's bytes of the tree (for tests and fuzzing).
    void LoadFromBytes(std::string_view bytes);
    std::string SaveToBytes() const;

    std::u16string ReadString(std::u16string_view path, std::u16string_view defaultValue) const;
    void WriteString(std::u16string_view path, std::u16string_view value);
    // The decimal value of the stored text; -1 when the text is not a decimal integer.
    std::int32_t ReadInteger(std::u16string_view path, std::int32_t defaultValue) const;
    void WriteInteger(std::u16string_view path, std::int32_t value);
    bool ValueExists(std::u16string_view path) const;
    // The names of the children of the element at the path, in the file's order and in their
    // safe form; none when there is no such element.
    std::vector<std::u16string> ChildNames(std::u16string_view path) const;

    const TXmlDocument& Document() const noexcept { return FDocument; }

private:
    const TXmlNode* FindNode(std::u16string_view path) const;

    TXmlDocument FDocument;
    std::u16string FFileName;
    bool FWritable = false; // bound to a file that was read (or was missing)
};

// Strict decimal conversion: an optional sign and digits, within the 32-bit range. False for
// anything else (blanks, empty text, other notations).
bool TryStrToInt(std::u16string_view text, std::int32_t& value) noexcept;

} // namespace zel
