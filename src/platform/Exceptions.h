// The add-in's exception classes. Every failure the add-in raises is one of these (or derives
// from one); each carries its message and reports its own class name, which the error log prints.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/Utf16.h"

namespace zel {

// The root of the add-in's exceptions. The message is UTF-16 like every text of the system.
class Exception : public std::exception {
public:
    explicit Exception(std::u16string message) : FMessage(std::move(message)) {}
    const std::u16string& Message() const noexcept { return FMessage; }
    // The class name as the log writes it ("Exception", "EOleSysError", ...).
    virtual const char* ClassName() const noexcept { return "Exception"; }
    // The name of the parent class, or nullptr at the root: lets a handler table match a class
    // by name through its ancestors.
    virtual const char* ParentClassName() const noexcept { return nullptr; }
    const char* what() const noexcept override;

private:
    std::u16string FMessage;
    mutable std::string FWhat;
};

#define ZEL_EXCEPTION_CLASS(Name, Parent)                                                        \
    class Name : public Parent {                                                                 \
    public:                                                                                      \
        using Parent::Parent;                                                                    \
        const char* ClassName() const noexcept override { return #Name; }                        \
        const char* ParentClassName() const noexcept override { return Parent::ClassName(); }    \
    }

// A failed COM call or an OLE failure. ErrorCode is the HRESULT, 0 when none was given.
class EOleError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EOleError"; }
    const char* ParentClassName() const noexcept override { return "Exception"; }
};

class EOleSysError : public EOleError {
public:
    explicit EOleSysError(std::u16string message, std::int32_t errorCode = 0)
        : EOleError(std::move(message)), FErrorCode(errorCode) {}
    std::int32_t ErrorCode() const noexcept { return FErrorCode; }
    const char* ClassName() const noexcept override { return "EOleSysError"; }
    const char* ParentClassName() const noexcept override { return "EOleError"; }

private:
    std::int32_t FErrorCode;
};

// An interface query that failed ("Interface not supported").
ZEL_EXCEPTION_CLASS(EIntfCastError, Exception);
// A text that does not convert to a number.
ZEL_EXCEPTION_CLASS(EConvertError, Exception);
// An object is not of the class a handler expected ("Invalid class typecast").
ZEL_EXCEPTION_CLASS(EInvalidCast, Exception);
// A file that cannot be created or written ("Cannot create file ...").
ZEL_EXCEPTION_CLASS(EStreamError, Exception);
ZEL_EXCEPTION_CLASS(EFCreateError, EStreamError);
ZEL_EXCEPTION_CLASS(EWriteError, EStreamError);
// A failed operating-system call; the code is the system's error code.
class EOSError : public Exception {
public:
    explicit EOSError(std::u16string message, std::uint32_t errorCode = 0)
        : Exception(std::move(message)), FErrorCode(errorCode) {}
    std::uint32_t ErrorCode() const noexcept { return FErrorCode; }
    const char* ClassName() const noexcept override { return "EOSError"; }
    const char* ParentClassName() const noexcept override { return "Exception"; }

private:
    std::uint32_t FErrorCode;
};

// Operating-system exceptions (processor faults and software exceptions raised through the
// system) as the exception tracker reports them.
ZEL_EXCEPTION_CLASS(EExternal, Exception);
ZEL_EXCEPTION_CLASS(EAccessViolation, EExternal);
ZEL_EXCEPTION_CLASS(EStackOverflow, EExternal);
ZEL_EXCEPTION_CLASS(EPrivilege, EExternal);
ZEL_EXCEPTION_CLASS(EExternalException, EExternal);
ZEL_EXCEPTION_CLASS(EIntError, EExternal);
ZEL_EXCEPTION_CLASS(EDivByZero, EIntError);
ZEL_EXCEPTION_CLASS(EIntOverflow, EIntError);
ZEL_EXCEPTION_CLASS(EMathError, EExternal);
ZEL_EXCEPTION_CLASS(EInvalidOp, EMathError);
ZEL_EXCEPTION_CLASS(EZeroDivide, EMathError);
ZEL_EXCEPTION_CLASS(EOverflow, EMathError);
ZEL_EXCEPTION_CLASS(EUnderflow, EMathError);

// "0x" and the HRESULT as 8 upper-case hexadecimal digits, the form every message uses.
std::u16string HResultText(std::int32_t hr);
// The same 8 digits without the "0x".
std::u16string Hex8(std::uint32_t value);


} // namespace zel
