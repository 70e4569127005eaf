#include "diagnostics/ErrorReport.h"

#include "diagnostics/JclEmail.h"
#include "diagnostics/ZelUtils.h"
#include "platform/FileAccess.h"
#include "platform/WideText.h"

namespace zel {

namespace {

// "ProductName" of the system's version key: how Windows names itself; empty when absent.
std::u16string WindowsProductName()
{
    wchar_t name[256] = {};
    DWORD bytes = sizeof(name) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName",
                     RRF_RT_REG_SZ, nullptr, name, &bytes) != ERROR_SUCCESS)
        return {};
    return ToU16(name);
}

bool IsExistingFile(const std::u16string& path)
{
    return FileKind(ToFileSystemPath(path)) == TFileKind::File;
}

} // namespace

void SendErrorReport(const TErrorReportSources& sources)
{
    TJclEmail mail;
    mail.Message = ErrorReportMessage(GetModuleVersion(), WindowsProductName(), sources, IsExistingFile);
    mail.Send(true);
}

} // namespace zel
