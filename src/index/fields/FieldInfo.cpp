#include "index/fields/FieldInfo.h"

namespace cs::index {

void CFieldInfo::resetStatistics()
{
    m_totalTerms = 0;
    m_distinctTerms = 0;
    m_termDictTrailer = -1;
    m_termDictBytes = 0;
    m_docPostingBytes = 0;
    m_posPostingBytes = 0;
}

void CFieldInfo::copyFrom(const CFieldInfo& other)
{
    std::string name = m_name;
    *this = other;
    m_name = name;
}

} // namespace cs::index
