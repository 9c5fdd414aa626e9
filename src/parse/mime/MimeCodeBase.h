// Content-transfer decoding of a MIME body. The base codec takes the bytes as
// they are ("7bit", "8bit", "binary" and every encoding it does not know).
#pragma once

#include <string>
#include <string_view>

namespace cs::parse {

class CMimeCodeBase {
public:
    virtual ~CMimeCodeBase() = default;

    // Appends the decoded form of [begin, end) to `out`. Never reads outside
    // the range and never fails: undecodable input is skipped or kept literally.
    virtual void Decode(const char* begin, const char* end, std::string& out) const;

    // The codec of a Content-Transfer-Encoding value (ASCII case ignored,
    // surrounding blanks allowed). The codecs are stateless and shared.
    static const CMimeCodeBase& ForEncoding(std::string_view encoding);
};

} // namespace cs::parse
