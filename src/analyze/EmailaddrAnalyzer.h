// Two terms per address: the CRC-32 of the local part and of the domain.
// Addresses are separated by white space, ";" or ","; a word without "@" is
// not an address and is passed over.
#pragma once

#include "analyze/Analyzer.h"

namespace cs::analyze {

class CEmailaddrAnalyzer : public CAnalyzer {
public:
    int analyze(const char* text, size_t length, CTokenListBase* basetokens) override;
};

} // namespace cs::analyze
