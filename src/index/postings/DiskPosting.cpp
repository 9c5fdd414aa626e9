#include "index/postings/DiskPosting.h"

#include <algorithm>

#include "utility/DocDeleted.h"
#include "utility/Error.h"

namespace cs::index {

namespace {

// Decodes a trailer read into memory, refusing to run past what was read.
class CTrailerDecoder {
public:
    CTrailerDecoder(const uint8_t* data, int64_t size) : m_data(data), m_size(size) {}

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

    bool vint(uint32_t& value)
    {
        uint64_t wide = 0;
        bool ok = vlong(wide);
        value = static_cast<uint32_t>(wide);
        return ok;
    }

private:
    const uint8_t* m_data;
    int64_t m_size;
    int64_t m_pos = 0;
};

// One raw read of the largest trailer, or of what is left of the file.
int64_t ReadTrailerBytes(store::CIndexInput* pInput, int64_t offset, uint8_t* bytes)
{
    int64_t count = std::min<int64_t>(CDiskPosting::MAX_TRAILER_BYTES, pInput->length() - offset);
    pInput->seek(offset);
    pInput->readBytes(bytes, count);
    return count;
}

} // namespace

CDiskPosting::CDiskPosting(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                           std::unique_ptr<CInputDescriptor> pOwnedDesc)
    : CPosting(pDocDeleted), m_pInputDesc(pInputDesc), m_pOwnedDesc(std::move(pOwnedDesc))
{
    CS_ASSERT_ARG(pInputDesc != NULL);
}

CDiskPosting::~CDiskPosting() = default;

void CDiskPosting::damaged(const char* extension, const char* what, int64_t offset) const
{
    CS_THROW("index file %s is damaged: %s at offset %lld", m_pInputDesc->fileName(extension).c_str(), what,
             static_cast<long long>(offset));
}

void CDiskPosting::open(int64_t offset)
{
    CS_ASSERT_ARG(offset > 0);
    store::CIndexInput* pDid = m_pInputDesc->getDdInput();
    if (offset >= pDid->length())
        damaged(".did", "posting trailer beyond the end of the file", offset);
    uint8_t bytes[MAX_TRAILER_BYTES];
    CTrailerDecoder trailer(bytes, ReadTrailerBytes(pDid, offset, bytes));
    uint64_t docListBytes = 0, totalTermFreq = 0, positionsOffset = 0, skipBytes = 0;
    uint32_t docFreq = 0, skipCount = 0, lastDoc = 0;
    if (!trailer.vlong(docListBytes) || !trailer.vint(docFreq) || !trailer.vlong(totalTermFreq) ||
        !trailer.vlong(positionsOffset) || !trailer.vint(skipCount) || !trailer.vlong(skipBytes) ||
        !trailer.vint(lastDoc))
        damaged(".did", "posting trailer cut short", offset);
    // Every document takes at least one byte of the list.
    if (docFreq == 0 || docFreq > INT32_MAX || docListBytes < docFreq ||
        docListBytes > static_cast<uint64_t>(offset) || lastDoc > INT32_MAX)
        damaged(".did", "posting trailer out of range", offset);

    m_trailerOffset = offset;
    m_docListBytes = static_cast<int64_t>(docListBytes);
    m_docFreq = static_cast<int32_t>(docFreq);
    m_totalTermFreq = static_cast<int64_t>(totalTermFreq);
    m_positionsOffset = static_cast<int64_t>(positionsOffset);
    m_lastDoc = static_cast<int32_t>(lastDoc);
    m_curDoc = 0;
    m_docsRead = 0;
    m_positionBytes = 0;
    pDid->seek(offset - m_docListBytes);
    openPositions(m_positionsOffset);
}

void CDiskPosting::openPositions(int64_t /*positionsOffset*/) {}

uint64_t CDiskPosting::trailerLength(store::CIndexInput* pInput, const char* extension, int64_t offset) const
{
    if (offset <= 0 || offset >= pInput->length())
        damaged(extension, "trailer beyond the end of the file", offset);
    uint8_t bytes[MAX_TRAILER_BYTES];
    CTrailerDecoder trailer(bytes, ReadTrailerBytes(pInput, offset, bytes));
    uint64_t length = 0;
    if (!trailer.vlong(length) || length > static_cast<uint64_t>(offset))
        damaged(extension, "trailer out of range", offset);
    return length;
}

void CDiskPosting::reset() { open(m_trailerOffset); }

bool CDiskPosting::nextDoc(int32_t& doc, int32_t& freq)
{
    if (m_docsRead >= m_docFreq)
        return false;
    store::CIndexInput* pDid = m_pInputDesc->getDdInput();
    uint32_t next = static_cast<uint32_t>(m_curDoc) + static_cast<uint32_t>(pDid->readVInt());
    freq = withFrequencies() ? pDid->readVInt() : 1;
    // Numbers rise from one document to the next and end at the trailer's last one.
    if ((m_docsRead > 0 && next <= static_cast<uint32_t>(m_curDoc)) || next > static_cast<uint32_t>(m_lastDoc) ||
        freq <= 0 || pDid->position() > m_trailerOffset)
        damaged(".did", "document list out of order or overrunning its trailer", m_trailerOffset);
    m_curDoc = static_cast<int32_t>(next);
    ++m_docsRead;
    doc = m_curDoc;
    return true;
}

int32_t CDiskPosting::nextDocs(int32_t* buffer, int32_t size)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr && size > 0, "buf != NULL && size > 0");
    int32_t half = size / 2;
    int32_t stored = 0;
    int32_t doc = 0, freq = 0;
    while (stored < half && nextDoc(doc, freq)) {
        if (m_pDocDeleted && m_pDocDeleted->isDeleted(doc))
            continue;
        buffer[stored] = doc;
        buffer[half + stored] = freq;
        ++stored;
    }
    return stored;
}

int64_t CDiskPosting::setBuffer(char* buffer, int64_t length, int32_t block)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr, "buf != NULL");
    CS_ASSERT_ARG(block > 0);
    if (length < block)
        return length;
    m_pInputDesc->getDdInput()->setBuffer(buffer, block);
    length -= block;
    if (length >= block && m_pInputDesc->getPdInput()) {
        m_pInputDesc->getPdInput()->setBuffer(buffer + block, block);
        length -= block;
    }
    return length;
}

} // namespace cs::index
