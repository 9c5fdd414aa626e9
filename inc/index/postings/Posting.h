// The posting of one term in one barrel: the documents that hold it and,
// where kept, the positions. In-memory postings are built while a barrel is
// filled; disk postings read a written barrel back.
#pragma once

#include <cstdint>

namespace cs::utility {
class CDocDeleted;
}

namespace cs::index {

class CPosting {
public:
    explicit CPosting(utility::CDocDeleted* pDocDeleted = nullptr) : m_pDocDeleted(pDocDeleted) {}
    virtual ~CPosting() = default;

    // Reading. A posting that cannot be read (one still being built in
    // memory) yields nothing: no documents, no positions.
    // The first size / 2 slots receive document numbers, the others their
    // frequencies; returns the number of documents stored.
    virtual int32_t nextDocs(int32_t* /*buffer*/, int32_t /*size*/) { return 0; }
    // The next `count` positions of the current document (consumed only when
    // `values` is null); returns how many were read.
    virtual int32_t nextPositions(int32_t* /*values*/, int32_t /*count*/) { return 0; }
    // Positions count from 0 again (at each new document).
    virtual void resetPositions() {}
    // Starts reading at the posting whose trailer is at `offset`.
    virtual void open(int64_t /*offset*/) {}

    // Back to the state it had when it was created.
    virtual void reset() = 0;
    // A copy that shares the encoded data.
    virtual CPosting* clone() const = 0;
    virtual int32_t docFreq() const = 0;
    virtual int64_t totalTermFreq() const = 0;

    // Reads through the caller's memory from now on; returns the length not used.
    virtual int64_t setBuffer(char* /*buffer*/, int64_t length) { return length; }

    utility::CDocDeleted* getDocDeleted() const { return m_pDocDeleted; }

protected:
    CPosting(const CPosting&) = default;
    CPosting& operator=(const CPosting&) = default;

    utility::CDocDeleted* m_pDocDeleted;   // of the barrel; not owned
};

} // namespace cs::index
