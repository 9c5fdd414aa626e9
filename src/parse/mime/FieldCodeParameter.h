// Fields made of a value followed by parameters ("Content-Type",
// "Content-Disposition"): `text/plain; charset="gbk"`.
#pragma once

#include <string>
#include <string_view>

#include "parse/mime/FieldCodeBase.h"

namespace cs::parse {

class CFieldCodeParameter : public CFieldCodeBase {
public:
    // The value is kept whole; parameters are read from it on demand.

    // Finds the parameter `name` (ASCII case ignored) in a field value and
    // stores its value in `value`, without quotes when it was quoted and
    // without surrounding blanks. Returns false when there is no such
    // parameter. "charset*" (an RFC 2231 form) is not "charset".
    static bool FindParameter(std::string_view fieldValue, std::string_view name, std::string& value);
};

} // namespace cs::parse
