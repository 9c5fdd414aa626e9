#include "parse/mime/MimeMessage.h"

#include <cstring>

namespace cs::parse {

namespace {

// A mailbox file's separator line "From sender date" (no colon after "From",
// unlike the obsolete field form "From : ...").
bool IsMailboxSeparator(const char* text, const char* end)
{
    if (end - text < 5 || std::memcmp(text, "From ", 5) != 0)
        return false;
    const char* p = text + 5;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    return p < end && *p != ':';
}

} // namespace

int CMimeMessage::Load(const char* text, size_t length)
{
    Clear();
    if (!text || length == 0)
        return 0;
    const char* begin = text;
    const char* end = text + length;
    if (IsMailboxSeparator(text, end)) {
        const char* lineEnd = static_cast<const char*>(std::memchr(text, '\n', length));
        begin = lineEnd ? lineEnd + 1 : end;
    }
    int partsLeft = kMaxParts;
    LoadBody(begin, end, 0, partsLeft);
    if (GetFields().empty()) {
        Clear();
        return 0;
    }
    return 1;
}

} // namespace cs::parse
