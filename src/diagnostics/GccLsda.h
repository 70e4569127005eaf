// Reading GCC's language-specific data area (LSDA), the table that the C++ personality routine
// consults for a frame: for a code address, the landing pad and the chain of catch clauses and
// clean-ups that stand ready there.
#pragma once

#include "diagnostics/ZelDebug.h"
#include "platform/Boundary.h"

#include <cstdint>

namespace zel {

// Describes the handler frame at `ip` (an address inside the call that is in progress; for a
// return address, one less) of the routine that starts at `regionStart` and whose LSDA is
// `lsda`. Returns false when nothing stands ready at that address (no landing pad), true with
// FFrameKind, FCodeLocation (the landing pad) and FHandlers filled otherwise.
bool DecodeGccLsda(const std::uint8_t* lsda, std::uintptr_t regionStart, std::uintptr_t ip, TJclExceptFrame& frame);

} // namespace zel
