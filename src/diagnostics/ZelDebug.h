// The exception tracker: notifiers called at the moment an exception is raised, before any
// handler runs; the list of handler frames active in the raising thread; the lookup of code
// addresses in the module's debug information.
//
// Raises are intercepted for every C++ throw linked into the module (the linker routes
// __cxa_throw through __wrap___cxa_throw, also for the statically linked C++ runtime's own
// throws) and, on Windows, for operating-system exceptions occurring in the module's code (a
// vectored exception handler). The notifiers only watch: after they return the raise goes on
// to its handlers as it would without them.
#pragma once

#include <cstdint>
#include <string>
#include <typeinfo>
#include <vector>

namespace zel {

class Exception;

// A raised object: its address and its dynamic type.
struct TExceptObject {
    void* Object = nullptr;
    const std::type_info* Type = nullptr;

    // The object as the add-in's Exception, or nullptr when it is not one.
    const Exception* AsException() const noexcept;
    // The class name the log prints: Exception::ClassName() for the add-in's exceptions, the
    // readable C++ type name (e.g. "std::out_of_range") for any other object.
    std::string ClassName() const;
    // Whether the object's class or one of its ancestors is `type` (same type_info, or the same
    // class name for the add-in's exception classes).
    bool IsA(const std::type_info& type) const noexcept;
};

// The readable name of a C++ type ("std::out_of_range", "char const*").
std::string ReadableTypeName(const std::type_info& type);

enum TExceptFrameKind { efkUnknown, efkFinally, efkAnyException, efkOnException, efkAutoException };
const char* ExceptFrameKindName(TExceptFrameKind kind) noexcept;

struct TExceptHandlerEntry {
    const std::type_info* ExceptClass = nullptr; // nullptr: handles any object
    const void* HandlerAddress = nullptr;
};

// One exception-handling frame that was active in the raising thread at the raise.
struct TJclExceptFrame {
    TExceptFrameKind FFrameKind = efkUnknown;
    const void* FFrameLocation = nullptr; // the frame on the stack
    const void* FCodeLocation = nullptr;  // its handler or clean-up code
    std::vector<TExceptHandlerEntry> FHandlers; // efkOnException: in declaration order

    // Whether the frame handles the object; if so, handlerAddress receives the handler's code.
    bool HandlesExceptObj(const TExceptObject& obj, const void*& handlerAddress) const noexcept;
};

using TJclExceptFrameList = std::vector<TJclExceptFrame>;

// What the location lookup knows about a code address; empty names and zeros when nothing.
struct TJclLocationInfo {
    const void* Address = nullptr;
    std::string UnitName;
    std::string ProcedureName;
    std::int32_t OffsetFromProcName = 0;
    std::int32_t LineNumber = 0;
    std::int32_t OffsetFromLineNumber = 0;
    std::string SourceName;
    const void* DebugInfo = nullptr;
    std::string BinaryFileName;
};

// Looks the code address up in the debug information of the module that contains it.
TJclLocationInfo GetLocationInfo(const void* address) noexcept;

enum TJclExceptNotifyPriority { npNormal, npFirstChain };

// A notifier: a routine with its bound data. Notifiers are compared by both.
struct TJclExceptNotifier {
    void (*Proc)(void* data, const TExceptObject& exceptObj, const void* exceptAddr, bool osException) = nullptr;
    void* Data = nullptr;
    bool operator==(const TJclExceptNotifier&) const = default;
};

// Registration and removal take the lock that the notification holds.
void JclAddExceptNotifier(TJclExceptNotifier notifier, TJclExceptNotifyPriority priority);
void JclRemoveExceptNotifier(TJclExceptNotifier notifier) noexcept;

// Frame tracking: when on, the tracker (a notifier of priority npFirstChain) records the
// raising thread's active handler frames at every raise.
bool ExceptFrameTracking() noexcept;
void SetExceptFrameTracking(bool value) noexcept;
// Starts the tracker (and, on Windows, the interception of operating-system exceptions).
void JclStartExceptionTracking();
void JclStopExceptionTracking() noexcept;
bool JclExceptionTrackingActive() noexcept;
// The frames recorded at this thread's last raise, innermost first.
const TJclExceptFrameList& JclLastExceptFrameList() noexcept;

// The module's initialisation and finalisation: frame tracking on, tracking started; and the
// reverse (the vectored handler must be gone before the module unloads).
void InitializeExceptionTracking() noexcept;
void FinalizeExceptionTracking() noexcept;

// Where a raise starts, for the frame walker: the raising code's return address of the call
// that raised (C++ throw), or the processor context of the fault (operating-system exception).
struct TRaiseSite {
    const void* ReturnAddress = nullptr;
    void* OsContext = nullptr;
};

// Calls the notifiers for one raise; does nothing on a thread that is already notifying.
void NotifyRaise(const TExceptObject& exceptObj, const void* exceptAddr, bool osException, const TRaiseSite& site) noexcept;
// Whether any notifier is registered (the price of a raise without notifiers is this check).
bool HasExceptNotifiers() noexcept;

// The platform's frame walker: the handler frames active from the raise site outwards.
TJclExceptFrameList CaptureExceptFrames(const TRaiseSite& site);

} // namespace zel
