#include "diagnostics/ErrorReport.h"

#include "platform/Exceptions.h"

namespace zel {

void SendErrorReport(const TErrorReportSources&)
{
    throw Exception(u"The error report cannot be sent from this build.");
}

} // namespace zel
