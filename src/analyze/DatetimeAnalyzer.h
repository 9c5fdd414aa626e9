// One term for a date: its day number counted from 1970-01-01 (earlier dates
// are negative). "20080229" and "2008-02-29" (or "2008/02/29", ...) are read;
// anything after the date is ignored.
#pragma once

#include "analyze/Analyzer.h"

namespace cs::analyze {

class CDatetimeAnalyzer : public CAnalyzer {
public:
    int analyze(const char* text, size_t length, CTokenListBase* basetokens) override;

    // The day number of a calendar date.
    static wid_t dayNumber(int year, int month, int day);
};

} // namespace cs::analyze
