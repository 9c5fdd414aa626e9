// White space as the configuration files, trash and keyword lists and query
// texts of the system know it: space, tab, carriage return and line feed.
#pragma once

#include <string_view>

namespace cs::utility {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The part of `text` between its leading and trailing characters for which
// `isBlank` holds; it points into `text`, so it must not outlive it. Mail
// headers and configuration texts differ only in what they count as blank.
template <class BlankTest>
std::string_view TrimIf(std::string_view text, BlankTest isBlank)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

inline std::string_view TrimBlanks(std::string_view text)
{
    return TrimIf(text, IsBlank);
}

} // namespace cs::utility
