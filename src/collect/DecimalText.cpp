#include "collect/DecimalText.h"

#include "utility/Blanks.h"

namespace cs::collection {

bool ParseDecimal(const std::string& text, uint32_t& value)
{
    std::string_view digits = utility::TrimBlanks(text);
    if (digits.empty())
        return false;
    uint64_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
        if (number > UINT32_MAX)
            return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

uint32_t ColumnNumber(const std::string& text)
{
    uint32_t value = 0;
    if (ParseDecimal(text, value))
        return value;
    // A signed column holds the bit pattern of a CRC above 2^31 as a negative number.
    if (!text.empty() && text[0] == '-' && ParseDecimal(text.substr(1), value))
        return static_cast<uint32_t>(0u - value);
    return 0;
}

} // namespace cs::collection
