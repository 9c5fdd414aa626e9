#include "index/merge/WordPostingMerger.h"

#include <typeinfo>

#include "index/postings/DiskPostingWord.h"
#include "utility/DocDeleted.h"
#include "utility/Error.h"

namespace cs::index {

CWordPostingMerger::CWordPostingMerger(const COutputDescriptor& outputs) : CPostingMerger(outputs)
{
    CS_ASSERT_ARG(m_pPdOutput);
}

void CWordPostingMerger::addPosting(int32_t shift, CPosting* pPosting)
{
    CS_ASSERT_ARG(pPosting);
    CS_ASSERT_TEXT(typeid(*pPosting) == typeid(CDiskPostingWord), "typeid(*pDiskPosting) == typeid(CDiskPostingWord)");
    auto* pDiskPosting = static_cast<CDiskPostingWord*>(pPosting);
    store::CIndexInput* pPid = pDiskPosting->getInputDescriptor()->getPdInput();
    if (beginPosting(pDiskPosting)) {
        copyDocList(shift, pDiskPosting);
        copyBytes(pPid, m_pPdOutput, pDiskPosting->getPositionBytes());
        return;
    }
    // Document by document: the positions of a deleted document are passed over.
    const utility::CDocDeleted* pDocDeleted = pDiskPosting->getDocDeleted();
    int32_t doc = 0, freq = 0;
    while (pDiskPosting->nextDoc(doc, freq)) {
        if (pDocDeleted->isDeleted(doc)) {
            pDiskPosting->nextPositions(nullptr, freq);
            continue;
        }
        m_pDdOutput->writeVInt(static_cast<int32_t>(delta(doc + shift)));
        m_pDdOutput->writeVInt(freq);
        for (int32_t i = 0; i < freq; ++i)
            m_pPdOutput->writeVInt(pPid->readVInt());
        m_lastDoc = doc + shift;
        ++m_docFreq;
        m_totalTermFreq += freq;
    }
}

format::CPostingTrailer CWordPostingMerger::finishPosting(int64_t docListBytes)
{
    int64_t positionTrailer =
        format::WritePositionTrailer(*m_pPdOutput, m_pPdOutput->position() - m_positionStart);
    return format::CPostingTrailer::ofList(docListBytes, m_docFreq, m_totalTermFreq, positionTrailer, m_lastDoc);
}

} // namespace cs::index
