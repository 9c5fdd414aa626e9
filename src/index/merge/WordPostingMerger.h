// Merges postings with frequencies and positions.
#pragma once

#include "index/merge/PostingMerger.h"

namespace cs::index {

class CWordPostingMerger : public CPostingMerger {
public:
    explicit CWordPostingMerger(const COutputDescriptor& outputs);

    void addPosting(int32_t shift, CPosting* pPosting) override;
    int64_t endTerm() override;
};

} // namespace cs::index
