// Characters of the internal multibyte text as the dictionary sees them: a
// byte with the high bit set and the byte after it form one double-byte
// character; any other byte is one character, ASCII letters lower-cased.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cs::analyze {

inline bool IsLeadByte(unsigned char byte) { return (byte & 0x80) != 0; }
inline bool IsAsciiLetter(unsigned char byte) { return static_cast<unsigned char>((byte | 0x20) - 'a') < 26; }
inline bool IsAsciiDigit(unsigned char byte) { return static_cast<unsigned char>(byte - '0') < 10; }
inline uint32_t FoldAscii(unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte; }
inline uint32_t DoubleByteCode(const unsigned char* p) { return (uint32_t(p[0]) << 8) | p[1]; }

// The character at `pos`: sets its code and returns its size in bytes, or 0
// where the text ends: its end, a zero byte, or a lead byte whose second byte
// is missing or zero (nothing past the text is ever read).
inline size_t NextCode(const unsigned char* text, size_t length, size_t pos, uint32_t& code)
{
    if (pos >= length || text[pos] == 0)
        return 0;
    if (!IsLeadByte(text[pos])) {
        code = FoldAscii(text[pos]);
        return 1;
    }
    if (pos + 1 >= length || text[pos + 1] == 0)
        return 0;
    code = DoubleByteCode(text + pos);
    return 2;
}

} // namespace cs::analyze
