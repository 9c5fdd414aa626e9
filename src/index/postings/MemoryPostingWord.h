// An in-memory posting with positions: (document delta, frequency) pairs and
// the positions of each document.
#pragma once

#include "index/postings/ChunkList.h"
#include "index/postings/MemoryPosting.h"

namespace cs::index {

class CMemoryPostingWord : public CMemoryPosting {
public:
    explicit CMemoryPostingWord(utility::CMemoryCache* pMemory) : CMemoryPosting(pMemory) {}

    // Documents arrive in increasing order, positions in increasing order
    // within a document.
    void add(int32_t docid, int32_t position);
    // Asks the processor for this posting ahead of an add().
    void prefetch() const { __builtin_prefetch(this); }

    void reset() override;
    CPosting* clone() const override { return new CMemoryPostingWord(*this); }
    int32_t docFreq() const override { return m_docFreq; }
    int64_t totalTermFreq() const override { return m_totalTermFreq; }
    bool hasData() const override { return m_docList.hasChunk(); }
    int64_t write(const COutputDescriptor& outputs) override;

    const CChunkList& docList() const { return m_docList; }
    const CChunkList& positionList() const { return m_positionList; }
    int32_t lastDoc() const { return m_lastDoc; }

private:
    CMemoryPostingWord(const CMemoryPostingWord&) = default;

    CChunkList m_docList;
    CChunkList m_positionList;
    int32_t m_totalTermFreq = 0;   // over the finished documents
    int32_t m_docFreq = 0;
    int32_t m_curTermFreq = 0;     // in the current (last) document
    int32_t m_lastDoc = -1;
    int32_t m_lastPosition = 0;
};

inline void CMemoryPostingWord::add(int32_t docid, int32_t position)
{
    if (docid == m_lastDoc) {
        m_positionList.appendVInt(static_cast<uint32_t>(position - m_lastPosition), *m_pMemory);
        ++m_curTermFreq;
        m_lastPosition = position;
        return;
    }
    if (m_curTermFreq > 0)
        m_docList.appendVInt(static_cast<uint32_t>(m_curTermFreq), *m_pMemory);
    else if (m_lastDoc == -1)
        m_lastDoc = 0;
    m_docList.appendVInt(static_cast<uint32_t>(docid - m_lastDoc), *m_pMemory);
    m_positionList.appendVInt(static_cast<uint32_t>(position), *m_pMemory);
    m_totalTermFreq += m_curTermFreq;
    ++m_docFreq;
    m_lastDoc = docid;
    m_curTermFreq = 1;
    m_lastPosition = position;
}

} // namespace cs::index
