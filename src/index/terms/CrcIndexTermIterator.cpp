#include "index/terms/CrcIndexTermIterator.h"

namespace cs::index {

CCrcIndexTermIterator::CCrcIndexTermIterator(const CTermReaderImpl* pTermReader, const Dictionary& dictionary)
    : CIndexTermIterator(pTermReader), m_next(dictionary.begin()), m_end(dictionary.end())
{
}

const CTermInfo* CCrcIndexTermIterator::nextEntry() { return m_next != m_end ? &(m_next++)->second : nullptr; }

} // namespace cs::index
