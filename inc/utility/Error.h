// The single way the system raises an error, and the assertion forms built on it.
#pragma once

#include <stdexcept>
#include <string>

namespace cs::utility {

// Where an error is raised and which standard exception it becomes.
struct ErrorSite {
    enum Kind { LOGIC = 0, RUNTIME = 1 };
    int kind;           // LOGIC, RUNTIME; anything else ends the process
    const char* file;   // source file of the raise
    int line;
};

// Formats the message, appends " (file: %s line: %d)", logs the text at ERROR
// and raises std::logic_error (kind 0) or std::runtime_error (kind 1).
[[noreturn]] void ThrowError(const ErrorSite& site, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The message of a raised error without the " (file: %s line: %d)" that
// ThrowError appends, for showing it to an operator.
std::string WithoutErrorSite(const std::string& message);

// A hardware fault or an invalid parameter handed to the C runtime.
class COSException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace cs::utility

#if defined(__FILE_NAME__)
#define CS_FILE_NAME __FILE_NAME__
#else
#define CS_FILE_NAME __FILE__
#endif

#define CS_ERROR_SITE(kind) ::cs::utility::ErrorSite{(kind), CS_FILE_NAME, __LINE__}

// Raise a runtime error: a failure that input or the environment can cause.
#define CS_THROW(...) ::cs::utility::ThrowError(CS_ERROR_SITE(::cs::utility::ErrorSite::RUNTIME), __VA_ARGS__)

// The three assertion forms. The `_TEXT` variants name the condition by a text
// of their own where the code's expression reads differently.
#define CS_CHECK_FORM_(cond, form, text)                                                              \
    do {                                                                                              \
        if (!(cond))                                                                                  \
            ::cs::utility::ThrowError(CS_ERROR_SITE(::cs::utility::ErrorSite::LOGIC), form, text);  \
    } while (0)

#define CS_ASSERT(cond) CS_CHECK_FORM_(cond, "ASSERT FAILED: %s", #cond)
#define CS_ASSERT_ARG(cond) CS_CHECK_FORM_(cond, "INVALID ARGUMENT: %s", #cond)
#define CS_ASSERT_OP(cond) CS_CHECK_FORM_(cond, "INVALID OPERATION: %s", #cond)
#define CS_ASSERT_TEXT(cond, text) CS_CHECK_FORM_(cond, "ASSERT FAILED: %s", text)
#define CS_ASSERT_ARG_TEXT(cond, text) CS_CHECK_FORM_(cond, "INVALID ARGUMENT: %s", text)
#define CS_ASSERT_OP_TEXT(cond, text) CS_CHECK_FORM_(cond, "INVALID OPERATION: %s", text)
