// The error report's mail and the mail composer's decisions that need no system: the message
// built from the settings window's facts, its ANSI form, the failure messages, the choice of the
// Simple MAPI library and of the dialog's parent window.
#include "diagnostics/MailMessage.h"
#include "diagnostics/SimpleMapiRules.h"
#include "platform/PortableCodePage.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zel {
namespace {

const TErrorReportSources Sources{u"C:\\Data\\error.log", u"C:\\Data\\config.xml", u"16.0.0.5000"};

TMailMessage ReportWith(std::set<std::u16string> existing, const TErrorReportSources& sources = Sources)
{
    return ErrorReportMessage(u"2.10.5129", u"Windows 10 Pro", sources,
                              [&](const std::u16string& path) { return existing.count(path) != 0; });
}

TEST(ErrorReportMessage, IsAddressedToSupportWithVersionsInSubjectAndBody)
{
    const TMailMessage message = ReportWith({});
    ASSERT_EQ(message.Recipients.size(), 1u);
    EXPECT_EQ(message.Recipients[0].Address, u"support@zelkor.com");
    EXPECT_EQ(message.Recipients[0].Name, u"");
    EXPECT_EQ(message.Recipients[0].Kind, TMailRecipientKind::To);
    EXPECT_EQ(message.Subject, u"Zelkor Hotkeys for Outlook 2.10.5129 support request");
    EXPECT_EQ(message.Body, u"Please describe your problem here.\r\n\r\nWindows version: Windows 10 Pro\r\n"
                            u"Office version: 16.0.0.5000\r\n");
}

TEST(ErrorReportMessage, AnEmptyOfficeVersionLeavesTheLineEmpty)
{
    TErrorReportSources sources = Sources;
    sources.OfficeVersion.clear();
    const std::u16string body = ReportWith({}, sources).Body;
    EXPECT_EQ(body.substr(body.size() - 18), u"Office version: \r\n");
}

TEST(ErrorReportMessage, AttachesTheFilesThatExistLogFirst)
{
    const std::u16string log = Sources.LogFileName, config = Sources.ConfigFileName;
    const struct {
        std::set<std::u16string> existing;
        std::vector<std::u16string> attached;
    } cases[] = {
        {{log, config}, {log, config}},
        {{config}, {config}},
        {{log}, {log}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReportWith(c.existing).Attachments, c.attached);
}

TEST(MailMessage, TheBodyEndsWithExactlyOneLineBreak)
{
    const struct {
        std::u16string body, sent;
    } cases[] = {
        {u"", u"\r\n"},
        {u"text", u"text\r\n"},
        {u"text\r\n", u"text\r\n"},
        {u"text\n", u"text\n\r\n"},
        {u"text\r", u"text\r\r\n"},
        {u"\r\n\r\n", u"\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithClosingLineBreak(c.body), c.sent) << ToUtf8(c.body);
}

TEST(MailMessage, TheAnsiFormTypesAddressesNamesRecipientsAndConvertsTexts)
{
    TPortableCodePage codePage(1252);
    SetAnsiCodePage(&codePage);
    TMailMessage message;
    message.Recipients = {{u"support@zelkor.com", u"", TMailRecipientKind::To},
                          {u"ren\u00E9@example.com", u"Ren\u00E9 \u4E2D", TMailRecipientKind::Cc}};
    message.Subject = u"R\u00E9sum\u00E9 \u20AC";
    message.Body = u"line";
    message.Attachments = {u"C:\\Users\\Zo\u00EB\\error.log", u"relative.xml", u"D:/a/b/config.xml"};
    const TAnsiMail mail = ToAnsiMail(message);
    SetAnsiCodePage(nullptr);

    EXPECT_EQ(mail.Subject, "R\xE9sum\xE9 \x80");
    EXPECT_EQ(mail.Body, "line\r\n");
    ASSERT_EQ(mail.Recipients.size(), 2u);
    EXPECT_EQ(mail.Recipients[0].Name, "support@zelkor.com");
    EXPECT_EQ(mail.Recipients[0].Address, "SMTP:support@zelkor.com");
    EXPECT_EQ(mail.Recipients[0].Kind, 1u);
    EXPECT_EQ(mail.Recipients[1].Name, "Ren\xE9 ?");
    EXPECT_EQ(mail.Recipients[1].Address, "SMTP:ren\xE9@example.com");
    EXPECT_EQ(mail.Recipients[1].Kind, 2u);
    ASSERT_EQ(mail.Files.size(), 3u);
    EXPECT_EQ(mail.Files[0].PathName, "C:\\Users\\Zo\xEB\\error.log");
    EXPECT_EQ(mail.Files[0].FileName, "error.log");
    EXPECT_EQ(mail.Files[1].FileName, "relative.xml");
    EXPECT_EQ(mail.Files[2].FileName, "config.xml");
}

TEST(SimpleMapiRules, FailureMessages)
{
    EXPECT_EQ(MapiErrorMessage(2), u"MAPI Error: (2) \"General MAPI failure\"");
    EXPECT_EQ(MapiErrorMessage(11), u"MAPI Error: (11) \"A specified attachment was not found\"");
    EXPECT_EQ(MapiErrorMessage(26), u"MAPI Error: (26) \"Not supported\"");
    EXPECT_EQ(MapiErrorMessage(7), u"MAPI Error: (7) \"\"");
    EXPECT_EQ(MapiErrorMessage(27), u"MAPI Error: (27) \"\"");
    EXPECT_EQ(MapiErrorMessage(0xFFFFFFFFu), u"MAPI Error: (4294967295) \"\"");
    EXPECT_EQ(NotExportedMessage("MAPIDetails"), u"Function \"MAPIDetails\" is not exported by client");
    EXPECT_EQ(OsErrorMessage(126, u"The specified module could not be found.\r\n"),
              u"System Error.  Code: 126.\r\nThe specified module could not be found");
    EXPECT_EQ(OsErrorMessage(193, u""), u"System Error.  Code: 193.\r\n");
    EXPECT_EQ(OsErrorMessage(0, u"ignored"), u"A call to an OS function failed");
    EXPECT_EQ(EJclMapiError(u"m", 5).ErrorCode(), 5u);
    EXPECT_STREQ(EJclMapiError(u"m").ClassName(), "EJclMapiError");
}

// Every code from 2 to 26 has the text of the Simple MAPI table, 7 none.
TEST(SimpleMapiRules, EveryListedCodeHasItsText)
{
    int withText = 0;
    for (std::uint32_t code = 2; code <= 26; ++code)
        withText += MapiErrorText(code).empty() ? 0 : 1;
    EXPECT_EQ(withText, 24);
    EXPECT_EQ(MapiErrorText(1), u"User abort");
    EXPECT_EQ(MapiErrorText(0), u"");
}

class TFakeRegistry final : public IMailClientRegistry {
public:
    std::map<std::tuple<TRegistryRoot, std::u16string, std::u16string>, std::u16string> Values;

    std::optional<std::u16string> Text(TRegistryRoot root, std::u16string_view key,
                                       std::u16string_view name) const override
    {
        const auto found = Values.find({root, std::u16string(key), std::u16string(name)});
        if (found == Values.end())
            return std::nullopt;
        return found->second;
    }
    std::vector<std::u16string> SubKeys(TRegistryRoot root, std::u16string_view key) const override
    {
        std::set<std::u16string> names;
        const std::u16string prefix = std::u16string(key) + u"\\";
        for (const auto& [where, value] : Values) {
            const auto& [valueRoot, valueKey, name] = where;
            if (valueRoot == root && valueKey.compare(0, prefix.size(), prefix) == 0)
                names.insert(valueKey.substr(prefix.size(), valueKey.find(u'\\', prefix.size()) - prefix.size()));
        }
        return {names.begin(), names.end()};
    }
    void Set(TRegistryRoot root, std::u16string key, std::u16string name, std::u16string value)
    {
        Values[{root, std::move(key), std::move(name)}] = std::move(value);
    }
};

constexpr TRegistryRoot HKLM = TRegistryRoot::LocalMachine;
constexpr TRegistryRoot HKCU = TRegistryRoot::CurrentUser;
const std::u16string Clients = u"SOFTWARE\\Clients\\Mail";
const std::u16string Subsystem = u"SOFTWARE\\Microsoft\\Windows Messaging Subsystem";

TEST(SimpleMapiRules, TheLibraryIsMapi32OnlyWhenTheSubsystemSaysSoElseTheDefaultClients)
{
    TFakeRegistry registry;
    registry.Set(HKLM, Clients + u"\\Mailer", u"DLLPath", u"C:\\Mailer\\mapi32.dll");
    registry.Set(HKLM, Clients + u"\\Other", u"DLLPathEx", u"C:\\Other\\mapi64.dll");
    registry.Set(HKLM, Clients + u"\\Other", u"DLLPath", u"C:\\Other\\mapi.dll");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"") << "no default client";

    registry.Set(HKLM, Clients, u"", u"Mailer");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"C:\\Mailer\\mapi32.dll");
    registry.Set(HKCU, Clients, u"", u"Other");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"C:\\Other\\mapi64.dll") << "the user's choice first, DLLPathEx first";
    registry.Set(HKCU, Clients, u"", u"");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"C:\\Mailer\\mapi32.dll") << "an empty choice is none";
    registry.Set(HKLM, Subsystem, u"MAPI", u"0");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"C:\\Mailer\\mapi32.dll");
    registry.Set(HKLM, Subsystem, u"MAPI", u"1");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"mapi32.dll");
    registry.Set(HKCU, Clients, u"", u"Missing");
    registry.Set(HKLM, Subsystem, u"MAPI", u"");
    EXPECT_EQ(SimpleMapiLibrary(registry), u"") << "a default client without a library";
}

