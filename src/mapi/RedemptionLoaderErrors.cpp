#include "mapi/RedemptionLoaderErrors.h"

#include "platform/Exceptions.h"

namespace zel {

std::u16string FolderOfFileName(std::u16string_view fileName)
{
    const auto last = fileName.rfind(u'\\');
    if (last == std::u16string_view::npos)
        return {};
    return std::u16string(fileName.substr(0, last));
}

void RaiseLoadLibraryError(std::u16string_view path, std::u16string_view systemMessage)
{
    std::u16string message = u"Could not load \"";
    message += path;
    message += u"\": ";
    message += systemMessage;
    throw Exception(std::move(message));
}

void RaiseExportMissing()
{
    throw Exception(u"The dll does not export the 'DllGetClassObject' function");
}

void RaiseDllGetClassObjectFailed(std::int32_t hr)
{
    // The code is only in the text: the entry point's failure is not passed on as an error code.
    throw EOleSysError(u"DllGetClassObject returned " + HResultText(hr));
}

void RaiseCreateInstanceFailed(std::int32_t hr)
{
    if (hr == CO_E_WRONGOSFORAPP_HR)
        throw EOleSysError(u"IClassFactory.CreateInstance returned CO_E_WRONGOSFORAPP.\r\n"
                           u"Make sure the bitness of your application and the MAPI system/Outlook match",
                           hr);
    throw EOleSysError(u"IClassFactory.CreateInstance returned " + HResultText(hr), hr);
}

void RaiseInterfaceNotSupported()
{
    throw EIntfCastError(u"Interface not supported");
}

} // namespace zel
