// Writing, replacing and appending to files with the POSIX calls: write, fsync, rename, pwrite.
#include "platform/FileAccess.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zel {
namespace {

[[noreturn]] void RaiseErrno(const char* what, const TFilePath& path)
{
    int code = errno;
    throw EOSError(U16(what) + u" \"" + FromFileSystemPath(path) + u"\": " + FromUtf8(std::strerror(code)),
                   static_cast<std::uint32_t>(code));
}

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const noexcept { return FFd; }
    int Release() noexcept { return std::exchange(FFd, -1); }

private:
    int FFd;
};

} // namespace

TFileKind FileKind(const TFilePath& path) noexcept
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? TFileKind::Missing : TFileKind::Unknown;
    if (S_ISDIR(status.st_mode))
        return TFileKind::Folder;
    return S_ISREG(status.st_mode) ? TFileKind::File : TFileKind::Other;
}

bool FileSize(const TFilePath& path, std::uint64_t& size) noexcept
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

void CreateFolders(const TFilePath& path)
{
    if (path.empty() || FileKind(path) == TFileKind::Folder)
        return;
    if (path == "/")
        RaiseErrno("Cannot create the folder", path);
    const TFilePath parent = ParentFolder(path);
    if (!parent.empty() && parent != path)
        CreateFolders(parent);
    if (::mkdir(path.c_str(), 0777) != 0) {
        const int code = errno;
        // EEXIST with a file of that name in the way: there is no folder to use.
        if (code != EEXIST || FileKind(path) != TFileKind::Folder) {
            errno = code;
            RaiseErrno("Cannot create the folder", path);
        }
    }
}

bool RemoveFile(const TFilePath& path) noexcept
{
    return ::unlink(path.c_str()) == 0;
}

void WriteFlushedFile(const TFilePath& path, std::string_view bytes)
{
    TFileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        RaiseErrno("Cannot create the file", path);
    while (!bytes.empty()) {
        ssize_t written = ::write(file.Get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            RaiseErrno("Cannot write the file", path);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    if (::fsync(file.Get()) != 0)
        RaiseErrno("Cannot flush the file", path);
    if (::close(file.Release()) != 0)
        RaiseErrno("Cannot write the file", path);
}

void MoveFileOver(const TFilePath& from, const TFilePath& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        RaiseErrno("Cannot replace the file", to);
    // Make the new directory entry durable as well.
    const TFilePath parent = ParentFolder(to);
    const TFilePath folder = parent.empty() ? TFilePath(1, '.') : parent;
    TFileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0)
        ::fsync(directory.Get());
}

std::size_t AppendFileLines(const TFilePath& path, std::string_view bytes)
{
    TFileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        RaiseErrno("Cannot open the file", path);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        RaiseErrno("Cannot read the file", path);
    const off_t end = status.st_size;
    char last = '\n';
    if (end > 0 && ::pread(file.Get(), &last, 1, end - 1) != 1)
        RaiseErrno("Cannot read the file", path);
    std::string joined;
    bytes = OnALineOfTheirOwn(last, bytes, joined);
    const std::size_t total = bytes.size();
    off_t at = end;
    while (!bytes.empty()) {
        ssize_t written = ::pwrite(file.Get(), bytes.data(), bytes.size(), at);
        if (written <= 0) {
            if (written < 0 && errno == EINTR)
                continue;
            int code = written < 0 ? errno : ENOSPC;
            if (::ftruncate(file.Get(), end) != 0) {
                // The torn tail stays; the next append starts a new line after it.
            }
            errno = code;
            RaiseErrno("Cannot write the file", path);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
        at += written;
    }
    if (::close(file.Release()) != 0)
        RaiseErrno("Cannot write the file", path);
    return total;
}

} // namespace zel
