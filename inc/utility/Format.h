// printf-style formatting into std::string.
#pragma once

#include <cstdarg>
#include <string>

namespace cs::utility {

// Appends the formatted text to `target` and returns it. Texts that do not fit
// the 4096-byte stack buffer are formatted again into an exact heap buffer
// (std::bad_alloc "FormatAppendV() malloc failed" when that cannot be had).
std::string& FormatAppendV(std::string& target, const char* format, va_list args);

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace cs::utility
