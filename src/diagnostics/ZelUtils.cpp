#include "diagnostics/ZelUtils.h"

#include "platform/Exceptions.h"
#include "diagnostics/JvLogFile.h"
#include "platform/FileAccess.h"
#include "storage/XMLFileStorage.h"

#include <system_error>

namespace zel {
namespace {

// Folder + "\" + name, without doubling a separator the folder already ends with.
std::u16string InFolder(const std::u16string& folder, std::u16string_view name)
{
    std::u16string path = folder;
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/')
        path += u'\\';
    path += name;
    return path;
}

} // namespace

void SetupDataFiles(const std::u16string& Folder, TJvLogFile* Log, TXMLFileStorage* Store)
{
    CreateFolders(ToFileSystemPath(Folder));

    // The error log, bound before the store so that a failure to read config.xml is logged.
    if (Log) {
        Log->SetFileName(InFolder(Folder, u"error.log"));
        Log->SetAutoSave(true);
    }

    if (Store)
        Store->SetFileName(InFolder(Folder, u"config.xml"));
}

} // namespace zel
