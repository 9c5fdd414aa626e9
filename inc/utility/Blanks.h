// White space as the configuration files, trash and keyword lists and query
// texts of the system know it: space, tab, carriage return and line feed.
#pragma once

#include <string_view>

namespace cs::utility {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The part of `text` between its leading and trailing blanks; it points
// into `text`, so it must not outlive it.
inline std::string_view TrimBlanks(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace cs::utility
