// Writing, replacing and appending to files with the Win32 calls: WriteFile, FlushFileBuffers,
// MoveFileExW, SetEndOfFile.
#include "platform/FileAccess.h"

#include "platform/Exceptions.h"
#include "platform/Handles.h"

#include <windows.h>

#include <string>

namespace zel {
namespace {

[[noreturn]] void RaiseLastError(const char* what, const TFilePath& path)
{
    DWORD code = GetLastError();
    throw EOSError(U16(what) + u" \"" + FromFileSystemPath(path) + u"\" (error " +
                       U16(std::to_string(code)) + u").",
                   code);
}

} // namespace

TFileKind FileKind(const TFilePath& path) noexcept
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? TFileKind::Missing : TFileKind::Unknown;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return TFileKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) ? TFileKind::Other : TFileKind::File;
}

bool FileSize(const TFilePath& path, std::uint64_t& size) noexcept
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

void CreateFolders(const TFilePath& path)
{
    if (path.empty() || FileKind(path) == TFileKind::Folder)
        return;
    if (path.size() <= 3 && path.size() >= 2 && path[1] == L':')
        RaiseLastError("Cannot create the folder", path); // a drive that is not there
    const TFilePath parent = ParentFolder(path);
    if (!parent.empty() && parent != path)
        CreateFolders(parent);
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
        const DWORD code = GetLastError();
        // ERROR_ALREADY_EXISTS with a file of that name in the way: there is no folder to use.
        if (code != ERROR_ALREADY_EXISTS || FileKind(path) != TFileKind::Folder) {
            SetLastError(code);
            RaiseLastError("Cannot create the folder", path);
        }
    }
}

bool RemoveFile(const TFilePath& path) noexcept
{
    return DeleteFileW(path.c_str()) != FALSE;
}

void WriteFlushedFile(const TFilePath& path, std::string_view bytes)
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

void MoveFileOver(const TFilePath& from, const TFilePath& to)
{
    // A file its owner made read-only is not replaced (Windows refuses it too; Wine would not).
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        RaiseLastError("Cannot replace the read-only file", to);
    }
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        RaiseLastError("Cannot replace the file", to);
}

std::size_t AppendFileLines(const TFilePath& path, std::string_view bytes)
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
