#include "parse/mime/FieldCodeParameter.h"

#include "parse/mime/MimeText.h"

namespace cs::parse {

namespace {

// Skips a quoted string that starts at p; returns the position after it.
const char* SkipQuoted(const char* p, const char* end)
{
    for (++p; p < end; ++p) {
        if (*p == '"')
            return p + 1;
        if (*p == '\\' && p + 1 < end)
            ++p;
    }
    return end;
}

// The position of the next ';' outside quoted strings, or `end`.
const char* NextSemicolon(const char* p, const char* end)
{
    while (p < end && *p != ';')
        p = (*p == '"') ? SkipQuoted(p, end) : p + 1;
    return p;
}

} // namespace

bool CFieldCodeParameter::FindParameter(std::string_view fieldValue, std::string_view name, std::string& value)
{
    const char* end = fieldValue.data() + fieldValue.size();
    const char* p = NextSemicolon(fieldValue.data(), end);
    while (p < end) {
        ++p;   // past ';'
        const char* next = NextSemicolon(p, end);
        const char* equals = p;
        while (equals < next && *equals != '=')
            ++equals;
        std::string_view paramName = mime::TrimBlank(std::string_view(p, equals - p));
        if (equals < next && mime::EqualsNoCase(paramName, name)) {
            value.clear();
            const char* v = equals + 1;
            while (v < next && mime::IsBlank(*v))
                ++v;
            if (v < next && *v == '"') {
                mime::AppendUnquoted(v, next, value);
            } else {
                std::string_view token = mime::TrimBlank(std::string_view(v, next - v));
                value.assign(token.data(), token.size());
            }
            return true;
        }
        p = next;
    }
    return false;
}

} // namespace cs::parse
