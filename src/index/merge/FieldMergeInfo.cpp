#include "index/merge/FieldMergeInfo.h"

#include "utility/Error.h"

namespace cs::index {

CFieldMergeInfo::CFieldMergeInfo(int32_t docStart, int32_t shift, std::unique_ptr<CIndexTermReader> pReader)
    : m_docStart(docStart), m_shift(shift), m_pIndexTermReader(std::move(pReader))
{
    CS_ASSERT_ARG(m_pIndexTermReader);
    m_pIterator.reset(m_pIndexTermReader->termIterator(nullptr));
    CS_ASSERT(m_pIterator);
}

CFieldMergeInfo::~CFieldMergeInfo()
{
    // The iterator reads the reader's dictionary: it goes first.
    m_pIterator.reset();
}

bool CFieldMergeInfo::next()
{
    m_pCurTerm = m_pIterator->next() ? m_pIterator->term() : nullptr;
    if (!m_pCurTerm)
        return false;
    m_term = m_pCurTerm->get();
    return true;
}

} // namespace cs::index
