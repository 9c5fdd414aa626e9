// Base64 decoding (RFC 2045), lenient the way mail needs it.
#pragma once

#include "parse/mime/MimeCodeBase.h"

namespace cs::parse {

class CMimeCodeBase64 : public CMimeCodeBase {
public:
    // Characters outside the alphabet (line ends, blanks, junk) are skipped.
    // "=" closes a group, so blocks that were encoded apart and joined still
    // decode; a group cut short yields the whole bytes it holds.
    void Decode(const char* begin, const char* end, std::string& out) const override;
};

} // namespace cs::parse
