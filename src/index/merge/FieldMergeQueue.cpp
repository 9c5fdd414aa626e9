#include "index/merge/FieldMergeQueue.h"

#include <algorithm>

#include "utility/Error.h"

namespace cs::index {

namespace {

// Whether `a` comes after `b`: the standard heap keeps the greatest on top,
// so the order is turned around.
bool After(const CFieldMergeInfo* a, const CFieldMergeInfo* b)
{
    if (a->m_term != b->m_term)
        return a->m_term > b->m_term;
    return a->m_docStart > b->m_docStart;
}

} // namespace

CFieldMergeQueue::~CFieldMergeQueue()
{
    for (CFieldMergeInfo* pCursor : m_heap)
        delete pCursor;
}

void CFieldMergeQueue::put(CFieldMergeInfo* pCursor)
{
    CS_ASSERT_ARG_TEXT(pCursor != nullptr && pCursor->m_pCurTerm != nullptr, "pCursor && pCursor->m_pCurTerm");
    m_heap.push_back(pCursor);
    std::push_heap(m_heap.begin(), m_heap.end(), After);
}

CFieldMergeInfo* CFieldMergeQueue::pop()
{
    if (m_heap.empty())
        return nullptr;
    std::pop_heap(m_heap.begin(), m_heap.end(), After);
    CFieldMergeInfo* pLeast = m_heap.back();
    m_heap.pop_back();
    return pLeast;
}

} // namespace cs::index
