#include "diagnostics/SimpleMapiRules.h"

#include "platform/Utf16.h"

namespace zel {

std::u16string_view MapiErrorText(std::uint32_t code)
{
    static constexpr std::u16string_view texts[] = {
        u"",                                       // 0
        u"User abort",                             // 1
        u"General MAPI failure",                   // 2
        u"MAPI login failure",                     // 3
        u"Disk full",                              // 4
        u"Insufficient memory",                    // 5
        u"Access denied",                          // 6
        u"",                                       // 7
        u"Too many sessions",                      // 8
        u"Too many files were specified",          // 9
        u"Too many recipients were specified",     // 10
        u"A specified attachment was not found",   // 11
        u"Attachment open failure",                // 12
        u"Attachment write failure",               // 13
        u"Unknown recipient",                      // 14
        u"Bad recipient type",                     // 15
        u"No messages",                            // 16
        u"Invalid message",                        // 17
        u"Text too large",                         // 18
        u"Invalid session",                        // 19
        u"Type not supported",                     // 20
        u"A recipient was specified ambiguously",  // 21
        u"Message in use",                         // 22
        u"Network failure",                        // 23
        u"Invalid edit fields",                    // 24
        u"Invalid recipients",                     // 25
        u"Not supported",                          // 26
    };
    return code < std::size(texts) ? texts[code] : std::u16string_view();
}

std::u16string MapiErrorMessage(std::uint32_t code)
{
    return u"MAPI Error: (" + U16(std::to_string(code)) + u") \"" + std::u16string(MapiErrorText(code)) + u"\"";
}

std::u16string NotExportedMessage(std::string_view function)
{
    return u"Function \"" + U16(function) + u"\" is not exported by client";
}

std::u16string OsErrorMessage(std::uint32_t code, std::u16string_view systemText)
{
    if (code == 0)
        return u"A call to an OS function failed";
    std::size_t length = systemText.size();
    while (length > 0 && (systemText[length - 1] <= u' ' || systemText[length - 1] == u'.'))
        --length;
    return u"System Error.  Code: " + U16(std::to_string(code)) + u".\r\n" +
           std::u16string(systemText.substr(0, length));
}

namespace {

bool SaysOne(const IMailClientRegistry& registry, std::u16string_view name)
{
    const std::optional<std::u16string> value =
        registry.Text(TRegistryRoot::LocalMachine, MessagingSubsystemKey, name);
    return value && *value == u"1";
}

std::u16string ClientKey(std::u16string_view client)
{
    return std::u16string(MailClientsKey) + u"\\" + std::u16string(client);
}

} // namespace

std::u16string MailClientLibrary(const IMailClientRegistry& registry, std::u16string_view client)
{
    const std::u16string key = ClientKey(client);
    for (std::u16string_view name : {u"DLLPathEx", u"DLLPath"}) {
        std::optional<std::u16string> library = registry.Text(TRegistryRoot::LocalMachine, key, name);
        if (library && !library->empty())
            return std::move(*library);
    }
    return {};
}

bool SimpleMapiClientInstalled(const IMailClientRegistry& registry,
                               const std::function<bool(const std::u16string& library)>& exportsAll)
{
    if (SaysOne(registry, u"MAPIX"))
        return true;
    for (const std::u16string& client : registry.SubKeys(TRegistryRoot::LocalMachine, MailClientsKey)) {
        const std::u16string library = MailClientLibrary(registry, client);
        if (!library.empty() && exportsAll(library))
            return true;
    }
    return false;
}

std::u16string SimpleMapiLibrary(const IMailClientRegistry& registry)
{
    if (SaysOne(registry, u"MAPI"))
        return std::u16string(SystemMapiLibrary);
    for (TRegistryRoot root : {TRegistryRoot::CurrentUser, TRegistryRoot::LocalMachine}) {
        const std::optional<std::u16string> client = registry.Text(root, MailClientsKey, u"");
        if (client && !client->empty())
            return MailClientLibrary(registry, *client);
    }
    return {};
}

bool IsMailParentCandidate(const TTopLevelWindowFacts& window) noexcept
{
    return window.OfThisProcess && window.Visible && !window.OwnedByAnotherWindow &&
           (!window.ToolWindow || window.AppWindow);
}

} // namespace zel
