#include "index/postings/MemoryPostingWord.h"

#include "store/IndexOutput.h"

namespace cs::index {

void CMemoryPostingWord::reset()
{
    m_docList.reset();
    m_positionList.reset();
    m_totalTermFreq = 0;
    m_docFreq = 0;
    m_curTermFreq = 0;
    m_lastDoc = -1;
    m_lastPosition = 0;
}

int64_t CMemoryPostingWord::write(const COutputDescriptor& outputs)
{
    // The last document's frequency closes its pair.
    if (m_curTermFreq > 0) {
        m_docList.appendVInt(static_cast<uint32_t>(m_curTermFreq), *m_pMemory);
        m_totalTermFreq += m_curTermFreq;
        m_curTermFreq = 0;
    }
    m_docList.closeTail();
    m_positionList.closeTail();

    store::CIndexOutput& docs = *outputs.getDdWriter();
    store::CIndexOutput& positions = *outputs.getPdWriter();
    m_docList.copyTo(docs);
    int64_t trailer = docs.position();
    m_positionList.copyTo(positions);
    int64_t positionTrailer = positions.position();
    positions.writeVLong(m_positionList.length());

    docs.writeVLong(m_docList.length());
    docs.writeVInt(m_docFreq);
    docs.writeVLong(m_totalTermFreq);
    docs.writeVLong(positionTrailer);
    // A one-entry skip table: one block over the whole list.
    docs.writeVInt(1);
    docs.writeVLong(m_docList.length());
    docs.writeVInt(m_lastDoc);
    return trailer;
}

} // namespace cs::index
