// The cursors of a field merge, least first: by current term, then by the
// barrel's document start, so that the postings of one term come in
// ascending document order. The queue owns the cursors it holds. A heap of
// its own rather than the general priority queue: a merge compares cursors
// more often than it does anything else, and here a comparison is two loads
// and no call.
#pragma once

#include <cstddef>
#include <vector>

#include "index/merge/FieldMergeInfo.h"

namespace cs::index {

class CFieldMergeQueue {
public:
    CFieldMergeQueue() = default;
    ~CFieldMergeQueue();
    CFieldMergeQueue(const CFieldMergeQueue&) = delete;
    CFieldMergeQueue& operator=(const CFieldMergeQueue&) = delete;

    // Room for `count` cursors: put() then never allocates.
    void reserve(size_t count) { m_heap.reserve(count); }
    // Takes the cursor, which has a current term.
    void put(CFieldMergeInfo* pCursor);
    // The least cursor, handed back to the caller; null when the queue is empty.
    CFieldMergeInfo* pop();
    CFieldMergeInfo* top() const { return m_heap.empty() ? nullptr : m_heap.front(); }
    int size() const { return static_cast<int>(m_heap.size()); }

private:
    std::vector<CFieldMergeInfo*> m_heap;
};

} // namespace cs::index
