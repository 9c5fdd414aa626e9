#include "parse/mime/MimeCodeQP.h"

#include "parse/mime/MimeText.h"

namespace cs::parse {

namespace {

// Length of the line end at p ("\r\n" or "\n"), 0 when there is none.
size_t LineEndAt(const char* p, const char* end)
{
    if (p < end && *p == '\n')
        return 1;
    if (p + 1 < end && p[0] == '\r' && p[1] == '\n')
        return 2;
    return 0;
}

} // namespace

void CMimeCodeQP::Decode(const char* begin, const char* end, std::string& out) const
{
    out.reserve(out.size() + static_cast<size_t>(end - begin));
    const char* p = begin;
    while (p < end) {
        char c = *p;
        if (c == '=') {
            if (p + 2 < end) {
                int high = mime::HexValue(p[1]);
                int low = mime::HexValue(p[2]);
                if (high >= 0 && low >= 0) {
                    out += static_cast<char>(high * 16 + low);
                    p += 3;
                    continue;
                }
            }
            if (!m_wordForm) {
                const char* q = p + 1;
                while (q < end && mime::IsBlank(*q))
                    ++q;
                size_t lineEnd = LineEndAt(q, end);
                if (lineEnd > 0 || q == end) {
                    p = q + lineEnd;   // soft line break
                    continue;
                }
            }
            out += c;
            ++p;
        } else if (m_wordForm && c == '_') {
            out += ' ';
            ++p;
        } else if (!m_wordForm && mime::IsBlank(c)) {
            const char* q = p;
            while (q < end && mime::IsBlank(*q))
                ++q;
            if (q < end && LineEndAt(q, end) == 0)
                out.append(p, q);   // blanks inside a line are text
            p = q;
        } else {
            // Copy the run of plain characters up to the next one with a meaning.
            const char* q = p + 1;
            while (q < end && *q != '=' && !mime::IsBlank(*q) && !(m_wordForm && *q == '_'))
                ++q;
            out.append(p, q);
            p = q;
        }
    }
}

} // namespace cs::parse
