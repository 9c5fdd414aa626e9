#include "utility/Format.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace cs::utility {

namespace {
class CFormatAllocFailure : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "FormatAppendV() malloc failed"; }
};
} // namespace

std::string& FormatAppendV(std::string& target, const char* format, va_list args)
{
    char buffer[4096];
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(buffer, sizeof(buffer), format, copy);
    va_end(copy);
    if (length < 0)
        return target;
    if (static_cast<size_t>(length) < sizeof(buffer)) {
        target.append(buffer, static_cast<size_t>(length));
        return target;
    }
    char* heap = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (!heap)
        throw CFormatAllocFailure();
    va_copy(copy, args);
    std::vsnprintf(heap, static_cast<size_t>(length) + 1, format, copy);
    va_end(copy);
    target.append(heap, static_cast<size_t>(length));
    std::free(heap);
    return target;
}

std::string Format(const char* format, ...)
{
    std::string result;
    va_list args;
    va_start(args, format);
    FormatAppendV(result, format, args);
    va_end(args);
    return result;
}

} // namespace cs::utility
