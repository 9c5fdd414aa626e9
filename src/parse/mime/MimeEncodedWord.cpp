#include "parse/mime/MimeEncodedWord.h"

#include <cstring>

#include "parse/mime/MimeCodeBase64.h"
#include "parse/mime/MimeCodeQP.h"
#include "parse/mime/MimeText.h"

namespace cs::parse {

namespace {

// A charset token: printable ASCII without blanks and the RFC 2047 specials.
bool IsCharsetChar(char c)
{
    return c > ' ' && c < 127 && !std::strchr("()<>@,;:\"/[]?.=", c);
}

} // namespace

const char* CMimeEncodedWord::Parse(const char* begin, const char* end)
{
    if (end - begin < 8 || begin[0] != '=' || begin[1] != '?')
        return nullptr;
    const char* charsetBegin = begin + 2;
    const char* p = charsetBegin;
    while (p < end && IsCharsetChar(*p))
        ++p;
    // '*' is a charset character but starts the language suffix.
    const char* charsetEnd = static_cast<const char*>(std::memchr(charsetBegin, '*', p - charsetBegin));
    if (!charsetEnd)
        charsetEnd = p;
    if (charsetEnd == charsetBegin || end - p < 5 || p[0] != '?' || p[2] != '?')
        return nullptr;
    char encoding = mime::LowerAscii(p[1]);
    if (encoding != 'b' && encoding != 'q')
        return nullptr;
    // The encoded text is printable ASCII without '?' and blanks, up to "?=".
    const char* textBegin = p + 3;
    const char* textEnd = textBegin;
    while (textEnd < end && *textEnd > ' ' && *textEnd < 127 && *textEnd != '?')
        ++textEnd;
    if (end - textEnd < 2 || textEnd[0] != '?' || textEnd[1] != '=')
        return nullptr;

    m_charset.assign(charsetBegin, charsetEnd);
    m_bytes.clear();
    if (encoding == 'b') {
        static const CMimeCodeBase64 s_base64;
        s_base64.Decode(textBegin, textEnd, m_bytes);
    } else {
        static const CMimeCodeQP s_wordQP(true);
        s_wordQP.Decode(textBegin, textEnd, m_bytes);
    }
    return textEnd + 2;
}

} // namespace cs::parse
