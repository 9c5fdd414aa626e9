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

int64_t CWordPostingMerger::endTerm()
{
    int64_t docListBytes = finishTerm();
    if (m_docFreq == 0)
        return -1;
    int64_t positionBytes = m_pPdOutput->position() - m_positionStart;
    m_positionsOffset = m_pPdOutput->position();
    m_pPdOutput->writeVLong(positionBytes);
    int64_t trailer = m_pDdOutput->position();
    m_pDdOutput->writeVLong(docListBytes);
    m_pDdOutput->writeVInt(m_docFreq);
    m_pDdOutput->writeVLong(m_totalTermFreq);
    m_pDdOutput->writeVLong(m_positionsOffset);
    m_pDdOutput->writeVInt(1);
    m_pDdOutput->writeVLong(docListBytes);
    m_pDdOutput->writeVInt(m_lastDoc);
    return trailer;
}

} // namespace cs::index
