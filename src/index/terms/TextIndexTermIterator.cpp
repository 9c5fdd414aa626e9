#include "index/terms/TextIndexTermIterator.h"

namespace cs::index {

CTextIndexTermIterator::CTextIndexTermIterator(const CTermReaderImpl* pTermReader, const CTermInfo* first,
                                               const CTermInfo* last)
    : CIndexTermIterator(pTermReader), m_pNextEntry(first), m_pEnd(last)
{
}

const CTermInfo* CTextIndexTermIterator::nextEntry() { return m_pNextEntry < m_pEnd ? m_pNextEntry++ : nullptr; }

} // namespace cs::index
