#include "analyze/DatetimeAnalyzer.h"

#include <string>

#include <boost/date_time/gregorian/gregorian.hpp>

#include "analyze/CharacterCode.h"
#include "utility/Error.h"

namespace cs::analyze {

wid_t CDatetimeAnalyzer::dayNumber(int year, int month, int day)
{
    // March is the first month of the computing year, so leap days come last.
    month -= 2;
    if (month <= 0) {
        month += 12;
        year -= 1;
    }
    return year / 4 - year / 100 + year / 400 + 367 * month / 12 + day + 365 * year - 719499;
}

int CDatetimeAnalyzer::analyze(const char* text, size_t length, CTokenListBase* basetokens)
{
    CTokenList<wid_t>& tokens = tokenListOf(basetokens);
    bool ret = length > 7;
    boost::gregorian::date date;
    if (ret) {
        const std::string value(text, length);
        try {
            date = IsAsciiDigit(static_cast<unsigned char>(value[4])) ? boost::gregorian::from_undelimited_string(value)
                                                                      : boost::gregorian::from_string(value);
        } catch (const std::exception&) {
            ret = false;   // a bad cast or a value out of range
        }
    }
    CS_ASSERT(ret);
    const auto ymd = date.year_month_day();
    tokens.push_back(dayNumber(ymd.year, ymd.month, ymd.day));
    return 1;
}

} // namespace cs::analyze
