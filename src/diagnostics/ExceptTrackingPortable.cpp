// Without Windows there is no interception of operating-system exceptions, and no address table
// beside the program: a location holds the address alone.
#include "diagnostics/ZelDebug.h"

namespace zel {

void StartOsExceptionInterception() noexcept {}
void StopOsExceptionInterception() noexcept {}

TJclLocationInfo GetLocationInfo(const void* address) noexcept
{
    TJclLocationInfo info;
    info.Address = address;
    return info;
}

} // namespace zel
