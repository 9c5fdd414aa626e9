// Documents of a term with the positions of the term in each: read document
// by document, so that the positions of deleted documents can be passed over.
#pragma once

#include <vector>

#include "index/postings/DocPostingBase.h"

namespace cs::index {

class CDocPosPosting : public CDocPostingBase {
public:
    // `pPosting` must keep positions.
    explicit CDocPosPosting(std::unique_ptr<CDiskPosting> pPosting);

    bool next() override;
    int32_t doc() const override;
    int32_t freq() const override;
    // Copies the freq() positions of the current document, ascending, into pos_list.
    void positions(int32_t* pos_list);

private:
    void readPositions();

    int32_t m_doc = 0;
    int32_t m_freq = 0;
    bool m_positionsRead = true;
    std::vector<int32_t> m_positions;
};

} // namespace cs::index
