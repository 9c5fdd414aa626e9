#include "index/postings/DiskPostingWord.h"

#include "index/format/BarrelFiles.h"
#include "utility/Error.h"

namespace cs::index {

CDiskPostingWord::CDiskPostingWord(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                                   std::unique_ptr<CInputDescriptor> pOwnedDesc)
    : CDiskPosting(pInputDesc, pDocDeleted, std::move(pOwnedDesc))
{
}

void CDiskPostingWord::openPositions()
{
    m_curPosition = 0;
    if (!m_trailer.hasPositions())
        return;
    int64_t offset = m_trailer.positionsOffset;
    store::CIndexInput* pPid = m_pInputDesc->getPdInput();
    if (!pPid)
        damaged(format::PID, "position data missing", offset);
    if (offset <= 0 || offset >= pPid->length())
        damaged(format::PID, "trailer beyond the end of the file", offset);
    uint64_t listBytes = 0;
    if (!format::ReadPositionTrailer(*pPid, offset, listBytes) || listBytes > static_cast<uint64_t>(offset))
        damaged(format::PID, "trailer out of range", offset);
    m_positionBytes = static_cast<int64_t>(listBytes);
    pPid->seek(offset - m_positionBytes);
}

int32_t CDiskPostingWord::nextPositions(int32_t* values, int32_t count)
{
    CS_ASSERT_ARG_TEXT(count > 0, "size > 0");
    if (m_positionBytes == 0)
        return 0;
    store::CIndexInput* pPid = m_pInputDesc->getPdInput();
    for (int32_t i = 0; i < count; ++i) {
        m_curPosition = static_cast<int32_t>(static_cast<uint32_t>(m_curPosition) +
                                             static_cast<uint32_t>(pPid->readVInt()));
        if (values)
            values[i] = m_curPosition;
    }
    if (pPid->position() > m_trailer.positionsOffset)
        damaged(format::PID, "positions overrunning their trailer", m_trailer.positionsOffset);
    return count;
}

CPosting* CDiskPostingWord::clone() const { return cloneAs<CDiskPostingWord>(); }

} // namespace cs::index
