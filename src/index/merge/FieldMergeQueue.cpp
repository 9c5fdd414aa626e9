#include "index/merge/FieldMergeQueue.h"

#include "utility/Error.h"

namespace cs::index {

bool CFieldMergeQueue::lessThan(CFieldMergeInfo* a, CFieldMergeInfo* b)
{
    CS_ASSERT(a->m_pCurTerm && b->m_pCurTerm);
    // The terms' values, as CTerm::compare orders them, without a virtual call per step.
    int32_t termA = a->m_pCurTerm->get(), termB = b->m_pCurTerm->get();
    if (termA != termB)
        return termA < termB;
    return a->m_docStart < b->m_docStart;
}

} // namespace cs::index
