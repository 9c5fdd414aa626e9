#include "parse/mime/MimeBody.h"

#include <cstring>

#include "parse/mime/MimeCodeBase.h"
#include "parse/mime/MimeMediaType.h"
#include "parse/mime/MimeText.h"

namespace cs::parse {

namespace {

// A delimiter line is "--boundary" followed by "--" (the close delimiter) or
// by blanks up to the line end; "--boundaryX" is content.
bool EndsDelimiter(const char* p, const char* end)
{
    if (end - p >= 2 && p[0] == '-' && p[1] == '-')
        return true;
    while (p < end && mime::IsBlank(*p))
        ++p;
    return p == end || *p == '\n' || *p == '\r';
}

// The next delimiter at or after `from` that starts a line; `body` (the
// start of the multipart content) counts as a line start, so the first
// delimiter may follow the header's blank line directly.
const char* FindDelimiter(const char* from, const char* body, const char* end, const std::string& delimiter)
{
    const char* p = from;
    while (static_cast<size_t>(end - p) >= delimiter.size()) {
        const char* found = static_cast<const char*>(memmem(p, end - p, delimiter.data(), delimiter.size()));
        if (!found)
            return nullptr;
        if ((found == body || found[-1] == '\n') && EndsDelimiter(found + delimiter.size(), end))
            return found;
        p = found + 1;
    }
    return nullptr;
}

// The line end before a delimiter belongs to the delimiter, not to the text.
const char* ContentEnd(const char* begin, const char* delimiter)
{
    const char* end = delimiter;
    if (end > begin && end[-1] == '\n')
        --end;
    if (end > begin && end[-1] == '\r')
        --end;
    return end;
}

} // namespace

void CMimeBody::Clear()
{
    CMimeHeader::Clear();
    m_content.clear();
    m_children.clear();
}

void CMimeBody::GetBodyPartList(std::vector<const CMimeBody*>& parts) const
{
    if (GetMediaType() != MIME_MULTIPART) {
        parts.push_back(this);
        return;
    }
    for (const CMimeBody& child : m_children)
        child.GetBodyPartList(parts);
}

void CMimeBody::LoadBody(const char* begin, const char* end, int depth, int& partsLeft)
{
    Clear();
    const char* body = CMimeHeader::Load(begin, end);
    std::string boundary;
    if (GetMediaType() == MIME_MULTIPART && depth < kMaxDepth && GetParameter("Content-Type", "boundary", boundary) &&
        !boundary.empty()) {
        LoadParts(body, end, boundary, depth, partsLeft);
    } else {
        DecodeContent(body, end);
    }
}

void CMimeBody::LoadParts(const char* body, const char* end, const std::string& boundary, int depth, int& partsLeft)
{
    const std::string delimiter = "--" + boundary;
    const char* found = FindDelimiter(body, body, end, delimiter);
    DecodeContent(body, found ? ContentEnd(body, found) : end);
    while (found && partsLeft > 0) {
        const char* after = found + delimiter.size();
        if (end - after >= 2 && after[0] == '-' && after[1] == '-')
            break;   // close delimiter
        const char* lineEnd = static_cast<const char*>(std::memchr(after, '\n', end - after));
        if (!lineEnd)
            break;   // the text stops on the delimiter line
        const char* partBegin = lineEnd + 1;
        found = FindDelimiter(partBegin, body, end, delimiter);
        // Without a further delimiter the part runs to the end of the text.
        const char* partEnd = found ? ContentEnd(partBegin, found) : end;
        --partsLeft;
        m_children.emplace_back();
        m_children.back().LoadBody(partBegin, partEnd, depth + 1, partsLeft);
    }
}

void CMimeBody::DecodeContent(const char* begin, const char* end)
{
    m_content.clear();
    CMimeCodeBase::ForEncoding(GetFieldValue("Content-Transfer-Encoding")).Decode(begin, end, m_content);
}

} // namespace cs::parse
