// The trailer that follows each term's document list in .did, and the one
// that follows its position list in .pid. The .tid entry of a term points at
// its .did trailer; the trailer gives the list's length (the list lies just
// before it) and, for a posting with positions, the .pid offset of the
// position trailer, which gives the position list's length the same way.
#pragma once

#include <cstdint>

namespace cs::store {
class CIndexInput;
class CIndexOutput;
}

namespace cs::index::format {

struct CPostingTrailer {
    // A document-only posting has no position trailer, and says so in two
    // ways. A flush writes 0, a merge all 64 bits set (-1, a ten-byte VLong).
    // Neither can be a real offset: a position trailer follows at least one
    // position byte. The two writers always differed; existing indexes carry
    // both values, so both are kept as they are and read alike.
    static constexpr int64_t NO_POSITIONS_FLUSHED = 0;
    static constexpr int64_t NO_POSITIONS_MERGED = -1;
    // Bytes of the largest trailer: VLong, VInt, VLong, VLong, VInt, VLong, VInt.
    static constexpr int32_t MAX_BYTES = 55;

    int64_t docListBytes = 0;
    int32_t docFreq = 0;
    int64_t totalTermFreq = 0;   // equals docFreq for a document-only posting
    int64_t positionsOffset = 0;
    // A one-entry skip table: one block over the whole list, ending at the
    // list's last document.
    int32_t skipCount = 1;
    int64_t skipBytes = 0;
    int32_t lastDoc = 0;

    // The trailer of a whole document list.
    static CPostingTrailer ofList(int64_t docListBytes, int32_t docFreq, int64_t totalTermFreq,
                                  int64_t positionsOffset, int32_t lastDoc);

    bool hasPositions() const
    {
        return positionsOffset != NO_POSITIONS_FLUSHED && positionsOffset != NO_POSITIONS_MERGED;
    }

    // Appends the trailer; returns its offset, the one the .tid entry records.
    int64_t write(store::CIndexOutput& did) const;
    // Decodes the trailer at `offset` of .did from one raw read of at most
    // MAX_BYTES (fewer at the end of the file); false when it is cut short.
    // The values are as read: the caller checks them.
    bool read(store::CIndexInput& did, int64_t offset);
    // The bytes the last read() decoded.
    int32_t encodedBytes() const { return m_encodedBytes; }

private:
    int32_t m_encodedBytes = 0;
};

// Appends the position trailer after a position list of `listBytes` bytes;
// returns its offset, the one the posting trailer records.
int64_t WritePositionTrailer(store::CIndexOutput& pid, int64_t listBytes);
// The list length of the position trailer at `offset` of .pid (one raw read,
// as above); false when it is cut short.
bool ReadPositionTrailer(store::CIndexInput& pid, int64_t offset, uint64_t& listBytes);

} // namespace cs::index::format
