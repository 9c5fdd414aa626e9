#include "utility/Error.h"

#include <cstdlib>

#include "utility/Format.h"
#include "utility/Logger.h"

namespace cs::utility {

void ThrowError(const ErrorSite& site, const char* format, ...)
{
    std::string message;
    va_list args;
    va_start(args, format);
    FormatAppendV(message, format, args);
    va_end(args);
    std::string text = Format("%s (file: %s line: %d)", message.c_str(), site.file, site.line);
    // Logged before it is thrown, so even a swallowed error leaves its line.
    CS_LOG_ERROR("%s", text.c_str());
    switch (site.kind) {
    case ErrorSite::LOGIC:
        throw std::logic_error(text);
    case ErrorSite::RUNTIME:
        throw std::runtime_error(text);
    default:
        std::exit(1);
    }
}

} // namespace cs::utility

namespace cs::utility {

std::string WithoutErrorSite(const std::string& message)
{
    size_t site = message.rfind(" (file: ");
    if (site == std::string::npos || message.back() != ')')
        return message;
    return message.substr(0, site);
}

} // namespace cs::utility
