// Where a failure ends: at every boundary between the add-in and its caller (COM methods and
// exports, event sinks, window procedures, hotkey callbacks) no exception may pass. A boundary
// is a try block (usually a function-try-block) ended by one of the two catch sequences below:
//
//     HRESULT STDMETHODCALLTYPE TSomething::Method() noexcept
//     try {
//         ...
//         return S_OK;
//     }
//     ZEL_CATCH_RETURN_HRESULT
//
//     void TSink::Callback() noexcept
//     try {
//         ...
//     }
//     ZEL_CATCH_SILENT_RETURN()
//
// Both list a marker type as their first handler, by which the exception tracker recognises the
// frame as the add-in's COM boundary (efkAutoException) in the frame list it logs. The marker
// type is never thrown, so its handler never runs. The raise itself is already on record
// through the exception notifier when the boundary catches it.
#pragma once

namespace zel {

struct TAutoExceptionFrameMarker {};
[[noreturn]] void AutoExceptionMarkerCaught() noexcept;

} // namespace zel

#define ZEL_AUTO_EXCEPTION_FRAME                                                                   \
    catch (const ::zel::TAutoExceptionFrameMarker&) { ::zel::AutoExceptionMarkerCaught(); }

// Swallows every exception and returns the given value (nothing for a void function).
#define ZEL_CATCH_SILENT_RETURN(...)                                                               \
    ZEL_AUTO_EXCEPTION_FRAME                                                                       \
    catch (...) { return __VA_ARGS__; }

#ifdef _WIN32
#include <windows.h>

namespace zel {

// The HRESULT for the exception being handled; call it only inside a catch handler:
// EOleSysError gives its code (E_FAIL when it carries none), EOSError its Win32 code as an
// HRESULT, std::bad_alloc E_OUTOFMEMORY, anything else E_UNEXPECTED.
HRESULT HResultFromCaught() noexcept;

} // namespace zel

// Turns every exception into its HRESULT (see HResultFromCaught) and returns it.
#define ZEL_CATCH_RETURN_HRESULT                                                                   \
    ZEL_AUTO_EXCEPTION_FRAME                                                                       \
    catch (...) { return ::zel::HResultFromCaught(); }
#endif
