#include "platform/FileAccess.h"

#include "platform/Exceptions.h"


namespace zel {
namespace {

std::function<void(const TFilePath&)>& BeforeReplaceHook()
{
    static std::function<void(const TFilePath&)> hook;
    return hook;
}

} // namespace

std::u16string FromFileSystemPath(const TFilePath& path)
{
#ifdef _WIN32
    return std::u16string(path.begin(), path.end());
#else
    return FromUtf8(path);
#endif
}

TFilePath ToFileSystemPath(std::u16string_view path)
{
#ifdef _WIN32
    return std::wstring(path.begin(), path.end());
#else
    std::u16string text(path);
    for (auto& c : text)
        if (c == u'\\')
            c = u'/';
    return ToUtf8(text);
#endif
}

TFilePath ParentFolder(const TFilePath& path)
{
#ifdef _WIN32
    const size_t separator = path.find_last_of(L"\\/");
#else
    const size_t separator = path.find_last_of('/');
#endif
    if (separator == TFilePath::npos)
        return {};
    // The root keeps its separator ("/", "C:\\").
    if (separator == 0 || (separator == 2 && path[1] == ':'))
        return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

TCFile OpenCFile(const TFilePath& path, const char* mode)
{
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return TCFile(_wfopen(path.c_str(), wideMode.c_str()), &std::fclose);
#else
    return TCFile(std::fopen(path.c_str(), mode), &std::fclose);
#endif
}

bool ReadWholeFile(const TFilePath& path, std::string& bytes)
{
    bytes.clear();
    TCFile file = OpenCFile(path, "rb");
    if (!file)
        return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get())) {
        bytes.clear();
        return false;
    }
    return true;
}

bool ReadFileBytes(const TFilePath& path, std::string& bytes)
{
    const TFileKind kind = FileKind(path);
    if (kind == TFileKind::Missing)
        return false;
    if (kind == TFileKind::Folder || kind == TFileKind::Unknown)
        throw EOSError(u"Cannot open the file \"" + FromFileSystemPath(path) + u"\".");
    TCFile file = OpenCFile(path, "rb");
    if (!file)
        throw EOSError(u"Cannot open the file \"" + FromFileSystemPath(path) + u"\".");
    file.reset();
    if (!ReadWholeFile(path, bytes))
        throw EOSError(u"Cannot read the file \"" + FromFileSystemPath(path) + u"\".");
    return true;
}

void WriteFileAtomically(const TFilePath& path, std::string_view bytes, bool createFolder)
{
    const TFilePath folder = ParentFolder(path);
    if (createFolder && !folder.empty())
        CreateFolders(folder);
    TFilePath temporary = path;
    for (const char c : std::string_view(".tmp"))
        temporary += static_cast<TFilePath::value_type>(c);
    try {
        WriteFlushedFile(temporary, bytes);
        if (auto& hook = BeforeReplaceHook())
            hook(temporary);
        MoveFileOver(temporary, path);
    } catch (...) {
        RemoveFile(temporary);
        throw;
    }
}

void SetBeforeFileReplaceHook(std::function<void(const TFilePath& temporary)> hook)
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