TEST(SimpleMapiRules, AClientIsInstalledByMapixOrByAClientLibraryWithAllFunctions)
{
    TFakeRegistry registry;
    std::vector<std::u16string> looked;
    std::set<std::u16string> complete;
    const auto exportsAll = [&](const std::u16string& library) {
        looked.push_back(library);
        return complete.count(library) != 0;
    };
    EXPECT_FALSE(SimpleMapiClientInstalled(registry, exportsAll));

    registry.Set(HKLM, Clients + u"\\A", u"DLLPath", u"a.dll");
    registry.Set(HKLM, Clients + u"\\B", u"DLLPathEx", u"b64.dll");
    registry.Set(HKLM, Clients + u"\\B", u"DLLPath", u"b.dll");
    registry.Set(HKLM, Clients + u"\\C", u"", u"no library");
    EXPECT_FALSE(SimpleMapiClientInstalled(registry, exportsAll));
    EXPECT_EQ(looked, (std::vector<std::u16string>{u"a.dll", u"b64.dll"}));

    complete = {u"b64.dll"};
    EXPECT_TRUE(SimpleMapiClientInstalled(registry, exportsAll));
    complete.clear();
    registry.Set(HKLM, Subsystem, u"MAPIX", u"1");
    looked.clear();
    EXPECT_TRUE(SimpleMapiClientInstalled(registry, exportsAll));
    EXPECT_TRUE(looked.empty()) << "MAPIX alone is enough";
    registry.Set(HKCU, Subsystem, u"MAPIX", u"1");
    registry.Set(HKLM, Subsystem, u"MAPIX", u"0");
    EXPECT_FALSE(SimpleMapiClientInstalled(registry, exportsAll)) << "only the machine's subsystem counts";
}

TEST(SimpleMapiRules, TheParentIsAVisibleUnownedWindowOfThisProcessNotAToolWindow)
{
    const struct {
        TTopLevelWindowFacts facts;
        bool candidate;
    } cases[] = {
        {{true, true, false, false, false}, true},
        {{true, true, false, true, true}, true},  // a tool window marked as an application window
        {{true, true, false, true, false}, false},
        {{false, true, false, false, false}, false},
        {{true, false, false, false, false}, false},
        {{true, true, true, false, false}, false},
        {{true, true, false, false, true}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMailParentCandidate(c.facts), c.candidate);
}

} // namespace
} // namespace zel
