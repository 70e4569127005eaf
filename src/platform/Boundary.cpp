#include "platform/Boundary.h"

#include <cstdlib>

namespace zel {

void AutoExceptionMarkerCaught() noexcept
{
    std::abort();
}

} // namespace zel
