// One field's section of .tid: an entry per term in ascending term order,
// then the field trailer. An entry holds VInt(term - previous term, as 32-bit
// unsigned), VInt(document frequency) and VLong(.did trailer offset - previous
// offset), the previous values starting at 0; the trailer holds VLong(bytes
// of the entries) and VInt(number of entries). The field information records
// the trailer's offset; the entries lie just before it.
#pragma once

#include <cstdint>

#include "index/terms/TermInfo.h"

namespace cs::store {
class CIndexInput;
class CIndexOutput;
}

namespace cs::index::format {

struct CFieldTrailer {
    int64_t entryBytes = 0;
    int32_t termCount = 0;

    void write(store::CIndexOutput& tid) const;
    // Reads the trailer at the input's position.
    static CFieldTrailer read(store::CIndexInput& tid);
};

// Writes a section from the output's position on.
class CTermDictionaryWriter {
public:
    explicit CTermDictionaryWriter(store::CIndexOutput& tid);

    void add(int32_t term, int32_t docFreq, int64_t docPointer);
    // Writes the field trailer; returns its offset.
    int64_t finish();
    int32_t termCount() const { return m_termCount; }

private:
    store::CIndexOutput& m_tid;
    int64_t m_start;
    uint32_t m_prevTerm = 0;
    int64_t m_prevPointer = 0;
    int32_t m_termCount = 0;
};

// Reads the entries of a section one after another from the input's
// position (the caller seeks to the section's first entry).
class CTermDictionaryReader {
public:
    CTermInfo next(store::CIndexInput& tid);

private:
    uint32_t m_term = 0;
    uint64_t m_pointer = 0;
};

} // namespace cs::index::format
