// Decoding of one header field's value, chosen by the field's name. The base
// codec leaves the value as it is (after unfolding, which the header does).
#pragma once

#include <string>
#include <string_view>

namespace cs::parse {

class CFieldCodeBase {
public:
    virtual ~CFieldCodeBase() = default;

    // Decodes an unfolded value in place; `charset` receives the charset that
    // the value's first encoded word names (left empty when there is none).
    virtual void Decode(std::string& value, std::string& charset) const;

    // The codec of a field name (ASCII case ignored): text for "Subject",
    // "Comments", "Content-Description"; addresses for the originator and
    // destination fields; parameters for "Content-Type" and
    // "Content-Disposition"; the base codec for every other name.
    static const CFieldCodeBase& ForField(std::string_view name);
};

} // namespace cs::parse
