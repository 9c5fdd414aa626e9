// One RFC 2047 encoded word, "=?charset?B?text?=" or "=?charset?Q?text?=",
// decoded to the raw bytes of its charset.
#pragma once

#include <string>

namespace cs::parse {

class CMimeEncodedWord {
public:
    // Decodes the encoded word that starts at `begin` and returns the position
    // after its "?=", or nullptr when [begin, end) does not start with a
    // well-formed word (the caller then keeps the text as it stands). An
    // RFC 2231 language suffix ("utf-8*zh") is not part of the charset.
    const char* Parse(const char* begin, const char* end);

    const std::string& GetCharset() const { return m_charset; }
    const std::string& GetBytes() const { return m_bytes; }

private:
    std::string m_charset;
    std::string m_bytes;
};

} // namespace cs::parse
