#include "analyze/CrcAnalyzer.h"

#include "analyze/Crc32.h"

namespace cs::analyze {

int CCrcAnalyzer::analyze(const char* text, size_t length, CTokenListBase* basetokens)
{
    tokenListOf(basetokens).push_back(Crc32Term(text, length));
    return 1;
}

} // namespace cs::analyze
