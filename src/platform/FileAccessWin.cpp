// Writing and replacing files with the Win32 calls: WriteFile, FlushFileBuffers, MoveFileExW.
#include "platform/FileAccess.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"

#include <windows.h>

namespace zel {
namespace {

[[noreturn]] void RaiseLastError(const char* what, const std::filesystem::path& path)
{
    DWORD code = GetLastError();
    throw EOSError(U16(what) + u" \"" + FromFileSystemPath(path) + u"\" (error " +
                       U16(std::to_string(code)) + u").",
                   code);
}

} // namespace

void WriteFlushedFile(const std::filesystem::path& path, std::string_view bytes)
{
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseLastError("Cannot create the file", path);
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data(), chunk, &written, nullptr))
            RaiseLastError("Cannot write the file", path);
        bytes.remove_prefix(written);
    }
    if (!FlushFileBuffers(file.Get()))
        RaiseLastError("Cannot flush the file", path);
    if (!CloseHandle(file.Release()))
        RaiseLastError("Cannot write the file", path);
}

void MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        RaiseLastError("Cannot replace the file", to);
}

} // namespace zel
