// The posting of one term read back from a barrel's .did (and .pid): opened
// at the term's trailer offset, it decodes the document list (and positions)
// straight from the buffered inputs.
#pragma once

#include <cstdint>
#include <memory>

#include "index/format/PostingTrailer.h"
#include "index/postings/InputDescriptor.h"
#include "index/postings/Posting.h"

namespace cs::index {

class CDiskPosting : public CPosting {
public:
    ~CDiskPosting() override;

    // Documents not marked deleted in the barrel's bitmap, with frequencies.
    int32_t nextDocs(int32_t* buffer, int32_t size) override;
    void open(int64_t offset) override;
    // Opens again at the same offset: back to the first document.
    void reset() override;
    int32_t docFreq() const override { return m_trailer.docFreq; }
    int64_t totalTermFreq() const override { return m_trailer.totalTermFreq; }
    // The .did input reads through the first 4096 bytes, the .pid input
    // through the next 4096 when there are 8192 and position data.
    int64_t setBuffer(char* buffer, int64_t length) override
    {
        return setBuffer(buffer, length, store::CIndexInput::BUFFER_SIZE);
    }
    // The same with blocks of `block` bytes.
    int64_t setBuffer(char* buffer, int64_t length, int32_t block);

    // The next entry of the document list, deleted or not; false after the
    // last. Document postings give frequency 1. A reader of positions goes
    // this way, so that it can pass over the positions of deleted documents.
    bool nextDoc(int32_t& doc, int32_t& freq);

    // For copying the encoded lists as they are: after open() the .did input
    // stands at the document list and the .pid input at the positions.
    CInputDescriptor* getInputDescriptor() const { return m_pInputDesc; }
    int64_t getDocListBytes() const { return m_trailer.docListBytes; }
    int64_t getPositionBytes() const { return m_positionBytes; }
    int32_t getLastDoc() const { return m_trailer.lastDoc; }
    bool hasPositions() const { return m_positionBytes > 0; }
    // The trailer read by open(), and the .did offset just past it.
    const format::CPostingTrailer& getTrailer() const { return m_trailer; }
    int64_t getTrailerEnd() const { return m_trailerOffset + m_trailer.encodedBytes(); }

protected:
    // Reads through `pInputDesc`; `pOwnedDesc`, when given, is that same
    // descriptor, deleted with the posting (clones read on inputs of their own).
    CDiskPosting(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                 std::unique_ptr<CInputDescriptor> pOwnedDesc);

    // A posting of kind P on inputs of its own, opened where this one is.
    template <class P>
    CPosting* cloneAs() const
    {
        std::unique_ptr<CInputDescriptor> pDesc = m_pInputDesc->clonePostings();
        CInputDescriptor* pRaw = pDesc.get();
        auto pCopy = std::make_unique<P>(pRaw, m_pDocDeleted, std::move(pDesc));
        if (m_trailerOffset > 0)
            pCopy->open(m_trailerOffset);
        return pCopy.release();
    }

    virtual bool withFrequencies() const = 0;
    // Called at the end of open(), with the trailer decoded.
    virtual void openPositions();
    [[noreturn]] void damaged(const char* extension, const char* what, int64_t offset) const;

    CInputDescriptor* m_pInputDesc;
    std::unique_ptr<CInputDescriptor> m_pOwnedDesc;
    format::CPostingTrailer m_trailer;
    int64_t m_trailerOffset = 0;
    // Decoding state.
    int32_t m_curDoc = 0;
    int32_t m_docsRead = 0;
    int64_t m_positionBytes = 0;
};

} // namespace cs::index
