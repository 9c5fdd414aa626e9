// A posting being built in memory: its streams live in chunks of the memory
// cache, so adding to it allocates nothing from the heap.
#pragma once

#include <cstdint>

#include "index/postings/OutputDescriptor.h"
#include "index/postings/Posting.h"
#include "utility/MemoryCache.h"

namespace cs::index {

class CMemoryPosting : public CPosting {
public:
    // "pMemory" is required.
    explicit CMemoryPosting(utility::CMemoryCache* pMemory);

    // True once a document was added.
    virtual bool hasData() const = 0;
    // Appends the encoded documents and their trailer to the .did output (and
    // the positions to .pid); returns the .did offset of the trailer.
    virtual int64_t write(const COutputDescriptor& outputs) = 0;

protected:
    CMemoryPosting(const CMemoryPosting&) = default;
    CMemoryPosting& operator=(const CMemoryPosting&) = default;

    utility::CMemoryCache* m_pMemory;   // not owned
};

} // namespace cs::index
