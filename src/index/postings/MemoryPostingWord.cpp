#include "index/postings/MemoryPostingWord.h"

#include "index/format/PostingTrailer.h"
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
    m_positionList.copyTo(positions);
    int64_t positionTrailer = format::WritePositionTrailer(positions, m_positionList.length());
    return format::CPostingTrailer::ofList(m_docList.length(), m_docFreq, m_totalTermFreq, positionTrailer, m_lastDoc)
        .write(docs);
}

} // namespace cs::index
