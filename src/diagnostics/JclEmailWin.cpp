#include "diagnostics/JclEmail.h"

#include "diagnostics/SimpleMapiRules.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileAccess.h"
#include "platform/Handles.h"
#include "platform/WideText.h"

#include <mapi.h>

#include <vector>

namespace zel {

namespace {

// The registry as the client's choice reads it, in the running build's own view.
class TSystemMailClientRegistry final : public IMailClientRegistry {
public:
    std::optional<std::u16string> Text(TRegistryRoot root, std::u16string_view key,
                                       std::u16string_view name) const override
    {
        const std::wstring keyText = ToWide(key), nameText = ToWide(name);
        DWORD bytes = 0;
        const DWORD flags = RRF_RT_REG_SZ; // a REG_EXPAND_SZ value comes expanded
        if (RegGetValueW(Root(root), keyText.c_str(), nameText.c_str(), flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegGetValueW(Root(root), keyText.c_str(), nameText.c_str(), flags, nullptr, value.data(), &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(wcsnlen(value.c_str(), value.size()));
        return ToU16(value);
    }

    std::vector<std::u16string> SubKeys(TRegistryRoot root, std::u16string_view key) const override
    {
        std::vector<std::u16string> names;
        HKEY opened = nullptr;
        if (RegOpenKeyExW(Root(root), ToWide(key).c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &opened) != ERROR_SUCCESS)
            return names;
        const TRegKey owner(opened);
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD length = static_cast<DWORD>(std::size(name));
            const LSTATUS status = RegEnumKeyExW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_MORE_DATA)
                continue; // no key name is longer than 255 characters; skip what is not a name
            if (status != ERROR_SUCCESS)
                break;
            names.push_back(ToU16(std::wstring_view(name, length)));
        }
        return names;
    }

private:
    static HKEY Root(TRegistryRoot root) noexcept
    {
        return root == TRegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    }
};

// The process's DLL search directory back to the default search order for the lifetime of the
// object, and then to what it was.
class TDefaultDllSearchOrder {
public:
    TDefaultDllSearchOrder()
        : FSaved(GrowBuffer([](wchar_t* buffer, DWORD capacity) { return GetDllDirectoryW(capacity, buffer); }))
    {
        SetDllDirectoryW(nullptr);
    }
    ~TDefaultDllSearchOrder() { SetDllDirectoryW(FSaved.c_str()); }
    TDefaultDllSearchOrder(const TDefaultDllSearchOrder&) = delete;
    TDefaultDllSearchOrder& operator=(const TDefaultDllSearchOrder&) = delete;

private:
    std::wstring FSaved;
};

// No "cannot find the file" or "insert a disk" boxes from the system while a library loads.
class TNoFileErrorBoxes {
public:
    TNoFileErrorBoxes() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &FSaved); }
    ~TNoFileErrorBoxes() { SetThreadErrorMode(FSaved, nullptr); }
    TNoFileErrorBoxes(const TNoFileErrorBoxes&) = delete;
    TNoFileErrorBoxes& operator=(const TNoFileErrorBoxes&) = delete;

private:
    DWORD FSaved = 0;
};

std::u16string SystemErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const TLocalMemory owner(buffer);
    return length ? ToU16(std::wstring_view(buffer, length)) : std::u16string();
}

[[noreturn]] void RaiseOsError(DWORD code)
{
    throw EOSError(OsErrorMessage(code, SystemErrorText(code)), code);
}

// The path a mail client can open from its ANSI form: the path itself when the ANSI code page
// holds every character of it, else its short form, which is plain ASCII where the volume keeps
// short names.
std::u16string AnsiSafePath(const std::u16string& path)
{
    const IAnsiCodePage& ansi = AnsiCodePage();
    if (ansi.ToUtf16(ansi.FromUtf16(path)) == path)
        return path;
    const std::wstring wide = ToWide(path);
    const std::wstring shortPath = GrowBuffer(
        [&](wchar_t* buffer, DWORD capacity) { return GetShortPathNameW(wide.c_str(), buffer, capacity); });
    return shortPath.empty() ? path : ToU16(shortPath);
}

BOOL CALLBACK FindMailParent(HWND window, LPARAM found)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HWND owner = GetWindow(window, GW_OWNER);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    TTopLevelWindowFacts facts;
    facts.OfThisProcess = processId == GetCurrentProcessId();
    facts.Visible = IsWindowVisible(window) != FALSE;
    facts.OwnedByAnotherWindow = owner != nullptr && owner != GetDesktopWindow();
    facts.ToolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    facts.AppWindow = (exStyle & WS_EX_APPWINDOW) != 0;
    if (!IsMailParentCandidate(facts))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

