// Files on disk: paths given as UTF-16 texts, reading a whole file, replacing a file
// atomically, and appending lines to a file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace zel {

// A path from a UTF-16 text. On Windows the text is the path as it stands (non-ASCII folder
// names included); elsewhere it is taken as UTF-8 and a "\" separates names like "/", so that
// Windows-style paths built by the add-in ("<folder>\config.xml") work in native tests too.
std::filesystem::path ToFileSystemPath(std::u16string_view path);
// The path as a UTF-16 text (the platform's separators).
std::u16string FromFileSystemPath(const std::filesystem::path& path);

// Reads the whole file into bytes. Returns false when the file does not exist; raises an
// EOSError when it exists but cannot be read.
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes);

// Replaces the file's content with the bytes so that a failure at any point leaves either the
// old file or the new one: creates the file's folder when it is missing (unless createFolder is
// false: then a missing folder fails the write), writes a temporary file beside the target (the
// target's name + ".tmp"), flushes it to the disk and moves it over the target. On failure the
// temporary file is removed and an EOSError is raised.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, bool createFolder = true);

// For tests: called after the temporary file is written and flushed, before it replaces the
// target; an exception it raises fails the write. An empty function removes the hook.
void SetBeforeFileReplaceHook(std::function<void(const std::filesystem::path& temporary)> hook);

// The platform's steps (FileAccessPosix.cpp, FileAccessWin.cpp): write a new file and flush
// it to the disk; move a file over another one, replacing it. Both raise EOSError.
void WriteFlushedFile(const std::filesystem::path& path, std::string_view bytes);
void MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Appends the bytes, whole lines, at the end of the file in one write, creating the file when it
// is missing. When the file ends inside a line (its last byte is neither CR nor LF, as after a
// write that a crash cut short), a CR LF goes first so that the bytes start a line of their own.
// A write that fails part-way is cut back to the former end: a failed append leaves the file as
// it was. Not flushed to the disk: what was written survives the process, and a reader must
// cope with a tail that a power failure cut short. Returns the number of bytes written (the
// bytes, and 2 when a CR LF went first); raises EOSError.
std::size_t AppendFileLines(const std::filesystem::path& path, std::string_view bytes);

// For AppendFileLines' implementations: the bytes to append after a file whose last byte is
// `last` (LF for an empty file), led by CR LF when that byte ends no line; `buffer` holds them
// when they had to be joined.
std::string_view OnALineOfTheirOwn(char last, std::string_view bytes, std::string& buffer);

} // namespace zel
