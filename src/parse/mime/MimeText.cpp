#include "parse/mime/MimeText.h"

namespace cs::parse::mime {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i]))
            return false;
    }
    return true;
}

std::string_view TrimBlank(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

const char* AppendUnquoted(const char* p, const char* end, std::string& out)
{
    for (++p; p < end; ++p) {
        if (*p == '"')
            return p + 1;
        if (*p == '\\' && p + 1 < end)
            ++p;
        out += *p;
    }
    return end;
}

} // namespace cs::parse::mime
