// The exception family. Every error the program raises is an Exception (or a subclass);
// EAbort is the silent one that message loops swallow without a word.
#pragma once

#include <exception>

#include "platform/runtime/RtlTypes.h"

class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(String message) : Message(std::move(message)) {}
    ~Exception() override = default;

    const char* what() const noexcept override { return Message.c_str(); }
    // The class name as the error texts and scripts show it ("EConvertError").
    virtual const char* ClassName() const noexcept { return "Exception"; }

    String Message;
    Integer HelpContext = 0;
};

#define KOV_DECLARE_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                              \
    public:                                                                 \
        using Base::Base;                                                   \
        const char* ClassName() const noexcept override { return #Name; } \
    }

KOV_DECLARE_EXCEPTION(EAbort, Exception);
KOV_DECLARE_EXCEPTION(EConvertError, Exception);
KOV_DECLARE_EXCEPTION(EOutOfMemory, Exception);
KOV_DECLARE_EXCEPTION(EExternal, Exception);
KOV_DECLARE_EXCEPTION(EMathError, EExternal);
KOV_DECLARE_EXCEPTION(EZeroDivide, EMathError);
KOV_DECLARE_EXCEPTION(EInvalidOp, EMathError);
KOV_DECLARE_EXCEPTION(EOverflow, EMathError);
KOV_DECLARE_EXCEPTION(EUnderflow, EMathError);
KOV_DECLARE_EXCEPTION(EIntError, EExternal);
KOV_DECLARE_EXCEPTION(EDivByZero, EIntError);
KOV_DECLARE_EXCEPTION(EIntOverflow, EIntError);
KOV_DECLARE_EXCEPTION(ERangeError, EIntError);
KOV_DECLARE_EXCEPTION(EAccessViolation, EExternal);
KOV_DECLARE_EXCEPTION(EListError, Exception);
KOV_DECLARE_EXCEPTION(EStringListError, Exception);
KOV_DECLARE_EXCEPTION(EStreamError, Exception);
KOV_DECLARE_EXCEPTION(EFilerError, EStreamError);
KOV_DECLARE_EXCEPTION(EReadError, EFilerError);
KOV_DECLARE_EXCEPTION(EWriteError, EFilerError);
KOV_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
KOV_DECLARE_EXCEPTION(EMethodNotFound, EFilerError);
KOV_DECLARE_EXCEPTION(EInvalidImage, EFilerError);
KOV_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
KOV_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
KOV_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
KOV_DECLARE_EXCEPTION(EResNotFound, Exception);
KOV_DECLARE_EXCEPTION(EVariantError, Exception);
KOV_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
KOV_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
KOV_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError);
KOV_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
KOV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
KOV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
KOV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
KOV_DECLARE_EXCEPTION(EInvalidPointer, Exception);
KOV_DECLARE_EXCEPTION(EInvalidCast, Exception);
KOV_DECLARE_EXCEPTION(EPrinter, Exception);
KOV_DECLARE_EXCEPTION(EDatabaseError, Exception);
KOV_DECLARE_EXCEPTION(EOleError, Exception);
KOV_DECLARE_EXCEPTION(EComponentError, Exception);
KOV_DECLARE_EXCEPTION(EThread, Exception);
KOV_DECLARE_EXCEPTION(EIniFileException, Exception);

// An I/O error carrying the operating system's error number.
class EInOutError : public Exception {
public:
    using Exception::Exception;
    EInOutError(String message, Integer errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    const char* ClassName() const noexcept override { return "EInOutError"; }
    Integer ErrorCode = 0;
};

// An operating-system call failed; ErrorCode is the Win32-style error number.
class EOSError : public Exception {
public:
    using Exception::Exception;
    EOSError(String message, DWORD errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    const char* ClassName() const noexcept override { return "EOSError"; }
    DWORD ErrorCode = 0;
};

// Raises the silent EAbort ("Operation aborted").
[[noreturn]] void Abort();
