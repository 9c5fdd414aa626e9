// The cursors of a field merge by current term, then by the barrel's
// document start: the postings of one term come in ascending document order.
#pragma once

#include "index/merge/FieldMergeInfo.h"
#include "utility/PriorityQueue.h"

namespace cs::index {

class CFieldMergeQueue : public utility::CPriorityQueue<CFieldMergeInfo*> {
protected:
    bool lessThan(CFieldMergeInfo* a, CFieldMergeInfo* b) override;
};

} // namespace cs::index
