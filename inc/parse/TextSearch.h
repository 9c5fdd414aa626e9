// Byte-string searches of the parsers: lengths instead of terminators, so a
// stray zero byte in a document hides nothing after it.
#pragma once

#include <cstddef>
#include <cstring>

namespace cs::parse {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// First occurrence of `needle` (`needleLength` bytes) in [begin, end), ASCII
// letters compared without case; `end` when there is none.
inline const char* FindNoCase(const char* begin, const char* end, const char* needle, size_t needleLength)
{
    if (needleLength == 0)
        return begin;
    char first = AsciiLower(needle[0]);
    for (const char* p = begin; end - p >= static_cast<std::ptrdiff_t>(needleLength); ++p) {
        if (AsciiLower(*p) != first)
            continue;
        size_t k = 1;
        while (k < needleLength && AsciiLower(p[k]) == AsciiLower(needle[k]))
            ++k;
        if (k == needleLength)
            return p;
    }
    return end;
}

inline const char* FindNoCase(const char* begin, const char* end, const char* needle)
{
    return FindNoCase(begin, end, needle, std::strlen(needle));
}

// First occurrence of `needle`, bytes compared exactly; `end` when none.
inline const char* FindBytes(const char* begin, const char* end, const char* needle, size_t needleLength)
{
    if (needleLength == 0)
        return begin;
    if (end - begin < static_cast<std::ptrdiff_t>(needleLength))
        return end;
    const void* hit = memmem(begin, static_cast<size_t>(end - begin), needle, needleLength);
    return hit ? static_cast<const char*>(hit) : end;
}

inline const char* FindByte(const char* begin, const char* end, char c)
{
    const void* hit = std::memchr(begin, c, static_cast<size_t>(end - begin));
    return hit ? static_cast<const char*>(hit) : end;
}

} // namespace cs::parse
