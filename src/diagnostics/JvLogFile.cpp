#include "diagnostics/JvLogFile.h"

#include "diagnostics/LocalTimeFormat.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileAccess.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <iterator>

namespace zel {

const char16_t* SeverityWord(TJvLogEventSeverity severity) noexcept
{
    switch (severity) {
    case lesError:
        return u"Error";
    case lesWarning:
        return u"Warning";
    default:
        return u"Information";
    }
}

std::u16string TJvLogRecord::GetOutputString() const
{
    std::u16string line;
    line.reserve(Time.size() + Title.size() + Description.size() + 20);
    line += u'[';
    line += Time;
    line += u']';
    line += SeverityWord(Severity);
    line += u'>';
    for (char16_t c : Title) {
        line += c;
        if (c == u'>')
            line += u'>';
    }
    line += u'>';
    line += Description;
    line += u"\r\n";
    return line;
}

std::size_t TJvLogRecord::OutputLength() const noexcept
{
    std::size_t length = Time.size() + std::char_traits<char16_t>::length(SeverityWord(Severity)) + Title.size() +
                         Description.size() + 6; // "[", "]", ">", ">", CR LF
    for (char16_t c : Title)
        length += c == u'>';
    return length;
}

bool ParseLogLine(std::u16string_view line, TJvLogRecord& record)
{
    size_t open = line.find(u'[');
    if (open == std::u16string_view::npos)
        return false;
    size_t close = line.find(u']', open + 1);
    if (close == std::u16string_view::npos)
        return false;
    record.Time = std::u16string(line.substr(open + 1, close - open - 1));
    std::u16string_view rest = line.substr(close + 1);

    std::u16string_view word;
    size_t mark = rest.find(u'>');
    if (mark != std::u16string_view::npos) {
        word = rest.substr(0, mark);
        rest = rest.substr(mark + 1);
    }
    record.Severity = word == u"Error" ? lesError : word == u"Warning" ? lesWarning : lesInformation;

    // The title ends at the first ">" that is not one of a pair ">>".
    size_t end = rest.size();
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != u'>')
            continue;
        if (i + 1 < rest.size() && rest[i + 1] == u'>') {
            ++i;
            continue;
        }
        end = i;
        break;
    }
    record.Title.clear();
    std::u16string_view title = rest.substr(0, end);
    for (size_t i = 0; i < title.size(); ++i) {
        record.Title += title[i];
        if (title[i] == u'>' && i + 1 < title.size() && title[i + 1] == u'>')
            ++i;
    }
    record.Description = end < rest.size() ? std::u16string(rest.substr(end + 1)) : std::u16string();
    return true;
}

void TJvLogFile::SetFileName(const std::u16string& fileName)
{
    FFileName = fileName;
    // Entries in memory that the new file does not replace are due for it.
    FUnsaved = FItems.size();
    FFileLength = 0;
    if (FFileName.empty()) {
        FAutoSave = false;
        return;
    }
    const TFilePath path = ToFileSystemPath(FFileName);
    if (FileKind(path) == TFileKind::File && !Load()) {
        // A file that cannot be read now keeps its content; the entries go after it, and its
        // size in bytes stands in for its length until the first trim.
        std::uint64_t size = 0;
        FFileLength = FileSize(path, size) ? static_cast<std::size_t>(size) : 0;
    }
}

void TJvLogFile::Add(const std::u16string& title, const std::u16string& description)
{
    Add(FDefaultSeverity, title, description);
}

void TJvLogFile::Add(TJvLogEventSeverity severity, const std::u16string& title, const std::u16string& description)
{
    if (!FActive || severity > FSeverity)
        return;
    auto record = std::make_unique<TJvLogRecord>();
    record->Time = NowText();
    record->Title = title;
    record->Description = description;
    record->Severity = severity;
    Append(std::move(record));
    ApplySizeLimit();
    if (FAutoSave && FUpdateCount == 0)
        WriteUnsaved();
}

void TJvLogFile::EndUpdate() noexcept
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FAutoSave)
        WriteUnsaved();
}

void TJvLogFile::Append(std::unique_ptr<TJvLogRecord> record)
{
    const std::size_t length = record->OutputLength();
    FItems.push_back(std::move(record));
    FLengths.push_back(length);
    FLength += length;
    ++FUnsaved;
}

void TJvLogFile::ApplySizeLimit()
{
    if (FSizeLimit == 0)
        return;
    // Summing the lines from the newest entry towards the oldest until the limit is reached, the
    // entries older than the last one counted go: the oldest entry goes while the others alone
    // still reach the limit. The newest entry always stays.
    while (!FItems.empty() && FLength - FLengths.front() >= FSizeLimit) {
        FLength -= FLengths.front();
        FItems.pop_front();
        FLengths.pop_front();
    }
    FUnsaved = std::min(FUnsaved, FItems.size());
}

bool TJvLogFile::WriteUnsaved() noexcept
{
    if (FUnsaved == 0 || FFileName.empty())
        return true;
    try {
        std::u16string text;
        std::size_t length = 0;
        for (std::size_t i = FItems.size() - FUnsaved; i < FItems.size(); ++i)
            length += FLengths[i];
        text.reserve(length);
        for (std::size_t i = FItems.size() - FUnsaved; i < FItems.size(); ++i)
            text += FItems[i]->GetOutputString();
        // Past the margin the file is trimmed back to the entries in memory, which include the
        // new ones. When the trim fails (the file is held open by a reader that does not let it be
        // replaced), the entries are appended all the same, and the next write tries again.
        if (FSizeLimit > 0 && FFileLength + text.size() > FSizeLimit + SizeLimitMargin() && Save())
            return true;
        const std::string bytes = AnsiCodePage().FromUtf16(text);
        const std::size_t written = AppendFileLines(ToFileSystemPath(FFileName), bytes);
        FFileLength += text.size() + (written - bytes.size()); // a CR LF put before a torn line
        FUnsaved = 0;
        return true;
    } catch (...) {
        // The file cannot be written now (or memory ran out): the entries stay due.
        return false;
    }
}

std::u16string TJvLogFile::Text() const
{
    std::u16string text;
    text.reserve(FLength);
    for (const auto& item : FItems)
        text += item->GetOutputString();
    return text;
}

bool TJvLogFile::Save()
{
    if (FFileName.empty())
        return true;
    try {
        const std::u16string text = Text();
        // The folder is not created: a log whose folder is missing waits for it.
        WriteFileAtomically(ToFileSystemPath(FFileName), AnsiCodePage().FromUtf16(text), false);
        FFileLength = text.size();
        FUnsaved = 0;
        return true;
    } catch (...) {
        return false;
    }
}

bool TJvLogFile::Load()
{
    std::string bytes;
    if (!ReadWholeFile(ToFileSystemPath(FFileName), bytes))
        return false;
    std::u16string text = AnsiCodePage().ToUtf16(bytes);
    Clear();
    for (std::u16string_view line : SplitLines(text)) {
        // A NUL ends a line as well: a file whose end a power failure cut short can hold a run of
        // them where the last write's bytes never reached the disk.
        for (size_t start = 0;;) {
            const size_t nul = line.find(u'\0', start);
            TJvLogRecord record;
            if (ParseLogLine(line.substr(start, nul == std::u16string_view::npos ? nul : nul - start), record))
                Append(std::make_unique<TJvLogRecord>(std::move(record)));
            if (nul == std::u16string_view::npos)
                break;
            start = nul + 1;
        }
    }
    // The file holds all of them.
    FUnsaved = 0;
    FFileLength = text.size();
    return true;
}

} // namespace zel
