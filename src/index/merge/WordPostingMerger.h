// Merges postings with frequencies and positions.
#pragma once

#include "index/merge/PostingMerger.h"

namespace cs::index {

class CWordPostingMerger : public CPostingMerger {
public:
    explicit CWordPostingMerger(const COutputDescriptor& outputs);

    void addPosting(int32_t shift, CPosting* pPosting) override;

protected:
    format::CPostingTrailer finishPosting(int64_t docListBytes) override;
};

} // namespace cs::index
