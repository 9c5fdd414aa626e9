#include "parse/TextEncoding.h"

#include <cstring>
#include <strings.h>

#include "content/FileType.h"
#include "utility/StringConvertor.h"

namespace cs::parse {

namespace {

// The byte at `i`, zero from `length` on.
inline unsigned char ByteAt(const char* text, size_t length, size_t i)
{
    return i < length ? static_cast<unsigned char>(text[i]) : 0;
}

inline bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// The double-byte walk shared by the GBK and Big5 tests.
template <class TrailTest>
bool WalkDoubleByte(const char* text, size_t length, size_t window, TrailTest isTrail)
{
    size_t i = 0;
    while (i < window) {
        unsigned char c = ByteAt(text, length, i);
        if (c == 0)
            return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c == 0x80 || c == 0xFF || !isTrail(ByteAt(text, length, i + 1)))
            return false;
        i += 2;
    }
    return true;
}

// One converter per source and thread (a conversion descriptor keeps state
// between calls), opened on first use and kept for the run.
utility::CStringConvertor& FromUtf8()
{
    thread_local utility::CStringConvertor convertor("gbk", "utf-8");
    return convertor;
}

utility::CStringConvertor& FromUcs2()
{
    thread_local utility::CStringConvertor convertor("gbk", "UTF-16LE");
    return convertor;
}

utility::CStringConvertor& FromUtf32()
{
    thread_local utility::CStringConvertor convertor("gbk", "UTF-32LE");
    return convertor;
}

utility::CStringConvertor& Big5ToUtf32()
{
    thread_local utility::CStringConvertor convertor("UTF-32LE", "CP950");
    return convertor;
}

// Characters of a GBK text: a byte from 81 on leads a pair.
size_t GbkCharacters(const std::string& text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count)
        i += static_cast<unsigned char>(text[i]) >= 0x81 ? 2 : 1;
    return count;
}

// Big5 goes through UTF-32 so that a character GBK lacks can be told apart
// and written as "?", the way the code-page conversion does it.
void Big5ToGbk(const char* text, size_t length, std::string& out)
{
    std::string wide = Big5ToUtf32().convert(text, length);
    utility::CStringConvertor& toGbk = FromUtf32();
    out = toGbk.convert(wide);
    size_t characters = wide.size() / 4;
    if (GbkCharacters(out) == characters)
        return;   // every character had its GBK form
    out.clear();
    for (size_t i = 0; i < characters; ++i) {
        const char* unit = wide.data() + 4 * i;
        bool ascii = static_cast<unsigned char>(unit[0]) < 0x80 && unit[1] == 0 && unit[2] == 0 && unit[3] == 0;
        if (ascii) {
            out.push_back(unit[0]);
            continue;
        }
        std::string one = toGbk.convert(unit, 4);
        out += one.empty() ? std::string("?") : one;
    }
}

} // namespace

bool IsUtf8Text(const char* text, size_t length, size_t window)
{
    size_t i = 0;
    while (i < window) {
        unsigned char c = ByteAt(text, length, i);
        if (c == 0)
            return true;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xF0) != 0xE0)
            return false;
        for (size_t k = 1; k <= 2; ++k) {
            if (i + k >= window)
                return true;   // cut off by the window's end
            if (!IsContinuation(ByteAt(text, length, i + k)))
                return false;
        }
        i += 3;
    }
    return true;
}

bool IsGbkText(const char* text, size_t length, size_t window)
{
    return WalkDoubleByte(text, length, window, [](unsigned char c) { return c >= 0x40 && c != 0xFF; });
}

bool IsBig5Text(const char* text, size_t length, size_t window)
{
    return WalkDoubleByte(text, length, window,
                          [](unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE); });
}

int32_t DetectEncoding(const char* text, size_t length, size_t window)
{
    if (IsUtf8Text(text, length, window))
        return content::encoding::UTF8;
    if (IsGbkText(text, length, window))
        return content::encoding::GBK;
    if (IsBig5Text(text, length, window))
        return content::encoding::BIG5;
    return content::encoding::UNKNOWN;
}

int32_t EncodingOfCharset(const std::string& name)
{
    static const struct {
        const char* name;
        int32_t encoding;
    } kCharsets[] = {
        {"utf8", content::encoding::UTF8},   {"utf-8", content::encoding::UTF8},  {"gb2312", content::encoding::GBK},
        {"gbk", content::encoding::GBK},     {"big5", content::encoding::BIG5},   {"big-5", content::encoding::BIG5},
        {"usc2", content::encoding::UCS2},   {"ucs-2", content::encoding::UCS2},
    };
    for (const auto& entry : kCharsets) {
        if (::strcasecmp(name.c_str(), entry.name) == 0)
            return entry.encoding;
    }
    return content::encoding::UNKNOWN;
}

bool ConvertToGbk(int32_t encoding, const char* text, size_t length, std::string& out)
{
    out.clear();
    switch (encoding) {
    case content::encoding::GBK:
        out.assign(text, length);
        return true;
    case content::encoding::UTF8:
        out = FromUtf8().convert(text, length);
        return true;
    case content::encoding::UCS2:
        out = FromUcs2().convert(text, length);
        return true;
    case content::encoding::BIG5:
        Big5ToGbk(text, length, out);
        return true;
    default:
        return false;
    }
}

void AppendCodePointInGbk(uint32_t codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
        return;
    }
    const char unit[4] = {static_cast<char>(codePoint & 0xFF), static_cast<char>((codePoint >> 8) & 0xFF),
                          static_cast<char>((codePoint >> 16) & 0xFF), 0};
    out += FromUtf32().convert(unit, 4);
}

void Utf8ToGbkInPlace(std::string& text)
{
    text = FromUtf8().convert(text);
}

bool IsValidUtf8(const char* text, size_t length)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        unsigned char c = p[i];
        size_t extra;
        uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= length)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if (!IsContinuation(p[i + k]))
                return false;
            code = code << 6 | (p[i + k] & 0x3F);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace cs::parse
