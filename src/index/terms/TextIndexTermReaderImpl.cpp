#include "index/terms/TextIndexTermReaderImpl.h"

#include "index/terms/TextIndexTermIterator.h"

namespace cs::index {

CIndexTermIterator* CTextIndexTermReaderImpl::termIterator(const char* field)
{
    if (!sameField(field))
        return nullptr;
    return new CTextIndexTermIterator(this, m_dictionary.data(), m_dictionary.data() + m_dictionary.size());
}

} // namespace cs::index
