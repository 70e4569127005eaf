// The exception object that stands for an operating-system exception: its class says what
// happened (EAccessViolation, EDivByZero, EExternalException, ...), its message gives the details.
#pragma once

#include "platform/Exceptions.h"

#include <cstdint>
#include <memory>

namespace zel {

// code: the exception code; address: where it occurred; info: the exception record's
// parameters (for an access violation: read/write/execute, then the address accessed).
std::unique_ptr<Exception> MapOsException(std::uint32_t code, std::uintptr_t address,
                                          const std::uintptr_t* info, std::size_t infoCount,
                                          int pointerDigits = static_cast<int>(sizeof(void*) * 2));

// Upper-case hexadecimal digits of a pointer, `digits` wide.
std::u16string PointerText(std::uintptr_t value, int digits = static_cast<int>(sizeof(void*) * 2));

} // namespace zel
