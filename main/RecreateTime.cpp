#include "RecreateTime.h"

#include "config/ConfigNumber.h"
#include "config/GlobalConfig.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

int FieldOr(const std::string& text, int low, int high, int fallback)
{
    int value = fallback;
    if (!ParseConfigNumber(text, value) || value < low || value > high)
        return fallback;
    return value;
}

} // namespace

RecreateClock ParseAdjustTime(const std::string& text)
{
    RecreateClock clock;
    size_t first = text.find(':');
    size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        return clock;
    clock.hour = FieldOr(text.substr(0, first), 0, 23, 0);
    clock.minute = FieldOr(text.substr(first + 1, second - first - 1), 0, 59, 30);
    return clock;
}

bool IsRecreateTime(const std::tm& now)
{
    RecreateClock clock = ParseAdjustTime(g_pGlobalConfig->adjustTime());
    return static_cast<uint32_t>(now.tm_wday) == g_pGlobalConfig->weekday() && now.tm_hour == clock.hour;
}

bool IsRecreateTime() { return IsRecreateTime(LocalNow()); }

std::tm LocalNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace cs::driver
