#include "parse/mime/MimeHeader.h"

#include <cstring>

#include "parse/mime/FieldCodeBase.h"
#include "parse/mime/FieldCodeParameter.h"
#include "parse/mime/MimeMediaType.h"
#include "parse/mime/MimeText.h"

namespace cs::parse {

namespace {

// Field names are printable ASCII other than the colon.
bool IsNameChar(char c)
{
    return c > ' ' && c < 127 && c != ':';
}

const char* LineEnd(const char* p, const char* end)
{
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    return lf ? lf : end;
}

} // namespace

const char* CMimeHeader::Load(const char* begin, const char* end)
{
    Clear();
    const char* p = begin;
    while (p < end) {
        if (*p == '\n')
            return p + 1;
        if (*p == '\r' && (p + 1 == end || p[1] == '\n'))
            return (p + 1 == end) ? end : p + 2;
        const char* nameEnd = p;
        while (nameEnd < end && IsNameChar(*nameEnd))
            ++nameEnd;
        const char* colon = nameEnd;
        while (colon < end && mime::IsBlank(*colon))
            ++colon;
        if (nameEnd == p || colon == end || *colon != ':')
            return p;
        const char* fieldEnd = LineEnd(colon, end);
        while (fieldEnd + 1 < end && mime::IsBlank(fieldEnd[1]))
            fieldEnd = LineEnd(fieldEnd + 1, end);
        if (m_fields.size() < kMaxFields)
            AddField(p, nameEnd, colon + 1, fieldEnd);
        p = (fieldEnd < end) ? fieldEnd + 1 : end;
    }
    return end;
}

void CMimeHeader::AddField(const char* name, const char* nameEnd, const char* value, const char* valueEnd)
{
    m_fields.emplace_back();
    CField& field = m_fields.back();
    field.m_name.assign(name, nameEnd);
    // Unfold: drop the line ends inside the value and keep the blanks after
    // them; blanks at either end of the value are not part of it.
    std::string& text = field.m_value;
    text.reserve(valueEnd - value);
    for (const char* p = value; p < valueEnd; ++p) {
        if (*p == '\n' || (*p == '\r' && (p + 1 == valueEnd || p[1] == '\n')))
            continue;
        if (text.empty() && mime::IsBlank(*p))
            continue;
        text += *p;
    }
    while (!text.empty() && mime::IsBlank(text.back()))
        text.pop_back();
    CFieldCodeBase::ForField(field.m_name).Decode(text, field.m_charset);
}

const CMimeHeader::CField* CMimeHeader::FindField(std::string_view name) const
{
    for (const CField& field : m_fields) {
        if (mime::EqualsNoCase(field.m_name, name))
            return &field;
    }
    return nullptr;
}

const std::string& CMimeHeader::GetFieldValue(std::string_view name) const
{
    static const std::string s_empty;
    const CField* field = FindField(name);
    return field ? field->m_value : s_empty;
}

bool CMimeHeader::GetParameter(std::string_view fieldName, std::string_view paramName, std::string& value) const
{
    const CField* field = FindField(fieldName);
    return field && CFieldCodeParameter::FindParameter(field->m_value, paramName, value);
}

int CMimeHeader::GetMediaType() const
{
    const CField* field = FindField("Content-Type");
    return field ? FindMimeMediaType(field->m_value) : MIME_TEXT;
}

} // namespace cs::parse
