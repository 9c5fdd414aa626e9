// An in-memory posting of document numbers only.
#pragma once

#include "index/postings/ChunkList.h"
#include "index/postings/MemoryPosting.h"

namespace cs::index {

class CMemoryPostingDoc : public CMemoryPosting {
public:
    explicit CMemoryPostingDoc(utility::CMemoryCache* pMemory) : CMemoryPosting(pMemory) {}

    // A document is recorded once, however often it is added in a row.
    void add(int32_t docid);

    void reset() override;
    CPosting* clone() const override { return new CMemoryPostingDoc(*this); }
    int32_t docFreq() const override { return m_docFreq; }
    int64_t totalTermFreq() const override { return m_docFreq; }
    bool hasData() const override { return m_docList.hasChunk(); }
    int64_t write(const COutputDescriptor& outputs) override;

    const CChunkList& docList() const { return m_docList; }
    int32_t lastDoc() const { return m_lastDoc; }

private:
    CMemoryPostingDoc(const CMemoryPostingDoc&) = default;

    CChunkList m_docList;
    int32_t m_docFreq = 0;
    int32_t m_lastDoc = -1;
};

inline void CMemoryPostingDoc::add(int32_t docid)
{
    if (docid == m_lastDoc)
        return;
    int32_t previous = m_lastDoc == -1 ? 0 : m_lastDoc;
    m_docList.appendVInt(static_cast<uint32_t>(docid - previous), *m_pMemory);
    ++m_docFreq;
    m_lastDoc = docid;
}

} // namespace cs::index
