#include "analyze/Analyzer.h"

#include "utility/Error.h"

namespace cs::analyze {

CTokenList<wid_t>& CAnalyzer::tokenListOf(CTokenListBase* basetokens)
{
    auto* pTokens = dynamic_cast<CTokenList<wid_t>*>(basetokens);
    CS_ASSERT_ARG_TEXT(pTokens != nullptr, "dynamic_cast<CTokenList<wid_t> *>(basetokens) != NULL");
    return *pTokens;
}

} // namespace cs::analyze
