// Operating-system exceptions of the module's code reach the notifiers through a vectored
// exception handler, which sees every exception of the process before any frame-based handler:
// it reports those that occur in this module (or are raised with RaiseException by its code) and
// always lets the search go on.
#include "diagnostics/OsExceptions.h"
#include "diagnostics/ZelDebug.h"

#include <windows.h>

#include <atomic>

namespace zel {
namespace {

std::atomic<void*> GHandler{nullptr};
std::uintptr_t GModuleStart = 0, GModuleEnd = 0;

void FindThisModule() noexcept
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&FindThisModule), &module))
        return;
    auto base = reinterpret_cast<const std::uint8_t*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    GModuleStart = reinterpret_cast<std::uintptr_t>(base);
    GModuleEnd = GModuleStart + nt->OptionalHeader.SizeOfImage;
}

bool InModule(std::uintptr_t address) noexcept
{
    return address >= GModuleStart && address < GModuleEnd;
}

// GCC's own exception codes: the C++ throw itself and its unwinding.
bool IsGccException(DWORD code) noexcept
{
    return (code & 0x00FFFFFFu) == 0x00474343u && (code >> 24) >= 0x20u && (code >> 24) <= 0x22u;
}

// For an exception raised through RaiseException the record's address lies in the system: the
// raising code of the module is one of the first callers in the fault context.
std::uintptr_t ModuleCaller(const CONTEXT& fault) noexcept
{
#if defined(_M_X64) || defined(__x86_64__)
    CONTEXT context = fault;
    for (int depth = 0; depth < 4 && context.Rip != 0; ++depth) {
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (!function) {
            context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
            context.Rsp += 8;
        } else {
            void* handlerData = nullptr;
            DWORD64 establisherFrame = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                             &establisherFrame, nullptr);
        }
        if (InModule(context.Rip))
            return context.Rip - 1;
    }
#else
    (void)fault;
#endif
    return 0;
}

LONG CALLBACK OsExceptionHandler(EXCEPTION_POINTERS* pointers)
{
    try {
        const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
        DWORD code = record->ExceptionCode;
        // Only failures (severity "error"), not the C++ throw's own code, and not a stack
        // overflow, which leaves no room to build a report on this stack.
        if ((code & 0xC0000000u) != 0xC0000000u || IsGccException(code) || code == EXCEPTION_STACK_OVERFLOW)
            return EXCEPTION_CONTINUE_SEARCH;
        if (!HasExceptNotifiers())
            return EXCEPTION_CONTINUE_SEARCH;
        auto address = reinterpret_cast<std::uintptr_t>(record->ExceptionAddress);
        if (!InModule(address)) {
            address = ModuleCaller(*pointers->ContextRecord);
            if (!address)
                return EXCEPTION_CONTINUE_SEARCH;
        }
        std::uintptr_t info[EXCEPTION_MAXIMUM_PARAMETERS];
        DWORD count = record->NumberParameters < EXCEPTION_MAXIMUM_PARAMETERS ? record->NumberParameters : EXCEPTION_MAXIMUM_PARAMETERS;
        for (DWORD i = 0; i < count; ++i)
            info[i] = record->ExceptionInformation[i];
        std::unique_ptr<Exception> object =
            MapOsException(code, reinterpret_cast<std::uintptr_t>(record->ExceptionAddress), info, count);
        TRaiseSite site;
        site.OsContext = pointers->ContextRecord;
        const Exception& ref = *object;
        NotifyRaise(TExceptObject{object.get(), &typeid(ref)}, reinterpret_cast<const void*>(address), true, site);
    } catch (...) {
        // Nothing may leave a vectored handler; the exception goes on unreported.
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void StartOsExceptionInterception() noexcept
{
    if (GHandler.load())
        return;
    FindThisModule();
    GHandler.store(AddVectoredExceptionHandler(1, &OsExceptionHandler));
}

void StopOsExceptionInterception() noexcept
{
    if (void* handler = GHandler.exchange(nullptr))
        RemoveVectoredExceptionHandler(handler);
}

} // namespace zel
