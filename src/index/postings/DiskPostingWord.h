// A disk posting with frequencies and positions (text fields, crc fields of
// index way 0).
#pragma once

#include "index/postings/DiskPosting.h"

namespace cs::index {

class CDiskPostingWord : public CDiskPosting {
public:
    CDiskPostingWord(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                     std::unique_ptr<CInputDescriptor> pOwnedDesc = nullptr);

    // The next `count` positions of the current document, as positions (the
    // running sum since resetPositions()); only consumed when `values` is null.
    int32_t nextPositions(int32_t* values, int32_t count) override;
    void resetPositions() override { m_curPosition = 0; }
    CPosting* clone() const override;

protected:
    bool withFrequencies() const override { return true; }
    void openPositions() override;

private:
    int32_t m_curPosition = 0;
};

} // namespace cs::index
