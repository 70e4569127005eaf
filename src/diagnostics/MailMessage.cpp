#include "diagnostics/MailMessage.h"

#include "diagnostics/MakerSite.h"
#include "platform/AnsiCodePage.h"

namespace zel {

std::u16string WithClosingLineBreak(std::u16string body)
{
    if (body.size() < 2 || body.compare(body.size() - 2, 2, u"\r\n") != 0)
        body += u"\r\n";
    return body;
}

std::u16string_view PathFileName(std::u16string_view path)
{
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

TMailMessage ErrorReportMessage(std::u16string_view moduleVersion, std::u16string_view windowsProductName,
                                const TErrorReportSources& sources,
                                const std::function<bool(const std::u16string&)>& fileExists)
{
    TMailMessage message;
    message.Recipients.push_back({std::u16string(MakerSupportAddress), {}, TMailRecipientKind::To});
    message.Subject = u"Zelkor Hotkeys for Outlook " + std::u16string(moduleVersion) + u" support request";
    message.Body = u"Please describe your problem here.\r\n\r\nWindows version: " + std::u16string(windowsProductName) +
                   u"\r\n" + u"Office version: " + sources.OfficeVersion + u"\r\n";
    for (const std::u16string* file : {&sources.LogFileName, &sources.ConfigFileName})
        if (!file->empty() && fileExists(*file))
            message.Attachments.push_back(*file);
    return message;
}

TAnsiMail ToAnsiMail(const TMailMessage& message)
{
    const IAnsiCodePage& ansi = AnsiCodePage();
    TAnsiMail mail;
    mail.Subject = ansi.FromUtf16(message.Subject);
    mail.Body = ansi.FromUtf16(WithClosingLineBreak(message.Body));
    for (const TMailRecipient& recipient : message.Recipients) {
        TAnsiMailRecipient& converted = mail.Recipients.emplace_back();
        converted.Name = ansi.FromUtf16(recipient.Name.empty() ? recipient.Address : recipient.Name);
        converted.Address = "SMTP:" + ansi.FromUtf16(recipient.Address);
        converted.Kind = static_cast<unsigned>(recipient.Kind);
    }
    for (const std::u16string& path : message.Attachments)
        mail.Files.push_back({ansi.FromUtf16(path), ansi.FromUtf16(PathFileName(path))});
    return mail;
}

} // namespace zel
