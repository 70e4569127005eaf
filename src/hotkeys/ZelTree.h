// The record behind each row of the add-in's tables. The hotkey table uses Subject for the
// hotkey text, Folder for the action name and EntryID for the settings text; the other fields
// are never set.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

struct TTreeData {
    std::uint8_t DefaultItemType = 0; // the image index of column 0
    std::u16string Subject;           // hotkey text, column "Hotkey"
    std::u16string Folder;            // action name, column "Action"
    std::u16string EntryID;           // settings text, column "Settings"
    std::u16string StoreID;
    std::u16string Restore;
    TDateTime CreationTime = 0;
    TDateTime LastModificationTime = 0;
    std::int32_t Size = 0;
    std::int32_t EmptyFields = 0;
};

} // namespace zel
