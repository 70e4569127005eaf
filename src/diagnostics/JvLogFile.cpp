#include "diagnostics/JvLogFile.h"

#include "diagnostics/LocalTimeFormat.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileAccess.h"

#include <filesystem>
#include <fstream>
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
    if (FFileName.empty()) {
        FAutoSave = false;
        return;
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(ToFileSystemPath(FFileName), error))
        Load();
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
    if (FAutoSave)
        Save();
}

void TJvLogFile::Append(std::unique_ptr<TJvLogRecord> record)
{
    FLengths.push_back(record->OutputLength());
    FItems.push_back(std::move(record));
}

void TJvLogFile::ApplySizeLimit()
{
    if (FSizeLimit == 0 || FItems.empty())
        return;
    // From the newest entry towards the oldest, sum the lines until the limit is reached; the
    // entries older than the last one counted go. The newest entry always stays.
    std::size_t total = 0;
    std::size_t first = FItems.size();
    while (first > 0 && total < FSizeLimit) {
        --first;
        total += FLengths[first];
    }
    if (first > 0) {
        FItems.erase(FItems.begin(), FItems.begin() + static_cast<std::ptrdiff_t>(first));
        FLengths.erase(FLengths.begin(), FLengths.begin() + static_cast<std::ptrdiff_t>(first));
    }
}

std::u16string TJvLogFile::Text() const
{
    std::u16string text;
    std::size_t length = 0;
    for (std::size_t item : FLengths)
        length += item;
    text.reserve(length);
    for (const auto& item : FItems)
        text += item->GetOutputString();
    return text;
}

bool TJvLogFile::Save() const
{
    if (FFileName.empty())
        return true;
    std::string bytes = AnsiCodePage().FromUtf16(Text());
    std::ofstream file(ToFileSystemPath(FFileName), std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

bool TJvLogFile::Load()
{
    std::ifstream file(ToFileSystemPath(FFileName), std::ios::binary);
    if (!file)
        return false;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return false;
    std::u16string text = AnsiCodePage().ToUtf16(bytes);
    Clear();
    // Lines end with CR LF, LF or CR.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string::npos)
            end = text.size();
        TJvLogRecord record;
        if (ParseLogLine(std::u16string_view(text).substr(start, end - start), record))
            Append(std::make_unique<TJvLogRecord>(std::move(record)));
        start = end;
        if (start < text.size() && text[start] == u'\r')
            ++start;
        if (start < text.size() && text[start] == u'\n')
            ++start;
    }
    return true;
}

} // namespace zel
