// Walks the terms of one field of one barrel in ascending order (the whole
// dictionary or a slice of it) and hands out, for the current term, its disk
// posting.
#pragma once

#include <cstdint>
#include <memory>

#include "index/postings/DiskPosting.h"
#include "index/postings/InputDescriptor.h"
#include "index/terms/TermInfo.h"
#include "utility/Term.h"

namespace cs::index {

class CTermReaderImpl;

class CIndexTermIterator {
public:
    // Entries [first, last) of the reader's dictionary.
    CIndexTermIterator(const CTermReaderImpl* pTermReader, const CTermInfo* first, const CTermInfo* last);
    ~CIndexTermIterator();
    CIndexTermIterator(const CIndexTermIterator&) = delete;
    CIndexTermIterator& operator=(const CIndexTermIterator&) = delete;

    // False when every term has been visited.
    bool next();
    // The current term, null before the first next(). Every field kind's
    // terms are 32-bit numbers.
    const utility::CTermT<int32_t>* term() const { return m_pCurTerm.get(); }
    int32_t docFreq() const { return m_pCurEntry ? m_pCurEntry->m_docFreq : 0; }
    // The posting of the current term (null before the first next()), read
    // through inputs of the iterator's own; one posting serves every term.
    CDiskPosting* posting();
    // Lends read buffers to the posting, blocks of `block` bytes (see
    // CDiskPosting::setBuffer); the memory must outlive the iterator.
    // Returns the length not taken.
    int64_t setBuffer(char* buffer, int64_t length, int32_t block = store::CIndexInput::BUFFER_SIZE);

private:
    const CTermReaderImpl* m_pTermReader;
    const CTermInfo* m_pNextEntry;
    const CTermInfo* m_pEnd;
    std::unique_ptr<utility::CTermT<int32_t>> m_pCurTerm;
    const CTermInfo* m_pCurEntry = nullptr;
    std::unique_ptr<CDiskPosting> m_pPosting;
    std::unique_ptr<CInputDescriptor> m_pInputDesc;
    char* m_pBuffer = nullptr;
    int64_t m_bufferLength = 0;
    int32_t m_block = store::CIndexInput::BUFFER_SIZE;
};

} // namespace cs::index
