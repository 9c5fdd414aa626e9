// Appends the postings of one term from several barrels, in ascending
// document-start order, as one posting of the merged barrel: document numbers
// move into the new barrel's number space, deleted documents are dropped
// from barrels merged with recycling.
#pragma once

#include <cstdint>
#include <map>

#include "index/format/PostingTrailer.h"
#include "index/postings/OutputDescriptor.h"

namespace cs::utility {
class CDocDeleted;
}

namespace cs::index {

class CPosting;
class CDiskPosting;

class CPostingMerger {
public:
    virtual ~CPostingMerger();
    CPostingMerger(const CPostingMerger&) = delete;
    CPostingMerger& operator=(const CPostingMerger&) = delete;

    // The posting's documents become documents d + shift of the new barrel.
    virtual void addPosting(int32_t shift, CPosting* pPosting) = 0;
    // Writes the merged posting's trailer; returns its .did offset, or -1
    // when every document of the term was deleted (nothing is written then).
    int64_t endTerm();

    // Memory left over by the field merge, usable while merging (null: none).
    void setBuffer(char* buffer, int64_t size);
    int32_t getDocFreq() const { return m_docFreq; }

protected:
    explicit CPostingMerger(const COutputDescriptor& outputs);

    // Starts the term at its first posting; true when the posting can be
    // appended as it is, false when some of its documents are deleted.
    bool beginPosting(CDiskPosting* pPosting);
    // The delta of document `doc` (new numbering) from the last one written.
    uint32_t delta(int32_t doc) const { return static_cast<uint32_t>(doc) - static_cast<uint32_t>(m_lastDoc); }
    // Appends the document list of a posting without deletions: only its first delta changes.
    void copyDocList(int32_t shift, CDiskPosting* pPosting);
    // Appends `length` encoded bytes from the input's position.
    static void copyBytes(store::CIndexInput* pInput, store::CIndexOutput* pOutput, int64_t length);
    // The trailer of the term's merged list of `docListBytes` bytes, after
    // whatever has to precede it (the position trailer).
    virtual format::CPostingTrailer finishPosting(int64_t docListBytes) = 0;

    store::CIndexOutput* m_pDdOutput;
    store::CIndexOutput* m_pPdOutput;
    char* m_pBuffer = nullptr;
    int64_t m_bufferSize = 0;
    bool m_first = true;
    int64_t m_docListStart = 0;
    int32_t m_docFreq = 0;
    int64_t m_totalTermFreq = 0;
    int64_t m_positionStart = 0;
    int32_t m_lastDoc = 0;

private:
    // The first deleted document of each barrel's bitmap (INT32_MAX: none), found once.
    int32_t firstDeleted(const utility::CDocDeleted* pDocDeleted);

    std::map<const utility::CDocDeleted*, int32_t> m_firstDeleted;
};

} // namespace cs::index
