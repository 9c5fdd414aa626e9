// Character references of HTML text: named ones (the HTML 4 set, from the XML
// library's table) and numeric ones, decimal and hexadecimal.
#pragma once

#include <cstddef>
#include <string>

namespace cs::parse {

// Copies `length` bytes of GBK text to `out` with every character reference
// replaced by its character in GBK. A named reference needs its ";", a numeric
// one ends at its last digit (the ";" is taken when it follows). A character
// GBK lacks is dropped, as conversion drops it; U+00A0 becomes a space, as
// "&nbsp;" does. Anything else after "&" stays as it is.
void DecodeHtmlEntities(const char* text, size_t length, std::string& out);

} // namespace cs::parse
