// Feeds arbitrary bytes to the configuration file reader. A file either parses or raises an
// Exception; one that parses is written and read again, and must come back the same.
#include "platform/Exceptions.h"
#include "platform/PortableCodePage.h"
#include "storage/XMLFileStorage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool SameTree(const zel::TXmlNode& a, const zel::TXmlNode& b)
{
    // Names are written in their safe form; the text of an element with children is not written.
    if (zel::SafeNodeName(a.Name()) != b.Name() || a.Children().size() != b.Children().size() ||
        (a.Children().empty() && a.Text != b.Text))
        return false;
    for (size_t i = 0; i < a.Children().size(); ++i)
        if (!SameTree(*a.Children()[i], *b.Children()[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zel::TPortableCodePage codePage(1252);
    zel::SetAnsiCodePage(&codePage);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zel::TXMLFileStorage store;
    try {
        store.LoadFromBytes(bytes);
    } catch (const zel::Exception&) {
        return 0;
    }
    store.ReadString(u"MainForm\\HotKeys\\Count", u"0");
    store.ReadInteger(u"MainForm\\ItemsVST\\Column0Width", 160);
    store.WriteString(u"MainForm\\HotKeys\\0\\Settings", u"a < b & c \u00E9\r\n");
    std::string written = store.SaveToBytes();
    zel::TXMLFileStorage reread;
    try {
        reread.LoadFromBytes(written);
    } catch (const zel::Exception&) {
        std::abort(); // the store must always read what it wrote
    }
    if (!SameTree(store.Document().Root, reread.Document().Root) || reread.SaveToBytes() != written)
        std::abort();
    return 0;
}
