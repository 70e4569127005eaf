#include "diagnostics/ZelDebug.h"

#include "platform/Exceptions.h"

#include <atomic>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <mutex>

namespace zel {

void StartOsExceptionInterception() noexcept; // the platform's: OsExceptionsWin.cpp or ExceptFramesPortable.cpp
void StopOsExceptionInterception() noexcept;

const Exception* TExceptObject::AsException() const noexcept
{
    if (!Object || !Type)
        return nullptr;
    void* adjusted = Object;
    if (typeid(Exception).__do_catch(Type, &adjusted, 1))
        return static_cast<const Exception*>(adjusted);
    return nullptr;
}

std::string TExceptObject::ClassName() const
{
    if (const Exception* e = AsException())
        return e->ClassName();
    return Type ? ReadableTypeName(*Type) : std::string();
}

bool TExceptObject::IsA(const std::type_info& type) const noexcept
{
    if (!Type)
        return false;
    void* adjusted = Object;
    // The C++ runtime's own matching: identity (by mangled name on these targets) or a base class.
    return type.__do_catch(Type, &adjusted, 1);
}

std::string ReadableTypeName(const std::type_info& type)
{
    const char* mangled = type.name();
    if (*mangled == '*')
        ++mangled;
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

const char* ExceptFrameKindName(TExceptFrameKind kind) noexcept
{
    switch (kind) {
    case efkFinally: return "efkFinally";
    case efkAnyException: return "efkAnyException";
    case efkOnException: return "efkOnException";
    case efkAutoException: return "efkAutoException";
    default: return "efkUnknown";
    }
}

bool TJclExceptFrame::HandlesExceptObj(const TExceptObject& obj, const void*& handlerAddress) const noexcept
{
    switch (FFrameKind) {
    case efkAnyException:
    case efkAutoException:
        handlerAddress = FCodeLocation;
        return true;
    case efkOnException:
        for (const auto& entry : FHandlers) {
            if (!entry.ExceptClass || obj.IsA(*entry.ExceptClass)) {
                handlerAddress = entry.HandlerAddress;
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

namespace {

struct TRegistered {
    TJclExceptNotifier Notifier;
    TJclExceptNotifyPriority Priority;
};

std::recursive_mutex& NotifierLock()
{
    static std::recursive_mutex lock;
    return lock;
}

std::vector<TRegistered>& Notifiers()
{
    static std::vector<TRegistered> list;
    return list;
}

std::atomic<int> GNotifierCount{0};
std::atomic<bool> GFrameTracking{false};
std::atomic<bool> GTrackingActive{false};

// Per thread: whether the notifiers are running, the raise being notified, and the last frame
// list. Plain pointers: thread-local objects with destructors are avoided in a DLL that may be
// unloaded while the host's threads live on.
thread_local bool GNotifying = false;
thread_local const TRaiseSite* GSite = nullptr;
thread_local TJclExceptFrameList* GLastFrames = nullptr;

TJclExceptFrameList& LastFrames()
{
    if (!GLastFrames)
        GLastFrames = new TJclExceptFrameList();
    return *GLastFrames;
}

void TrackFrames(void*, const TExceptObject&, const void*, bool)
{
    TJclExceptFrameList& frames = LastFrames();
    frames.clear();
    if (GFrameTracking.load(std::memory_order_relaxed) && GSite)
        frames = CaptureExceptFrames(*GSite);
}

const TJclExceptNotifier FrameTracker{&TrackFrames, nullptr};

} // namespace

void JclAddExceptNotifier(TJclExceptNotifier notifier, TJclExceptNotifyPriority priority)
{
    std::lock_guard<std::recursive_mutex> lock(NotifierLock());
    auto& list = Notifiers();
    auto at = list.end();
    if (priority == npFirstChain) {
        at = list.begin();
        while (at != list.end() && at->Priority == npFirstChain)
            ++at;
    }
    list.insert(at, TRegistered{notifier, priority});
    GNotifierCount.store(static_cast<int>(list.size()));
}

void JclRemoveExceptNotifier(TJclExceptNotifier notifier) noexcept
{
    std::lock_guard<std::recursive_mutex> lock(NotifierLock());
    auto& list = Notifiers();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->Notifier == notifier) {
            list.erase(it);
            break;
        }
    }
    GNotifierCount.store(static_cast<int>(list.size()));
}

bool HasExceptNotifiers() noexcept
{
    return GNotifierCount.load(std::memory_order_relaxed) > 0;
}

void NotifyRaise(const TExceptObject& exceptObj, const void* exceptAddr, bool osException, const TRaiseSite& site) noexcept
{
    if (GNotifying)
        return;
    GNotifying = true;
    GSite = &site;
    try {
        std::lock_guard<std::recursive_mutex> lock(NotifierLock());
        // A notifier may remove itself or others: call those registered when the raise began.
        std::vector<TRegistered> snapshot = Notifiers();
        for (const auto& entry : snapshot) {
            try {
                entry.Notifier.Proc(entry.Notifier.Data, exceptObj, exceptAddr, osException);
            } catch (...) {
                // A failing notifier must not change the raise nor keep the others from running.
            }
        }
    } catch (...) {
        // Out of memory for the snapshot: this raise goes unnotified.
    }
    GSite = nullptr;
    GNotifying = false;
}

bool ExceptFrameTracking() noexcept
{
    return GFrameTracking.load();
}

void SetExceptFrameTracking(bool value) noexcept
{
    GFrameTracking.store(value);
}

void JclStartExceptionTracking()
{
    if (GTrackingActive.exchange(true))
        return;
    JclAddExceptNotifier(FrameTracker, npFirstChain);
    StartOsExceptionInterception();
}

void JclStopExceptionTracking() noexcept
{
    if (!GTrackingActive.exchange(false))
        return;
    StopOsExceptionInterception();
    JclRemoveExceptNotifier(FrameTracker);
}

bool JclExceptionTrackingActive() noexcept
{
    return GTrackingActive.load();
}

const TJclExceptFrameList& JclLastExceptFrameList() noexcept
{
    static const TJclExceptFrameList empty;
    try {
        return LastFrames();
    } catch (...) {
        return empty;
    }
}

void InitializeExceptionTracking() noexcept
{
    try {
        SetExceptFrameTracking(true);
        JclStartExceptionTracking();
    } catch (...) {
        // Without tracking the add-in still works; its raises just go unrecorded.
    }
}

void FinalizeExceptionTracking() noexcept
{
    JclStopExceptionTracking();
}

} // namespace zel

// Every C++ throw of the module passes here first: the linker is told to route __cxa_throw
// through this routine (--wrap=__cxa_throw), which covers the statically linked C++ runtime's
// own throws too. The raise address is inside the call instruction of the throwing code.
namespace {
// The destructor parameter's type as the C++ runtime declares it (a thiscall pointer on 32-bit
// Windows, where the runtime defines the calling-convention macro; empty elsewhere).
using TThrownDestructor = void(_GLIBCXX_CDTOR_CALLABI*)(void*);
} // namespace

extern "C" {
[[noreturn]] void __real___cxa_throw(void* object, std::type_info* type, TThrownDestructor destructor);

[[noreturn]] void __wrap___cxa_throw(void* object, std::type_info* type, TThrownDestructor destructor)
{
    if (zel::HasExceptNotifiers()) {
        zel::TRaiseSite site;
        site.ReturnAddress = __builtin_extract_return_addr(__builtin_return_address(0));
        zel::NotifyRaise(zel::TExceptObject{object, type}, static_cast<const char*>(site.ReturnAddress) - 1, false, site);
    }
    __real___cxa_throw(object, type, destructor);
}
}
