#include "index/merge/DocPostingMerger.h"

#include <algorithm>
#include <cstdint>
#include <typeinfo>

#include "index/postings/DiskPostingDoc.h"
#include "utility/Error.h"

namespace cs::index {

CDocPostingMerger::CDocPostingMerger(const COutputDescriptor& outputs) : CPostingMerger(outputs) {}

void CDocPostingMerger::addPosting(int32_t shift, CPosting* pPosting)
{
    CS_ASSERT_ARG(pPosting);
    CS_ASSERT_TEXT(typeid(*pPosting) == typeid(CDiskPostingDoc), "typeid(*pPosting) == typeid(CDiskPostingDoc)");
    auto* pDiskPosting = static_cast<CDiskPostingDoc*>(pPosting);
    if (beginPosting(pDiskPosting)) {
        copyDocList(shift, pDiskPosting);
        return;
    }
    // The posting passes over deleted documents itself; decode in batches,
    // in the lent memory when there is some.
    int32_t local[256];
    int32_t* batch = local;
    int32_t size = 256;
    if (m_bufferSize >= static_cast<int64_t>(sizeof(local)) + 4) {
        char* aligned = m_pBuffer + (-reinterpret_cast<uintptr_t>(m_pBuffer) & 3);
        batch = reinterpret_cast<int32_t*>(aligned);
        int64_t slots = (m_bufferSize - (aligned - m_pBuffer)) / static_cast<int64_t>(sizeof(int32_t));
        size = static_cast<int32_t>(std::min<int64_t>(slots, 1 << 24) & ~int64_t(1));
    }
    for (int32_t count; (count = pDiskPosting->nextDocs(batch, size)) > 0;) {
        for (int32_t i = 0; i < count; ++i) {
            m_pDdOutput->writeVInt(static_cast<int32_t>(delta(batch[i] + shift)));
            m_lastDoc = batch[i] + shift;
        }
        m_docFreq += count;
        m_totalTermFreq += count;
    }
}

format::CPostingTrailer CDocPostingMerger::finishPosting(int64_t docListBytes)
{
    return format::CPostingTrailer::ofList(docListBytes, m_docFreq, m_docFreq,
                                           format::CPostingTrailer::NO_POSITIONS_MERGED, m_lastDoc);
}

} // namespace cs::index
