// Strict reading of the unsigned decimal numbers kept in the state files, the
// global configuration and the rows of the activity database.
#pragma once

#include <cstdint>
#include <string>

namespace cs::collection {

// True when `text`, blanks around it aside, is a decimal number that fits
// 32 bits unsigned; `value` is left alone otherwise.
bool ParseDecimal(const std::string& text, uint32_t& value);

// The number of a database column; 0 for NULL, empty or unreadable text (the
// capture component leaves such columns now and then).
uint32_t ColumnNumber(const std::string& text);

} // namespace cs::collection
