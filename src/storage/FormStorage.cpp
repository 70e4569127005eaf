#include "storage/FormStorage.h"

namespace zel {

TFormStorage::TFormStorage(TXMLFileStorage& storage, std::u16string_view formName) : FStorage(&storage)
{
    FSection = u"%FORM_NAME%\\";
    FSection.replace(0, 11, formName);
}

std::u16string TFormStorage::FullPath(std::u16string_view path) const
{
    return FSection + std::u16string(path);
}

std::u16string TFormStorage::ReadString(std::u16string_view path, std::u16string_view defaultValue) const
{
    return FStorage->ReadString(FullPath(path), defaultValue);
}

void TFormStorage::WriteString(std::u16string_view path, std::u16string_view value)
{
    FStorage->WriteString(FullPath(path), value);
}

std::int32_t TFormStorage::ReadInteger(std::u16string_view path, std::int32_t defaultValue) const
{
    return FStorage->ReadInteger(FullPath(path), defaultValue);
}

void TFormStorage::WriteInteger(std::u16string_view path, std::int32_t value)
{
    FStorage->WriteInteger(FullPath(path), value);
}

std::vector<std::u16string> TFormStorage::ChildNames(std::u16string_view path) const
{
    return FStorage->ChildNames(FullPath(path));
}

} // namespace zel
