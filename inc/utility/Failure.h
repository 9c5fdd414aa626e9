// How every program says a failure to its operator: one line on standard
// error, ending in a line feed, that names what failed, the thing concerned
// and the system's reason, and the same text at ERROR in the log.
#pragma once

#include <string>

namespace cs::utility {

// "what: subject (reason)"; an empty subject or reason is left out.
std::string FailureText(const std::string& what, const std::string& subject, const std::string& reason = std::string());

// Writes "<program>: text" and a line feed to standard error; line feeds
// inside `text` become blanks, so it stays one line.
void SayLine(const std::string& text);

// SayLine, and `text` at ERROR in the log under the caller's source location.
void SayFailure(const std::string& text, const char* file = __builtin_FILE(), int line = __builtin_LINE());

// Says `text` and ends the process at once with `exitCode`, for a failure
// past which nothing may run (no destructor, no further write).
[[noreturn]] void ExitWithFailure(int exitCode, const std::string& text, const char* file = __builtin_FILE(),
                                  int line = __builtin_LINE());

} // namespace cs::utility
