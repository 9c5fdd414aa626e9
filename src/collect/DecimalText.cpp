#include "collect/DecimalText.h"

namespace cs::collection {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

bool ParseDecimal(const std::string& text, uint32_t& value)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return false;
    uint64_t number = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + static_cast<uint64_t>(text[i] - '0');
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
