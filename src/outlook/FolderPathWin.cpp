// The walk through Outlook's folders by name, late-bound.
#include "outlook/FolderPath.h"

#include "outlook/LateBinding.h"

namespace zel {

ComPtr<IDispatch> FindFolderByPath(IDispatch* nameSpace, std::u16string_view path) noexcept
{
    try {
        const std::vector<std::u16string> parts = SplitFolderPath(path);
        if (parts.empty() || !nameSpace)
            return nullptr;
        TOleVariant folder;
        TOleVariant folders = OleGet(nameSpace, L"Folders");
        for (size_t i = 0; i < parts.size(); ++i) {
            if (i > 0)
                folders = OleGet(folder, L"Folders");
            // A BSTR argument: Item looks the part up by name even when it reads as a number.
            folder = OleCall(folders, L"Item", {TOleVariant(parts[i])});
        }
        return folder.AsDispatch();
    } catch (...) {
        // The raise is on record through the exception notifier; the caller sees no folder.
        return nullptr;
    }
}

} // namespace zel
