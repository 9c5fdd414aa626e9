#include "index/postings/MemoryPostingDoc.h"

#include "index/format/PostingTrailer.h"
#include "store/IndexOutput.h"

namespace cs::index {

void CMemoryPostingDoc::reset()
{
    m_docList.reset();
    m_docFreq = 0;
    m_lastDoc = -1;
}

int64_t CMemoryPostingDoc::write(const COutputDescriptor& outputs)
{
    m_docList.closeTail();
    store::CIndexOutput& docs = *outputs.getDdWriter();
    m_docList.copyTo(docs);
    return format::CPostingTrailer::ofList(m_docList.length(), m_docFreq, m_docFreq,
                                           format::CPostingTrailer::NO_POSITIONS_FLUSHED, m_lastDoc)
        .write(docs);
}

} // namespace cs::index
