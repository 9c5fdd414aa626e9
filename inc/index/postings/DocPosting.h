// Documents and frequencies of a term, decoded in batches.
#pragma once

#include "index/postings/DocPostingBase.h"

namespace cs::index {

class CDocPosting : public CDocPostingBase {
public:
    explicit CDocPosting(std::unique_ptr<CDiskPosting> pPosting);

    bool next() override;
    int32_t doc() const override;
    int32_t freq() const override;

private:
    static constexpr int32_t BATCH = 128;

    int32_t m_buffer[2 * BATCH];   // documents, then their frequencies
    int32_t m_bufpos = 0;
    int32_t m_bufcnt = 0;
};

} // namespace cs::index
