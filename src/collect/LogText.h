// Values of the activity database in log lines. A log line has a fixed
// limit, and reaching it ends the process; a row of the capture component
// must not be able to do that (it would end every later run at the same row).
#pragma once

#include <cstddef>
#include <string>

namespace cs::collection {

inline constexpr size_t kLogValueLimit = 512;

// `text`, or its first kLogValueLimit bytes and "...".
inline std::string LogText(const std::string& text)
{
    return text.size() <= kLogValueLimit ? text : text.substr(0, kLogValueLimit) + "...";
}

} // namespace cs::collection
