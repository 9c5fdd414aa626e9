#include "analyze/TypeAnalyzer.h"

#include "utility/Error.h"

namespace cs::analyze {

CTypeAnalyzer::CTypeAnalyzer()
    : m_typemap{{"web", 0}, {"chat", 1}, {"httpup", 2}, {"search", 3}, {"mail", 4}}
{
}

int CTypeAnalyzer::analyze(const char* text, size_t length, CTokenListBase* basetokens)
{
    CTokenList<wid_t>& tokens = tokenListOf(basetokens);
    auto it = m_typemap.find(std::string(text, length));
    CS_ASSERT(it != m_typemap.end());
    tokens.push_back(it->second);
    return 1;
}

} // namespace cs::analyze
