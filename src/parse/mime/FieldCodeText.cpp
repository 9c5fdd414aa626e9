#include "parse/mime/FieldCodeText.h"

#include <cstring>

#include "parse/mime/MimeEncodedWord.h"
#include "parse/mime/MimeText.h"

namespace cs::parse {

namespace {

bool AllBlank(const char* begin, const char* end)
{
    for (; begin < end; ++begin) {
        if (!mime::IsBlank(*begin))
            return false;
    }
    return true;
}

} // namespace

void CFieldCodeText::Decode(std::string& value, std::string& charset) const
{
    if (value.find("=?") == std::string::npos)
        return;
    std::string decoded;
    decoded.reserve(value.size());
    CMimeEncodedWord word;
    const char* end = value.data() + value.size();
    const char* literal = value.data();   // start of text not yet copied
    bool afterWord = false;
    const char* p = literal;
    while (p < end) {
        const char* start = static_cast<const char*>(std::memchr(p, '=', end - p));
        if (!start)
            break;
        const char* next = word.Parse(start, end);
        if (!next) {
            p = start + 1;
            continue;
        }
        if (!afterWord || !AllBlank(literal, start))
            decoded.append(literal, start);
        decoded += word.GetBytes();
        if (charset.empty())
            charset = word.GetCharset();
        afterWord = true;
        literal = p = next;
    }
    decoded.append(literal, end);
    value.swap(decoded);
}

} // namespace cs::parse
