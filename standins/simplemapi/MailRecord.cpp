// Writes the record of a MAPISendMail call (the format is described in MailRecord.h).
#include "standins/simplemapi/MailRecord.h"

#include "platform/Handles.h"

#include <optional>

namespace zel::standin {
namespace {

void AppendHex(std::string& out, const char* bytes, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    out += 'x';
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
}

void AppendText(std::string& out, const char* text)
{
    if (text)
        AppendHex(out, text, std::char_traits<char>::length(text));
    else
        out += "null";
}

// " <name> <value>", the value a number.
void AppendNumber(std::string& out, const char* name, unsigned long long value)
{
    out += ' ';
    out += name;
    out += ' ';
    out += std::to_string(value);
}

// " <name> <value>", the value a text.
void AppendTextField(std::string& out, const char* name, const char* text)
{
    out += ' ';
    out += name;
    out += ' ';
    AppendText(out, text);
}

void AppendLine(std::string& out, const char* name, unsigned long long value)
{
    out += name;
    out += ' ';
    out += std::to_string(value);
    out += '\n';
}

void AppendTextLine(std::string& out, const char* name, const char* text)
{
    out += name;
    out += ' ';
    AppendText(out, text);
    out += '\n';
}

void AppendRecipientFields(std::string& out, const MapiRecipDesc& recipient)
{
    AppendNumber(out, "reserved", recipient.ulReserved);
    AppendNumber(out, "class", recipient.ulRecipClass);
    AppendTextField(out, "name", recipient.lpszName);
    AppendTextField(out, "address", recipient.lpszAddress);
    AppendNumber(out, "entry-id-size", recipient.ulEIDSize);
}

// The file's bytes, nothing when it cannot be opened or read.
std::optional<std::string> FileContent(const char* path)
{
    if (!path)
        return std::nullopt;
    const TFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return std::nullopt;
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    for (;;) {
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr))
            return std::nullopt;
        if (read == 0)
            return content;
        content.append(buffer, read);
    }
}

void AppendFileLine(std::string& out, ULONG index, const MapiFileDesc& file)
{
    out += "file ";
    out += std::to_string(index);
    AppendNumber(out, "reserved", file.ulReserved);
    AppendNumber(out, "flags", file.flFlags);
    AppendNumber(out, "position", file.nPosition);
    AppendTextField(out, "path", file.lpszPathName);
    AppendTextField(out, "name", file.lpszFileName);
    out += file.lpFileType ? " type present" : " type null";
    out += " content ";
    if (const std::optional<std::string> content = FileContent(file.lpszPathName))
        AppendHex(out, content->data(), content->size());
    else
        out += "missing";
    out += '\n';
}

// The process's DLL search folder as UTF-8, empty when none is set.
std::string DllDirectoryUtf8()
{
    const DWORD needed = GetDllDirectoryW(0, nullptr);
    if (needed <= 1)
        return {};
    std::wstring folder(needed, L'\0');
    const DWORD length = GetDllDirectoryW(needed, folder.data());
    folder.resize(length < needed ? length : 0);
    if (folder.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, folder.data(), static_cast<int>(folder.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, folder.data(), static_cast<int>(folder.size()), utf8.data(), size, nullptr,
                            nullptr);
    return utf8;
}

} // namespace

std::string MailRecordText(LHANDLE session, ULONG_PTR uiParam, const MapiMessage* message, FLAGS flags,
                           ULONG reserved)
{
    std::string out;
    AppendLine(out, "session", session);
    AppendLine(out, "parent", uiParam);
    AppendLine(out, "flags", flags);
    AppendLine(out, "reserved", reserved);
    const std::string dllDirectory = DllDirectoryUtf8();
    out += "dll-directory ";
    AppendHex(out, dllDirectory.data(), dllDirectory.size());
    out += '\n';
    if (!message) {
        out += "message null\n";
        return out;
    }
    out += "message present\n";
    AppendLine(out, "message-reserved", message->ulReserved);
    AppendTextLine(out, "subject", message->lpszSubject);
    AppendTextLine(out, "body", message->lpszNoteText);
    AppendTextLine(out, "message-type", message->lpszMessageType);
    AppendTextLine(out, "date-received", message->lpszDateReceived);
    AppendTextLine(out, "conversation-id", message->lpszConversationID);
    AppendLine(out, "message-flags", message->flFlags);
    out += "originator";
    if (message->lpOriginator)
        AppendRecipientFields(out, *message->lpOriginator);
    else
        out += " null";
    out += '\n';

    AppendLine(out, "recipient-count", message->nRecipCount);
    if (message->nRecipCount != 0 && !message->lpRecips)
        out += "recipients null\n";
    else
        for (ULONG i = 0; i < message->nRecipCount; ++i) {
            out += "recipient ";
            out += std::to_string(i);
            AppendRecipientFields(out, message->lpRecips[i]);
            out += '\n';
        }

    AppendLine(out, "file-count", message->nFileCount);
    if (message->nFileCount != 0 && !message->lpFiles)
        out += "files null\n";
    else
        for (ULONG i = 0; i < message->nFileCount; ++i)
            AppendFileLine(out, i, message->lpFiles[i]);
    return out;
}

std::string ComposeWindowErrorLine(DWORD error)
{
    std::string line;
    AppendLine(line, "compose-window-error", error);
    return line;
}

bool WriteRecordFile(const std::wstring& path, const std::string& text)
{
    const TFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace zel::standin
