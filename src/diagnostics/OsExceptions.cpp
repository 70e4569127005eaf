#include "diagnostics/OsExceptions.h"

namespace zel {

std::u16string PointerText(std::uintptr_t value, int digits)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    std::u16string text(static_cast<size_t>(digits), u'0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<size_t>(i)] = hex[value & 0xF];
    return text;
}

std::unique_ptr<Exception> MapOsException(std::uint32_t code, std::uintptr_t address,
                                          const std::uintptr_t* info, std::size_t infoCount, int pointerDigits)
{
    switch (code) {
    case 0xC0000005u: { // access violation
        std::u16string access = u"Access";
        if (infoCount >= 2) {
            access = info[0] == 0 ? u"Read" : info[0] == 8 ? u"Execution" : u"Write";
            return std::make_unique<EAccessViolation>(u"Access violation at address " + PointerText(address, pointerDigits) +
                                                      u". " + access + u" of address " + PointerText(info[1], pointerDigits));
        }
        return std::make_unique<EAccessViolation>(u"Access violation at address " + PointerText(address, pointerDigits));
    }
    case 0xC00000FDu: return std::make_unique<EStackOverflow>(u"Stack overflow");
    case 0xC0000096u: return std::make_unique<EPrivilege>(u"Privileged instruction");
    case 0xC0000094u: return std::make_unique<EDivByZero>(u"Division by zero");
    case 0xC0000095u: return std::make_unique<EIntOverflow>(u"Integer overflow");
    case 0xC000008Cu: return std::make_unique<EIntError>(u"Array bounds exceeded");
    case 0xC000008Eu: return std::make_unique<EZeroDivide>(u"Floating point division by zero");
    case 0xC0000091u: return std::make_unique<EOverflow>(u"Floating point overflow");
    case 0xC0000093u: return std::make_unique<EUnderflow>(u"Floating point underflow");
    case 0xC000008Du: case 0xC000008Fu: case 0xC0000090u: case 0xC0000092u:
        return std::make_unique<EInvalidOp>(u"Invalid floating point operation");
    default:
        return std::make_unique<EExternalException>(u"External exception " + Hex8(code));
    }
}

} // namespace zel
