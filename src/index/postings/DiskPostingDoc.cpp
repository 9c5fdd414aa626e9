#include "index/postings/DiskPostingDoc.h"

namespace cs::index {

CDiskPostingDoc::CDiskPostingDoc(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                                 std::unique_ptr<CInputDescriptor> pOwnedDesc)
    : CDiskPosting(pInputDesc, pDocDeleted, std::move(pOwnedDesc))
{
}

CPosting* CDiskPostingDoc::clone() const { return cloneAs<CDiskPostingDoc>(); }

} // namespace cs::index
