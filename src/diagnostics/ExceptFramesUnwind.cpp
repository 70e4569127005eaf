// The handler frames of a C++ raise found with the unwinder's backtrace (DWARF call-frame
// information: the native build and the 32-bit Windows build). Frames below the raising routine
// (the tracker's own) are skipped; an operating-system fault gives no frames here.
#include "diagnostics/GccLsda.h"
#include "diagnostics/ZelDebug.h"

#include <unwind.h>

namespace zel {
namespace {

struct TWalk {
    const TRaiseSite* Site;
    TJclExceptFrameList* Frames;
    bool Started = false;
    int Count = 0;
};

_Unwind_Reason_Code Step(_Unwind_Context* context, void* argument)
{
    auto& walk = *static_cast<TWalk*>(argument);
    if (++walk.Count > 1024)
        return _URC_END_OF_STACK;
    int beforeInsn = 0;
    std::uintptr_t ip = _Unwind_GetIPInfo(context, &beforeInsn);
    if (ip == 0)
        return _URC_END_OF_STACK;
    if (!walk.Started) {
        if (ip != reinterpret_cast<std::uintptr_t>(walk.Site->ReturnAddress))
            return _URC_NO_REASON;
        walk.Started = true;
    }
    if (!beforeInsn)
        --ip;
    auto lsda = static_cast<const std::uint8_t*>(_Unwind_GetLanguageSpecificData(context));
    TJclExceptFrame frame;
    if (lsda && DecodeGccLsda(lsda, _Unwind_GetRegionStart(context), ip, frame)) {
        frame.FFrameLocation = reinterpret_cast<const void*>(_Unwind_GetCFA(context));
        walk.Frames->push_back(std::move(frame));
    }
    return _URC_NO_REASON;
}

} // namespace

TJclExceptFrameList CaptureExceptFrames(const TRaiseSite& site)
{
    TJclExceptFrameList frames;
    if (site.OsContext || !site.ReturnAddress)
        return frames;
    TWalk walk{&site, &frames};
    _Unwind_Backtrace(&Step, &walk);
    return frames;
}

} // namespace zel
