// Byte-level helpers shared by the MIME sources. Every routine works on an
// explicit [begin, end) range: mail is untrusted and need not be terminated.
#pragma once

#include <string>
#include <string_view>

namespace cs::parse::mime {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// -1 for anything but a hexadecimal digit (either case: mailers write both).
inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Strips spaces and tabs from both ends.
std::string_view TrimBlank(std::string_view text);

// Copies the quoted string that starts at `p` (on its opening quote) to `out`
// without its quotes, honouring backslash escapes, and returns the position
// after the closing quote (or `end` when the quote never closes).
const char* AppendUnquoted(const char* p, const char* end, std::string& out);

} // namespace cs::parse::mime
