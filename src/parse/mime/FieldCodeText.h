// Unstructured header text with RFC 2047 encoded words.
#pragma once

#include "parse/mime/FieldCodeBase.h"

namespace cs::parse {

class CFieldCodeText : public CFieldCodeBase {
public:
    // Each well-formed encoded word becomes the raw bytes of its charset; the
    // blanks between two adjacent encoded words are dropped (they only served
    // to fold the line); malformed words stay as written.
    void Decode(std::string& value, std::string& charset) const override;
};

} // namespace cs::parse
