// Files on disk: paths given as UTF-16 texts, reading a whole file, replacing a file
// atomically, and appending lines to a file.
//
// Paths are the platform's own strings (TFilePath), not std::filesystem::path: the library's
// path class brings the C++ locale and stream machinery into every module that uses it, some
// 600 KB of the add-in DLL. A std::filesystem::path converts to a TFilePath by itself, so
// callers that have one (tests) pass it as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zel {

#ifdef _WIN32
using TFilePath = std::wstring;
#else
using TFilePath = std::string;
#endif

// A path from a UTF-16 text. On Windows the text is the path as it stands (non-ASCII folder
// names included); elsewhere it is taken as UTF-8 and a "\" separates names like "/", so that
// Windows-style paths built by the add-in ("<folder>\config.xml") work in native tests too.
TFilePath ToFileSystemPath(std::u16string_view path);
// The path as a UTF-16 text (the platform's separators).
std::u16string FromFileSystemPath(const TFilePath& path);
// The folder part of the path (before its last separator), empty when it names no folder.
TFilePath ParentFolder(const TFilePath& path);

// Unknown: what the path names cannot be found out (no access, a bad name).
enum class TFileKind { Missing, File, Folder, Other, Unknown };
TFileKind FileKind(const TFilePath& path) noexcept;
// The file's size in bytes; false when it cannot be found out.
bool FileSize(const TFilePath& path, std::uint64_t& size) noexcept;
// Creates the folder and the folders above it that are missing; raises EOSError.
void CreateFolders(const TFilePath& path);
// Deletes the file; false when it could not be deleted (or was not there).
bool RemoveFile(const TFilePath& path) noexcept;

// A C stream on the file (mode as for fopen: "rb", "wb"), closed with the object; null when the
// file cannot be opened.
using TCFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
TCFile OpenCFile(const TFilePath& path, const char* mode);
// The file's bytes; false when it cannot be opened or read (bytes then empty).
bool ReadWholeFile(const TFilePath& path, std::string& bytes);

// Reads the whole file into bytes. Returns false when the file does not exist; raises an
// EOSError when it exists but cannot be read.
bool ReadFileBytes(const TFilePath& path, std::string& bytes);

// Replaces the file's content with the bytes so that a failure at any point leaves either the
// old file or the new one: creates the file's folder when it is missing (unless createFolder is
// false: then a missing folder fails the write), writes a temporary file beside the target (the
// target's name + ".tmp"), flushes it to the disk and moves it over the target. On failure the
// temporary file is removed and an EOSError is raised.
void WriteFileAtomically(const TFilePath& path, std::string_view bytes, bool createFolder = true);

// For tests: called after the temporary file is written and flushed, before it replaces the
// target; an exception it raises fails the write. An empty function removes the hook.
void SetBeforeFileReplaceHook(std::function<void(const TFilePath& temporary)> hook);

// The platform's steps (FileAccessPosix.cpp, FileAccessWin.cpp): write a new file and flush
// it to the disk; move a file over another one, replacing it. Both raise EOSError.
void WriteFlushedFile(const TFilePath& path, std::string_view bytes);
void MoveFileOver(const TFilePath& from, const TFilePath& to);

// Appends the bytes, whole lines, at the end of the file in one write, creating the file when it
// is missing. When the file ends inside a line (its last byte is neither CR nor LF, as after a
// write that a crash cut short), a CR LF goes first so that the bytes start a line of their own.
// A write that fails part-way is cut back to the former end: a failed append leaves the file as
// it was. Not flushed to the disk: what was written survives the process, and a reader must
// cope with a tail that a power failure cut short. Returns the number of bytes written (the
// bytes, and 2 when a CR LF went first); raises EOSError.
std::size_t AppendFileLines(const TFilePath& path, std::string_view bytes);

// For AppendFileLines' implementations: the bytes to append after a file whose last byte is
// `last` (LF for an empty file), led by CR LF when that byte ends no line; `buffer` holds them
// when they had to be joined.
std::string_view OnALineOfTheirOwn(char last, std::string_view bytes, std::string& buffer);

} // namespace zel
