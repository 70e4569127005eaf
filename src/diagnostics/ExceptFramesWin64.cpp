// The handler frames of a raise on 64-bit Windows, walked with the system's unwinder
// (RtlLookupFunctionEntry, RtlVirtualUnwind) from the raise site outwards. A frame whose
// language handler is the C++ personality routine has its LSDA in the handler data; a frame
// with another language handler (structured exception handling of system code) is listed as
// efkUnknown.
#include "diagnostics/GccLsda.h"
#include "diagnostics/ZelDebug.h"

#include <windows.h>

extern "C" EXCEPTION_DISPOSITION __gxx_personality_seh0(PEXCEPTION_RECORD, void*, PCONTEXT, PDISPATCHER_CONTEXT);

namespace zel {

TJclExceptFrameList CaptureExceptFrames(const TRaiseSite& site)
{
    TJclExceptFrameList frames;
    CONTEXT context;
    bool started = site.OsContext != nullptr;
    // At a fault the first address is the faulting instruction itself; every other one is a
    // return address, which lies just behind the call in progress.
    bool faultFrame = started;
    if (site.OsContext)
        context = *static_cast<const CONTEXT*>(site.OsContext);
    else
        RtlCaptureContext(&context);

    for (int count = 0; count < 1024 && context.Rip != 0; ++count) {
        DWORD64 pc = context.Rip;
        if (!started && pc == reinterpret_cast<DWORD64>(site.ReturnAddress))
            started = true;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(pc, &imageBase, nullptr);
        if (!function) {
            // A leaf routine: its return address is on top of the stack.
            context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
            context.Rsp += 8;
            faultFrame = false;
            continue;
        }
        void* handlerData = nullptr;
        DWORD64 establisherFrame = 0;
        PEXCEPTION_ROUTINE handler = RtlVirtualUnwind(UNW_FLAG_EHANDLER, imageBase, pc, function, &context,
                                                      &handlerData, &establisherFrame, nullptr);
        if (started && handler) {
            TJclExceptFrame frame;
            bool active = true;
            if (handler == reinterpret_cast<PEXCEPTION_ROUTINE>(&__gxx_personality_seh0)) {
                std::uintptr_t ip = faultFrame ? pc : pc - 1;
                active = DecodeGccLsda(static_cast<const std::uint8_t*>(handlerData),
                                       imageBase + function->BeginAddress, ip, frame);
            } else {
                frame.FFrameKind = efkUnknown;
                frame.FCodeLocation = reinterpret_cast<const void*>(handler);
            }
            if (active) {
                frame.FFrameLocation = reinterpret_cast<const void*>(establisherFrame);
                frames.push_back(std::move(frame));
            }
        }
        faultFrame = false;
    }
    return frames;
}

} // namespace zel
