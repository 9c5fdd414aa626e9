// The configured rebuild time: /config/index/weekday and the hour of
// /config/index/adjusttime.
#pragma once

#include <ctime>
#include <string>

namespace cs::driver {

struct RecreateClock {
    int hour = 0;
    int minute = 30;   // read, but takes no part in the test
};

// "hh:mm:ss": an hour outside 0-23 is 0, a minute outside 0-59 is 30; a text
// without both colons is 0:30.
RecreateClock ParseAdjustTime(const std::string& text);

// True when the local weekday and hour of `now` are the configured ones.
bool IsRecreateTime(const std::tm& now);
bool IsRecreateTime();

std::tm LocalNow();

} // namespace cs::driver
