#include "index/terms/CrcIndexTermReaderImpl.h"

#include "index/fields/FieldInfo.h"

namespace cs::index {

bool CCrcIndexTermReaderImpl::positional() const { return getFieldInfo() && getFieldInfo()->getIndexWay() == 0; }

void CCrcIndexTermReaderImpl::keepDictionary(std::vector<CTermInfo>&& entries)
{
    m_map.clear();
    for (const CTermInfo& entry : entries)
        m_map.emplace_hint(m_map.end(), entry.m_term, entry);
}

const CTermInfo* CCrcIndexTermReaderImpl::findValue(int32_t value) const
{
    auto found = m_map.find(value);
    return found != m_map.end() ? &found->second : nullptr;
}

CIndexTermIterator* CCrcIndexTermReaderImpl::termIterator(const char* field)
{
    if (!sameField(field))
        return nullptr;
    return new CCrcIndexTermIterator(this, m_map);
}

} // namespace cs::index
