#include "parse/HtmlEntities.h"

#include <libxml/HTMLparser.h>

#include "parse/TextEncoding.h"

namespace cs::parse {

namespace {

// Longest name of the HTML 4 set ("thetasym") with room to spare.
constexpr size_t kMaxNameLength = 10;
constexpr unsigned long kNoCharacter = 0x110000;

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int DigitValue(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code point of the reference at `p` ("&" already passed) and where it
// ends; kNoCharacter when there is none.
unsigned long Reference(const char* p, const char* end, const char*& after)
{
    if (p < end && *p == '#') {
        ++p;
        int base = 10;
        if (p < end && (*p == 'x' || *p == 'X')) {
            base = 16;
            ++p;
        }
        const char* digits = p;
        unsigned long value = 0;
        for (int digit; p < end && (digit = DigitValue(*p, base)) >= 0; ++p)
            value = value < kNoCharacter ? value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit)
                                         : value;
        if (p == digits)
            return kNoCharacter;
        after = p < end && *p == ';' ? p + 1 : p;
        // Zero and the surrogates are no characters: the reference is dropped.
        return value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value >= kNoCharacter ? 0 : value;
    }
    const char* name = p;
    while (p < end && p - name <= static_cast<ptrdiff_t>(kMaxNameLength) && IsAsciiAlnum(*p))
        ++p;
    if (p == name || p == end || *p != ';')
        return kNoCharacter;
    std::string key(name, p);
    const htmlEntityDesc* pEntity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(key.c_str()));
    if (!pEntity)
        return kNoCharacter;
    after = p + 1;
    return pEntity->value;
}

} // namespace

void DecodeHtmlEntities(const char* text, size_t length, std::string& out)
{
    out.clear();
    out.reserve(length);
    const char* const end = text + length;
    // "&" (26) is never the second byte of a GBK pair, so a plain scan finds
    // only real ampersands.
    for (const char* p = text; p < end;) {
        if (*p != '&') {
            out.push_back(*p++);
            continue;
        }
        const char* after = nullptr;
        unsigned long character = Reference(p + 1, end, after);
        if (character == kNoCharacter) {
            out.push_back(*p++);
            continue;
        }
        if (character == 0xA0)
            out.push_back(' ');
        else if (character != 0)
            AppendCodePointInGbk(static_cast<uint32_t>(character), out);
        p = after;
    }
}

} // namespace cs::parse