HWND MailParentWindow()
{
    HWND found = nullptr;
    EnumWindows(FindMailParent, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ExportsSimpleMapi(const std::u16string& library)
{
    const TNoFileErrorBoxes quiet;
    // Mapped only: neither its entry point nor its imports run inside this process.
    const TLibraryHandle module(LoadLibraryExW(ToWide(library).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    if (!module)
        return false;
    for (std::string_view function : SimpleMapiFunctions)
        if (!GetProcAddress(module.get(), std::string(function).c_str()))
            return false;
    return true;
}

bool TJclEmail::Send(bool showDialog)
{
    const TSystemMailClientRegistry registry;
    if (!SimpleMapiClientInstalled(registry, ExportsSimpleMapi))
        throw EJclMapiError(std::u16string(NoMapiClientMessage));
    const TDefaultDllSearchOrder searchOrder;

    TMailMessage message = Message;
    for (std::u16string& path : message.Attachments) {
        if (FileKind(ToFileSystemPath(path)) != TFileKind::File)
            throw EJclMapiError(MapiErrorMessage(MapiAttachmentNotFound), MapiAttachmentNotFound);
        path = AnsiSafePath(path);
    }
    TAnsiMail mail = ToAnsiMail(message);
    // The file names stay the long ones even where the path had to be shortened.
    for (std::size_t index = 0; index < mail.Files.size(); ++index)
        mail.Files[index].FileName = AnsiCodePage().FromUtf16(PathFileName(Message.Attachments[index]));

    std::vector<MapiFileDesc> files;
    for (TAnsiMailFile& file : mail.Files) {
        MapiFileDesc& descriptor = files.emplace_back();
        descriptor.ulReserved = 0;
        descriptor.flFlags = 0;
        descriptor.nPosition = 0xFFFFFFFFu;
        descriptor.lpszPathName = file.PathName.data();
        descriptor.lpszFileName = file.FileName.data();
        descriptor.lpFileType = nullptr;
    }
    std::vector<MapiRecipDesc> recipients;
    for (TAnsiMailRecipient& recipient : mail.Recipients) {
        MapiRecipDesc& descriptor = recipients.emplace_back();
        descriptor.ulReserved = 0;
        descriptor.ulRecipClass = recipient.Kind;
        descriptor.lpszName = recipient.Name.data();
        descriptor.lpszAddress = recipient.Address.data();
        descriptor.ulEIDSize = 0;
        descriptor.lpEntryID = nullptr;
    }
    MapiMessage mapiMessage{};
    mapiMessage.lpszSubject = mail.Subject.data();
    mapiMessage.lpszNoteText = mail.Body.data();
    mapiMessage.nRecipCount = static_cast<ULONG>(recipients.size());
    mapiMessage.lpRecips = recipients.empty() ? nullptr : recipients.data();
    mapiMessage.nFileCount = static_cast<ULONG>(files.size());
    mapiMessage.lpFiles = files.empty() ? nullptr : files.data();

    const std::u16string libraryName = SimpleMapiLibrary(registry);
    TLibraryHandle library;
    {
        const TNoFileErrorBoxes quiet;
        library.reset(LoadLibraryW(ToWide(libraryName).c_str()));
        // An empty name loads nothing; it is reported as the module that was not found.
        if (!library)
            RaiseOsError(libraryName.empty() ? ERROR_MOD_NOT_FOUND : GetLastError());
    }
    LPMAPISENDMAIL sendMail = nullptr;
    for (std::string_view function : SimpleMapiFunctions) {
        const FARPROC address = GetProcAddress(library.get(), std::string(function).c_str());
        if (!address) {
            library.reset();
            throw EJclMapiError(NotExportedMessage(function));
        }
        if (function == "MAPISendMail")
            sendMail = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(address));
    }

    const FLAGS flags = showDialog ? (MAPI_LOGON_UI | MAPI_DIALOG) : 0;
    const ULONG result = sendMail(0, reinterpret_cast<ULONG_PTR>(MailParentWindow()), &mapiMessage, flags, 0);
    library.reset();
    if (result == MapiSuccess || result == MapiUserAbort)
        return result == MapiSuccess;
    throw EJclMapiError(MapiErrorMessage(result), result);
}

} // namespace zel
