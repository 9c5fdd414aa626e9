// One term for the whole text: its CRC-32, case and blanks significant.
#pragma once

#include "analyze/Analyzer.h"

namespace cs::analyze {

class CCrcAnalyzer : public CAnalyzer {
public:
    int analyze(const char* text, size_t length, CTokenListBase* basetokens) override;
};

} // namespace cs::analyze
