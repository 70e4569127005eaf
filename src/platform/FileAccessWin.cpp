// Writing, replacing and appending to files with the Win32 calls: WriteFile, FlushFileBuffers,
// MoveFileExW, SetEndOfFile.
#include "platform/FileAccess.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"

#include <windows.h>

#include <string>

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

std::size_t AppendFileLines(const std::filesystem::path& path, std::string_view bytes)
{
    // Others may read and write the file meanwhile, as with the runtime's own file opening.
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        RaiseLastError("Cannot open the file", path);
    LARGE_INTEGER end{};
    if (!GetFileSizeEx(file.Get(), &end))
        RaiseLastError("Cannot read the file", path);
    char last = '\n';
    if (end.QuadPart > 0) {
        LARGE_INTEGER at{};
        at.QuadPart = end.QuadPart - 1;
        DWORD read = 0;
        if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) || !ReadFile(file.Get(), &last, 1, &read, nullptr) ||
            read != 1)
            RaiseLastError("Cannot read the file", path);
    }
    std::string joined;
    bytes = OnALineOfTheirOwn(last, bytes, joined);
    const std::size_t total = bytes.size();
    if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN))
        RaiseLastError("Cannot write the file", path);
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            DWORD code = GetLastError();
            if (SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN))
                SetEndOfFile(file.Get()); // when this fails too, the torn tail stays: the next append starts a new line
            SetLastError(code);
            RaiseLastError("Cannot write the file", path);
        }
        bytes.remove_prefix(written);
    }
    if (!CloseHandle(file.Release()))
        RaiseLastError("Cannot write the file", path);
    return total;
}

} // namespace zel
