// The settings window's view of the configuration store (aFormStorage): every key it reads or
// writes lies in the window's own section, "%FORM_NAME%\" with the window's name filled in
// ("MainForm\").
#pragma once

#include "storage/XMLFileStorage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

class TFormStorage {
public:
    TFormStorage(TXMLFileStorage& storage, std::u16string_view formName = u"MainForm");

    // "%FORM_NAME%\" with the form's name filled in.
    const std::u16string& Section() const noexcept { return FSection; }
    TXMLFileStorage& Storage() const noexcept { return *FStorage; }

    std::u16string ReadString(std::u16string_view path, std::u16string_view defaultValue) const;
    void WriteString(std::u16string_view path, std::u16string_view value);
    std::int32_t ReadInteger(std::u16string_view path, std::int32_t defaultValue) const;
    void WriteInteger(std::u16string_view path, std::int32_t value);
    // The names of the children of the element at the path (TXMLFileStorage::ChildNames).
    std::vector<std::u16string> ChildNames(std::u16string_view path) const;

private:
    std::u16string FullPath(std::u16string_view path) const;

    TXMLFileStorage* FStorage;
    std::u16string FSection;
};

} // namespace zel
