#include "platform/FileAccess.h"

#include "platform/Exceptions.h"

#include <fstream>
#include <system_error>

namespace zel {
namespace {

std::function<void(const std::filesystem::path&)>& BeforeReplaceHook()
{
    static std::function<void(const std::filesystem::path&)> hook;
    return hook;
}

} // namespace

std::u16string FromFileSystemPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    auto wide = path.wstring();
    return std::u16string(wide.begin(), wide.end());
#else
    return FromUtf8(path.string());
#endif
}

std::filesystem::path ToFileSystemPath(std::u16string_view path)
{
#ifdef _WIN32
    return std::filesystem::path(std::wstring(path.begin(), path.end()));
#else
    std::u16string text(path);
    for (auto& c : text)
        if (c == u'\\')
            c = u'/';
    return std::filesystem::path(ToUtf8(text));
#endif
}

bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes)
{
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return false;
    if (error)
        throw EOSError(u"Cannot open the file \"" + FromFileSystemPath(path) + u"\": " + FromUtf8(error.message()),
                       static_cast<std::uint32_t>(error.value()));
    std::ifstream file(path, std::ios::binary);
    if (status.type() == std::filesystem::file_type::directory || !file)
        throw EOSError(u"Cannot open the file \"" + FromFileSystemPath(path) + u"\".");
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad())
        throw EOSError(u"Cannot read the file \"" + FromFileSystemPath(path) + u"\".");
    return true;
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, bool createFolder)
{
    std::error_code error;
    if (createFolder && path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
            throw EOSError(u"Cannot create the folder \"" + FromFileSystemPath(path.parent_path()) + u"\": " + FromUtf8(error.message()),
                           static_cast<std::uint32_t>(error.value()));
    }
    auto temporary = path;
    temporary += ".tmp";
    try {
        WriteFlushedFile(temporary, bytes);
        if (auto& hook = BeforeReplaceHook())
            hook(temporary);
        MoveFileOver(temporary, path);
    } catch (...) {
        std::filesystem::remove(temporary, error);
        throw;
    }
}

void SetBeforeFileReplaceHook(std::function<void(const std::filesystem::path& temporary)> hook)
{
    BeforeReplaceHook() = std::move(hook);
}

std::string_view OnALineOfTheirOwn(char last, std::string_view bytes, std::string& buffer)
{
    if (last == '\n' || last == '\r')
        return bytes;
    buffer.reserve(bytes.size() + 2);
    buffer = "\r\n";
    buffer += bytes;
    return buffer;
}

} // namespace zel
