#include "diagnostics/LogException.h"

#include "platform/Exceptions.h"
#include "diagnostics/OsExceptions.h"

#include <string>

namespace zel {
namespace {

std::u16string Pointer(const void* address, int digits)
{
    return u"$" + PointerText(reinterpret_cast<std::uintptr_t>(address), digits);
}

std::u16string Quoted(const std::string& text)
{
    return u"\"" + FromUtf8(text) + u"\"";
}

// Module "unit", Procedure "routine", Unit "source file", Line n
std::u16string Place(const TJclLocationInfo& info)
{
    return u"Module " + Quoted(info.UnitName) + u", Procedure " + Quoted(info.ProcedureName) + u", Unit " +
           Quoted(info.SourceName) + u", Line " + U16(std::to_string(info.LineNumber));
}

void NotifyLog(void* data, const TExceptObject& exceptObj, const void* exceptAddr, bool osException)
{
    LogException(*static_cast<TJvLogFile*>(data), exceptObj, exceptAddr, osException);
}

} // namespace

void WriteExceptionBlock(TJvLogFile& log, const TExceptObject& exceptObj, const void* exceptAddr, bool osException,
                         bool frameTracking, const TJclExceptFrameList& frames, TLocationLookup lookup, int pointerDigits)
{
    // The block reaches the file in one append, also when building it fails part-way.
    TJvLogUpdate update(log);
    const std::u16string none;
    log.Add(none, none);

    std::u16string title = u"Exception " + FromUtf8(exceptObj.ClassName());
    if (const Exception* e = exceptObj.AsException())
        title += u": " + e->Message();
    if (osException)
        title += u" (OS Exception)";
    log.Add(title, none);

    TJclLocationInfo at = lookup(exceptAddr);
    log.Add(u"  Exception occured at " + Pointer(at.Address, pointerDigits) + u" (" + Place(at) + u")", none);

    if (frameTracking) {
        log.Add(u"  Except frame-dump:", none);
        for (const TJclExceptFrame& frame : frames) {
            const void* handler = nullptr;
            bool handles = frame.HandlesExceptObj(exceptObj, handler);
            const void* address = handles && frame.FFrameKind != efkFinally && frame.FFrameKind != efkUnknown
                                      ? handler
                                      : frame.FCodeLocation;
            TJclLocationInfo info = lookup(address);
            log.Add(u"    Frame at " + Pointer(frame.FFrameLocation, pointerDigits) + u" (type: " +
                        U16(ExceptFrameKindName(frame.FFrameKind)) + (handles ? u", handles exception)" : u")"),
                    none);
            log.Add((handles ? u"      Handler at " : u"      Code at ") + Pointer(address, pointerDigits), none);
            log.Add(u"      " + Place(info), none);
            if (handles)
                break;
        }
    }
    log.Add(none, none);
}

void LogException(TJvLogFile& log, const TExceptObject& exceptObj, const void* exceptAddr, bool osException) noexcept
{
    try {
        WriteExceptionBlock(log, exceptObj, exceptAddr, osException, ExceptFrameTracking(), JclLastExceptFrameList(),
                            &GetLocationInfo);
    } catch (...) {
        // Out of memory or a failing conversion: the block stays incomplete; the raise goes on.
    }
}

TJclExceptNotifier LogExceptionNotifier(TJvLogFile& log) noexcept
{
    return TJclExceptNotifier{&NotifyLog, &log};
}

} // namespace zel
