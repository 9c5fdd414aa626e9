#include "index/format/PostingTrailer.h"

#include <algorithm>

#include "store/IndexInput.h"
#include "store/IndexOutput.h"

namespace cs::index::format {

namespace {

// Decodes VInts and VLongs from bytes read into memory, refusing to run past
// what was read.
class CDecoder {
public:
    CDecoder(const uint8_t* data, int64_t size) : m_data(data), m_size(size) {}

    bool vlong(uint64_t& value)
    {
        value = 0;
        for (uint32_t shift = 0; m_pos < m_size; shift += 7) {
            uint8_t b = m_data[m_pos++];
            value |= static_cast<uint64_t>(b & 0x7F) << (shift % 64);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    // A VInt read into an int32_t keeps the low 32 bits of what was decoded.
    template <class T>
    bool next(T& value)
    {
        uint64_t wide = 0;
        bool ok = vlong(wide);
        value = static_cast<T>(wide);
        return ok;
    }
    int64_t position() const { return m_pos; }

private:
    const uint8_t* m_data;
    int64_t m_size;
    int64_t m_pos = 0;
};

// One raw read of the largest trailer, or of what is left of the file.
int64_t ReadTrailerBytes(store::CIndexInput& input, int64_t offset, uint8_t* bytes)
{
    int64_t count = std::min<int64_t>(CPostingTrailer::MAX_BYTES, input.length() - offset);
    // The list before the trailer is read next: its buffer stays.
    input.readAt(offset, bytes, count);
    return count;
}

} // namespace

CPostingTrailer CPostingTrailer::ofList(int64_t docListBytes, int32_t docFreq, int64_t totalTermFreq,
                                        int64_t positionsOffset, int32_t lastDoc)
{
    CPostingTrailer trailer;
    trailer.docListBytes = docListBytes;
    trailer.docFreq = docFreq;
    trailer.totalTermFreq = totalTermFreq;
    trailer.positionsOffset = positionsOffset;
    trailer.skipBytes = docListBytes;
    trailer.lastDoc = lastDoc;
    return trailer;
}

int64_t CPostingTrailer::write(store::CIndexOutput& did) const
{
    int64_t offset = did.position();
    did.writeVLong(docListBytes);
    did.writeVInt(docFreq);
    did.writeVLong(totalTermFreq);
    did.writeVLong(positionsOffset);
    did.writeVInt(skipCount);
    did.writeVLong(skipBytes);
    did.writeVInt(lastDoc);
    return offset;
}

bool CPostingTrailer::read(store::CIndexInput& did, int64_t offset)
{
    uint8_t bytes[MAX_BYTES];
    CDecoder decoder(bytes, ReadTrailerBytes(did, offset, bytes));
    bool whole = decoder.next(docListBytes) && decoder.next(docFreq) && decoder.next(totalTermFreq) &&
                 decoder.next(positionsOffset) && decoder.next(skipCount) && decoder.next(skipBytes) &&
                 decoder.next(lastDoc);
    m_encodedBytes = static_cast<int32_t>(decoder.position());
    return whole;
}

int64_t WritePositionTrailer(store::CIndexOutput& pid, int64_t listBytes)
{
    int64_t offset = pid.position();
    pid.writeVLong(listBytes);
    return offset;
}

bool ReadPositionTrailer(store::CIndexInput& pid, int64_t offset, uint64_t& listBytes)
{
    uint8_t bytes[CPostingTrailer::MAX_BYTES];
    CDecoder decoder(bytes, ReadTrailerBytes(pid, offset, bytes));
    return decoder.vlong(listBytes);
}

} // namespace cs::index::format
