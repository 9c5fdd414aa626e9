// Address lists ("From", "To", "Cc", ...): display names may be quoted strings
// and may carry RFC 2047 encoded words.
#pragma once

#include "parse/mime/FieldCodeText.h"

namespace cs::parse {

class CFieldCodeAddress : public CFieldCodeText {
public:
    // Quoted strings lose their quotes and backslash escapes, so a quoted
    // display name reads as plain words; then encoded words are decoded.
    void Decode(std::string& value, std::string& charset) const override;
};

} // namespace cs::parse
