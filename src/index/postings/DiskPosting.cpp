#include "index/postings/DiskPosting.h"

#include "index/format/BarrelFiles.h"
#include "utility/DocDeleted.h"
#include "utility/Error.h"

namespace cs::index {

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
        damaged(format::DID, "posting trailer beyond the end of the file", offset);
    format::CPostingTrailer trailer;
    if (!trailer.read(*pDid, offset))
        damaged(format::DID, "posting trailer cut short", offset);
    // Every document takes at least one byte of the list.
    auto listBytes = static_cast<uint64_t>(trailer.docListBytes);
    if (trailer.docFreq <= 0 || listBytes < static_cast<uint64_t>(trailer.docFreq) ||
        listBytes > static_cast<uint64_t>(offset) || trailer.lastDoc < 0)
        damaged(format::DID, "posting trailer out of range", offset);

    m_trailerOffset = offset;
    m_trailer = trailer;
    m_curDoc = 0;
    m_docsRead = 0;
    m_positionBytes = 0;
    pDid->seek(offset - m_trailer.docListBytes);
    openPositions();
}

void CDiskPosting::openPositions() {}

void CDiskPosting::reset() { open(m_trailerOffset); }

bool CDiskPosting::nextDoc(int32_t& doc, int32_t& freq)
{
    if (m_docsRead >= m_trailer.docFreq)
        return false;
    store::CIndexInput* pDid = m_pInputDesc->getDdInput();
    uint32_t next = static_cast<uint32_t>(m_curDoc) + static_cast<uint32_t>(pDid->readVInt());
    freq = withFrequencies() ? pDid->readVInt() : 1;
    // Numbers rise from one document to the next and end at the trailer's last one.
    if ((m_docsRead > 0 && next <= static_cast<uint32_t>(m_curDoc)) || next > static_cast<uint32_t>(m_trailer.lastDoc) ||
        freq <= 0 || pDid->position() > m_trailerOffset)
        damaged(format::DID, "document list out of order or overrunning its trailer", m_trailerOffset);
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
