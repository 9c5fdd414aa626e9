#include "parse/mime/MimeText.h"

#include "utility/Blanks.h"

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
    return utility::TrimIf(text, IsBlank);
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
