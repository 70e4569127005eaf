// The exception notifier that writes every raise to the error log: the raised object, where it
// was raised, and the handler frames that stood ready, one log entry per line.
#pragma once

#include "diagnostics/JvLogFile.h"
#include "diagnostics/ZelDebug.h"

namespace zel {

// The notifier: adds the raise's block of entries to the log. Never throws (it runs while
// another exception is being raised); a log file that cannot be written keeps the entries in
// memory until a later save succeeds.
void LogException(TJvLogFile& log, const TExceptObject& exceptObj, const void* exceptAddr, bool osException) noexcept;
// LogException bound to a log, for JclAddExceptNotifier / JclRemoveExceptNotifier.
TJclExceptNotifier LogExceptionNotifier(TJvLogFile& log) noexcept;

using TLocationLookup = TJclLocationInfo (*)(const void* address);

// The block itself, from given frames and a given lookup; pointers are written with
// `pointerDigits` hexadecimal digits (8 in the 32-bit build, 16 in the 64-bit one).
void WriteExceptionBlock(TJvLogFile& log, const TExceptObject& exceptObj, const void* exceptAddr, bool osException,
                         bool frameTracking, const TJclExceptFrameList& frames, TLocationLookup lookup,
                         int pointerDigits = static_cast<int>(sizeof(void*) * 2));

} // namespace zel
