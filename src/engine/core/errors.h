// Exception classes shared by the whole engine: the base class, the runtime's arithmetic and
// conversion errors with their fixed texts.
#pragma once

#include <exception>
#include <string>

namespace qm {

// Base of every error the program reports to the user. className() is what the command line
// prints before the message ("EZeroDivide: Floating point division by zero").
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    virtual const char* className() const noexcept { return "Exception"; }

private:
    std::string message_;
};

// Declares an exception class with its printable class name. Classes with a fixed text give it
// as their default message.
#define QM_DECLARE_EXCEPTION(Name, Base)                                                           \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* className() const noexcept override { return #Name; }                         \
    }

#define QM_DECLARE_FIXED_EXCEPTION(Name, Base, Text)                                               \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        static constexpr const char* kMessage = Text;                                              \
        Name() : Base(kMessage) {}                                                                 \
        using Base::Base;                                                                          \
        const char* className() const noexcept override { return #Name; }                         \
    }

// Hardware-style arithmetic errors: EExternal is the common base the renderers catch.
QM_DECLARE_EXCEPTION(EExternal, Exception);
QM_DECLARE_EXCEPTION(EMathError, EExternal);
QM_DECLARE_EXCEPTION(EIntError, EExternal);
QM_DECLARE_FIXED_EXCEPTION(EZeroDivide, EMathError, "Floating point division by zero");
QM_DECLARE_FIXED_EXCEPTION(EInvalidOp, EMathError, "Invalid floating point operation");
QM_DECLARE_FIXED_EXCEPTION(EOverflow, EMathError, "Floating point overflow");
QM_DECLARE_FIXED_EXCEPTION(EInvalidArgument, EMathError, "");
QM_DECLARE_FIXED_EXCEPTION(EDivByZero, EIntError, "Division by zero");

// Text-to-number conversion failures.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    const char* className() const noexcept override { return "EConvertError"; }
    static EConvertError invalidFloat(const std::string& text);
    static EConvertError invalidInteger(const std::string& text);
};

// Stand-in for the framework's printf-style Format with "%s" arguments only: each "%s" takes
// the next argument in order.
std::string formatMessage(const char* pattern, std::initializer_list<std::string> args);

} // namespace qm
