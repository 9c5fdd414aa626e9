// A disk posting of document numbers only (date fields, crc fields of index way 1).
#pragma once

#include "index/postings/DiskPosting.h"

namespace cs::index {

class CDiskPostingDoc : public CDiskPosting {
public:
    CDiskPostingDoc(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                    std::unique_ptr<CInputDescriptor> pOwnedDesc = nullptr);

    CPosting* clone() const override;

protected:
    bool withFrequencies() const override { return false; }
};

} // namespace cs::index
