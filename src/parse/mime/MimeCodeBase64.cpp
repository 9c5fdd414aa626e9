#include "parse/mime/MimeCodeBase64.h"

#include <array>
#include <cstdint>

namespace cs::parse {

namespace {

// Value of each byte in the base64 alphabet, -1 outside it.
constexpr std::array<int8_t, 256> MakeAlphabet()
{
    std::array<int8_t, 256> table{};
    for (auto& value : table)
        value = -1;
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(letters[i])] = static_cast<int8_t>(i);
    return table;
}

constexpr std::array<int8_t, 256> kAlphabet = MakeAlphabet();

// Emits the whole bytes of a group of `count` sextets (2 give 1 byte, 3 give 2).
void FlushGroup(uint32_t group, int count, std::string& out)
{
    if (count == 2) {
        out += static_cast<char>(group >> 4);
    } else if (count == 3) {
        out += static_cast<char>(group >> 10);
        out += static_cast<char>(group >> 2);
    }
}

} // namespace

void CMimeCodeBase64::Decode(const char* begin, const char* end, std::string& out) const
{
    out.reserve(out.size() + static_cast<size_t>(end - begin) / 4 * 3 + 3);
    uint32_t group = 0;
    int count = 0;
    for (const char* p = begin; p < end; ++p) {
        int value = kAlphabet[static_cast<unsigned char>(*p)];
        if (value >= 0) {
            group = (group << 6) | static_cast<uint32_t>(value);
            if (++count == 4) {
                out += static_cast<char>(group >> 16);
                out += static_cast<char>(group >> 8);
                out += static_cast<char>(group);
                group = 0;
                count = 0;
            }
        } else if (*p == '=') {
            FlushGroup(group, count, out);
            group = 0;
            count = 0;
        }
    }
    FlushGroup(group, count, out);
}

} // namespace cs::parse
