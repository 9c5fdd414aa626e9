// One term for a record-type word: web 0, chat 1, httpup 2, search 3, mail 4.
#pragma once

#include <map>
#include <string>

#include "analyze/Analyzer.h"

namespace cs::analyze {

class CTypeAnalyzer : public CAnalyzer {
public:
    CTypeAnalyzer();

    // Any other word (case counts) is a programming error.
    int analyze(const char* text, size_t length, CTokenListBase* basetokens) override;

private:
    std::map<std::string, wid_t> m_typemap;
};

} // namespace cs::analyze
