// Numbers in configuration texts are read the way a C++ stream reads them:
// leading white space is skipped, text after the number is ignored, and a text
// without a leading number does not parse. Unsigned targets take a negative
// number modulo 2^n, so a clamp "above N" also catches it.
#pragma once

#include <locale>
#include <sstream>
#include <string>

namespace cs::utility {

// True when `text` starts with a number that fits T; `value` is left alone
// otherwise.
template <typename T>
bool ParseConfigNumber(const std::string& text, T& value)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    T parsed{};
    if (!(in >> std::dec >> parsed))
        return false;
    value = parsed;
    return true;
}

} // namespace cs::utility
