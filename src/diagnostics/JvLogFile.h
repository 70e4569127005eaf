// The log component behind error.log: entries in memory, oldest first, written as one line each
// in the system's ANSI code page; the whole file is rewritten at every save, and a size limit
// drops the oldest entries.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

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
    TJvLogEventSeverity Severity() const noexcept { return FSeverity; }
    void SetSeverity(TJvLogEventSeverity value) noexcept { FSeverity = value; }
    TJvLogEventSeverity DefaultSeverity() const noexcept { return FDefaultSeverity; }
    void SetDefaultSeverity(TJvLogEventSeverity value) noexcept { FDefaultSeverity = value; }

    // Adds an entry stamped with the current local time and DefaultSeverity.
    void Add(const std::u16string& title, const std::u16string& description);
    void Add(TJvLogEventSeverity severity, const std::u16string& title, const std::u16string& description);

    std::size_t Count() const noexcept { return FItems.size(); }
    const TJvLogRecord& operator[](std::size_t index) const { return *FItems[index]; }
    void Clear() noexcept
    {
        FItems.clear();
        FLengths.clear();
    }

    // The whole log as the file holds it (UTF-16).
    std::u16string Text() const;
    // Rewrites the file from the entries in memory. Nothing when FileName is empty. A file that
    // cannot be written (held by another program, no such folder, disk full) gives false and
    // changes nothing in memory: the entries are written with the next save that succeeds.
    bool Save() const;
    // Replaces the entries in memory with the file's; false when the file cannot be read.
    bool Load();

private:
    void ApplySizeLimit();

    void Append(std::unique_ptr<TJvLogRecord> record);

    std::vector<std::unique_ptr<TJvLogRecord>> FItems;
    std::vector<std::size_t> FLengths; // each entry's line length, for the size limit
    std::u16string FFileName;
    bool FActive = true;
    bool FAutoSave = false;
    std::size_t FSizeLimit = 0;
    TJvLogEventSeverity FSeverity = lesInformation;
    TJvLogEventSeverity FDefaultSeverity = lesError;
};

} // namespace zel
