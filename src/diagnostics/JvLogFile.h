// The log component behind error.log: entries in memory, oldest first, written as one line each
// in the system's ANSI code page. A size limit drops the oldest entries from memory after each
// addition; the file gets the new entries appended and is rewritten (atomically, from the
// entries in memory) only when it has grown past the limit by a margin, so that an entry costs
// an append and the file stays about the limit's size.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

namespace zel {

enum TJvLogEventSeverity { lesError, lesWarning, lesInformation };

struct TJvLogRecord {
    std::u16string Time;
    std::u16string Title;
    std::u16string Description;
    TJvLogEventSeverity Severity = lesError;

    // "[" Time "]" severity word ">" Title (every ">" doubled) ">" Description CR LF.
    std::u16string GetOutputString() const;
    // GetOutputString().size(), without building the line.
    std::size_t OutputLength() const noexcept;
};

// "Error", "Warning", "Information".
const char16_t* SeverityWord(TJvLogEventSeverity severity) noexcept;
// One line of a log file read back into an entry; false for a line that is no entry.
bool ParseLogLine(std::u16string_view line, TJvLogRecord& record);

class TJvLogFile {
public:
    TJvLogFile() = default;
    TJvLogFile(const TJvLogFile&) = delete;
    TJvLogFile& operator=(const TJvLogFile&) = delete;

    const std::u16string& FileName() const noexcept { return FFileName; }
    // Writing the name loads the file's entries when the file exists (replacing those in
    // memory); an empty name switches AutoSave off.
    void SetFileName(const std::u16string& fileName);

    bool Active() const noexcept { return FActive; }
    void SetActive(bool value) noexcept { FActive = value; }
    bool AutoSave() const noexcept { return FAutoSave; }
    // Can be switched on only while FileName is not empty.
    void SetAutoSave(bool value) noexcept { FAutoSave = value && !FFileName.empty(); }
    // In characters of the entries' lines; 0 = no limit.
    std::size_t SizeLimit() const noexcept { return FSizeLimit; }
    void SetSizeLimit(std::size_t value) noexcept { FSizeLimit = value; }
    // How far, in characters, the file may grow past SizeLimit by appends before it is trimmed
    // back to the entries in memory: a sixteenth of the limit.
    std::size_t SizeLimitMargin() const noexcept { return FSizeLimit / 16; }
    TJvLogEventSeverity Severity() const noexcept { return FSeverity; }
    void SetSeverity(TJvLogEventSeverity value) noexcept { FSeverity = value; }
    TJvLogEventSeverity DefaultSeverity() const noexcept { return FDefaultSeverity; }
    void SetDefaultSeverity(TJvLogEventSeverity value) noexcept { FDefaultSeverity = value; }

    // Adds an entry stamped with the current local time and DefaultSeverity. With AutoSave on,
    // the entry is written to the file at once, or at the end of the update it is part of.
    void Add(const std::u16string& title, const std::u16string& description);
    void Add(TJvLogEventSeverity severity, const std::u16string& title, const std::u16string& description);

    // Between BeginUpdate and the matching EndUpdate, the entries added are kept for one write
    // at the end: a block of entries reaches the file in one append.
    void BeginUpdate() noexcept { ++FUpdateCount; }
    void EndUpdate() noexcept;

    std::size_t Count() const noexcept { return FItems.size(); }
    const TJvLogRecord& operator[](std::size_t index) const { return *FItems[index]; }
    // Forgets the entries in memory; the file stays as it is.
    void Clear() noexcept
    {
        FItems.clear();
        FLengths.clear();
        FLength = 0;
        FUnsaved = 0;
    }

    // The entries in memory as the file's lines (UTF-16). The file holds these last; before
    // them it may still hold older entries, up to the margin, that the next trim drops.
    std::u16string Text() const;
    // Replaces the file with the entries in memory: a temporary file beside it, flushed, then
    // moved over it, so that a failure or a crash at any point leaves the old file or the new
    // one whole. Nothing when FileName is empty. A file that cannot be written (held by another
    // program, no such folder, disk full) gives false and changes nothing in memory: the entries
    // are written with the next write that succeeds.
    bool Save();
    // Replaces the entries in memory with the file's; false when the file cannot be read.
    bool Load();

private:
    void ApplySizeLimit();
    void Append(std::unique_ptr<TJvLogRecord> record);
    // Brings the file up to date with the entries not yet in it: one append, or a trim when the
    // file would pass SizeLimit + SizeLimitMargin. False when nothing could be written; the
    // entries stay due for the next write.
    bool WriteUnsaved() noexcept;

    std::deque<std::unique_ptr<TJvLogRecord>> FItems;
    std::deque<std::size_t> FLengths; // each entry's line length, for the size limit
    std::size_t FLength = 0;          // the sum of FLengths
    std::size_t FUnsaved = 0;         // the newest entries that are not in the file yet
    std::size_t FFileLength = 0;      // the file's length in characters, as far as this log wrote or read it
    int FUpdateCount = 0;
    std::u16string FFileName;
    bool FActive = true;
    bool FAutoSave = false;
    std::size_t FSizeLimit = 0;
    TJvLogEventSeverity FSeverity = lesInformation;
    TJvLogEventSeverity FDefaultSeverity = lesError;
};

// BeginUpdate for the object's lifetime.
class TJvLogUpdate {
public:
    explicit TJvLogUpdate(TJvLogFile& log) noexcept : FLog(log) { FLog.BeginUpdate(); }
    ~TJvLogUpdate() { FLog.EndUpdate(); }
    TJvLogUpdate(const TJvLogUpdate&) = delete;
    TJvLogUpdate& operator=(const TJvLogUpdate&) = delete;

private:
    TJvLogFile& FLog;
};

} // namespace zel
