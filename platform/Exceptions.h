// Error classes of the program.  Every error carries a message and the name
// of its class; the entry point prints both.
#pragma once

#include "platform/Messages.h" // the texts these errors carry

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

namespace ostrane {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string message_;
};

#define OSTRANE_EXCEPTION_CLASS(Name, Base)                                                        \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* ClassName() const noexcept override { return #Name; }                          \
    };

// Text-to-number and text-to-date readings, formatting limits.
OSTRANE_EXCEPTION_CLASS(EConvertError, Exception)
// Conversions and operations of Value.
OSTRANE_EXCEPTION_CLASS(EVariantError, Exception)
// Indexed access outside a list.
OSTRANE_EXCEPTION_CLASS(EListError, Exception)
// Integer division by zero.
OSTRANE_EXCEPTION_CLASS(EDivByZero, Exception)
// Floating-point errors.
OSTRANE_EXCEPTION_CLASS(EZeroDivide, Exception)
OSTRANE_EXCEPTION_CLASS(EInvalidOp, Exception)
OSTRANE_EXCEPTION_CLASS(EOverflow, Exception)
// Streams.
OSTRANE_EXCEPTION_CLASS(EFOpenError, Exception)
OSTRANE_EXCEPTION_CLASS(EFCreateError, Exception)
OSTRANE_EXCEPTION_CLASS(EReadError, Exception)
OSTRANE_EXCEPTION_CLASS(EWriteError, Exception)
// A write to a pipe whose reader has gone (SIGPIPE ignored).
OSTRANE_EXCEPTION_CLASS(EBrokenPipe, EWriteError)
// An allocation the program refuses or cannot get.
OSTRANE_EXCEPTION_CLASS(EOutOfMemory, Exception)
// The framework's file checks and the expression engine's errors.
OSTRANE_EXCEPTION_CLASS(EQzIFileException, Exception)
OSTRANE_EXCEPTION_CLASS(EQzIParseException, Exception)

#undef OSTRANE_EXCEPTION_CLASS

// Texts that operations build (joins, padding, replacing) stay within this
// many bytes, so that a filter can neither allocate without end nor spend
// seconds per record on one value; no sensible filter builds more.
inline constexpr std::size_t MaxBuiltTextLength = std::size_t(1) << 24;
// Raises EOutOfMemory "Out of memory" for a built text longer than the limit.
void RequireBuiltTextLength(std::size_t length);

// Replaces the first "%s" or "%d" of a message pattern by a text.
std::string FormatMessage(std::string_view pattern, std::string_view argument);

} // namespace ostrane
