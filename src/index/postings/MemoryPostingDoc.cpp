#include "index/postings/MemoryPostingDoc.h"

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
    int64_t trailer = docs.position();
    docs.writeVLong(m_docList.length());
    docs.writeVInt(m_docFreq);
    docs.writeVLong(m_docFreq);
    docs.writeVLong(0);   // no positions
    // A one-entry skip table: one block over the whole list.
    docs.writeVInt(1);
    docs.writeVLong(m_docList.length());
    docs.writeVInt(m_lastDoc);
    return trailer;
}

} // namespace cs::index
