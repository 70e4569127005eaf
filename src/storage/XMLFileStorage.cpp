#include "storage/XMLFileStorage.h"

#include "platform/Exceptions.h"
#include "platform/AnsiCodePage.h"
#include "storage/ConfigXmlReader.h"
#include "storage/ConfigXmlWriter.h"
#include "platform/FileAccess.h"

namespace zel {
namespace {

// The safe names of a key path, without empty names.
std::vector<std::u16string> PathNames(std::u16string_view path)
{
    std::vector<std::u16string> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start)
            names.push_back(SafeNodeName(path.substr(start, end - start)));
        start = end + 1;
    }
    return names;
}

size_t FirstNameBelowRoot(const std::vector<std::u16string>& names, const TXmlNode& root)
{
    return !names.empty() && SameNodeName(names.front(), root.Name()) ? 1 : 0;
}

} // namespace

bool TryStrToInt(std::u16string_view text, std::int32_t& value) noexcept
{
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size())
        return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
        magnitude = magnitude * 10 + (text[i] - u'0');
        if (magnitude > 2147483648LL)
            return false;
    }
    if (negative)
        magnitude = -magnitude;
    if (magnitude > 2147483647LL)
        return false;
    value = static_cast<std::int32_t>(magnitude);
    return true;
}

TXMLFileStorage::~TXMLFileStorage()
{
    try {
        Flush();
    } catch (...) {
        // Nothing can report the failure at this point; the tree's changes are lost.
    }
}

void TXMLFileStorage::SetFileName(std::u16string fileName)
{
    FFileName = std::move(fileName);
    FWritable = false;
    FDocument = TXmlDocument();
    std::string bytes;
    try {
        if (ReadFileBytes(ToFileSystemPath(FFileName), bytes))
            FDocument = ReadConfigXml(bytes, AnsiCodePage());
    } catch (const Exception& e) {
        FDocument = TXmlDocument();
        throw Exception(u"The configuration file \"" + FFileName + u"\" cannot be read: " + e.Message());
    }
    FWritable = true;
}

bool TXMLFileStorage::Flush()
{
    if (FFileName.empty() || !FWritable)
        return false;
    WriteFileAtomically(ToFileSystemPath(FFileName), SaveToBytes());
    return true;
}

void TXMLFileStorage::LoadFromBytes(std::string_view bytes)
{
    FDocument = ReadConfigXml(bytes, AnsiCodePage());
}

std::string TXMLFileStorage::SaveToBytes() const
{
    return SerializeConfigXml(FDocument, AnsiCodePage());
}

const TXmlNode* TXMLFileStorage::FindNode(std::u16string_view path) const
{
    auto names = PathNames(path);
    size_t first = FirstNameBelowRoot(names, FDocument.Root);
    if (first == names.size())
        return nullptr;
    const TXmlNode* node = &FDocument.Root;
    for (size_t i = first; i < names.size() && node; ++i)
        node = node->Find(names[i]);
    return node;
}

std::u16string TXMLFileStorage::ReadString(std::u16string_view path, std::u16string_view defaultValue) const
{
    const TXmlNode* node = FindNode(path);
    return node ? node->Text : std::u16string(defaultValue);
}

void TXMLFileStorage::WriteString(std::u16string_view path, std::u16string_view value)
{
    auto names = PathNames(path);
    size_t first = FirstNameBelowRoot(names, FDocument.Root);
    if (first == names.size())
        throw Exception(u"The configuration key \"" + std::u16string(path) + u"\" names no value.");
    if (names.size() - first >= MaxXmlDepth)
        throw Exception(u"The configuration key \"" + std::u16string(path) + u"\" is nested too deeply.");
    TXmlNode* node = &FDocument.Root;
    for (size_t i = first; i < names.size(); ++i) {
        TXmlNode* child = node->Find(names[i]);
        node = child ? child : &node->Add(std::move(names[i]));
    }
    node->Text = value;
}

std::int32_t TXMLFileStorage::ReadInteger(std::u16string_view path, std::int32_t defaultValue) const
{
    const TXmlNode* node = FindNode(path);
    if (!node)
        return defaultValue;
    std::int32_t value;
    return TryStrToInt(node->Text, value) ? value : -1;
}

void TXMLFileStorage::WriteInteger(std::u16string_view path, std::int32_t value)
{
    WriteString(path, U16(std::to_string(value)));
}

bool TXMLFileStorage::ValueExists(std::u16string_view path) const
{
    return FindNode(path) != nullptr;
}

std::vector<std::u16string> TXMLFileStorage::ChildNames(std::u16string_view path) const
{
    std::vector<std::u16string> names;
    if (const TXmlNode* node = FindNode(path)) {
        names.reserve(node->Children().size());
        for (const auto& child : node->Children())
            names.push_back(SafeNodeName(child->Name()));
    }
    return names;
}

} // namespace zel
