#include "index/FieldMergeQueue.h"

#include "utility/Error.h"

namespace cs::index {

bool CFieldMergeQueue::lessThan(CFieldMergeInfo* a, CFieldMergeInfo* b)
{
    CS_ASSERT(a->m_pCurTerm && b->m_pCurTerm);
    int order = a->m_pCurTerm->compare(*b->m_pCurTerm);
    if (order != 0)
        return order < 0;
    return a->m_docStart < b->m_docStart;
}

} // namespace cs::index
