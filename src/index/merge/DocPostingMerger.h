// Merges postings of document numbers only.
#pragma once

#include "index/merge/PostingMerger.h"

namespace cs::index {

class CDocPostingMerger : public CPostingMerger {
public:
    explicit CDocPostingMerger(const COutputDescriptor& outputs);

    void addPosting(int32_t shift, CPosting* pPosting) override;
    // The trailer of a merged document posting points at no position data (-1).
    int64_t endTerm() override;
};

} // namespace cs::index
