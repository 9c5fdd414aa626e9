// Merges postings of document numbers only.
#pragma once

#include "index/merge/PostingMerger.h"

namespace cs::index {

class CDocPostingMerger : public CPostingMerger {
public:
    explicit CDocPostingMerger(const COutputDescriptor& outputs);

    void addPosting(int32_t shift, CPosting* pPosting) override;

protected:
    // The trailer of a merged document posting says NO_POSITIONS_MERGED.
    format::CPostingTrailer finishPosting(int64_t docListBytes) override;
};

} // namespace cs::index
