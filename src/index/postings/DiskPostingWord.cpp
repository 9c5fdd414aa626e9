#include "index/postings/DiskPostingWord.h"

#include "utility/Error.h"

namespace cs::index {

CDiskPostingWord::CDiskPostingWord(CInputDescriptor* pInputDesc, utility::CDocDeleted* pDocDeleted,
                                   std::unique_ptr<CInputDescriptor> pOwnedDesc)
    : CDiskPosting(pInputDesc, pDocDeleted, std::move(pOwnedDesc))
{
}

void CDiskPostingWord::openPositions(int64_t positionsOffset)
{
    m_curPosition = 0;
    // A merged document posting says "no position data" with all bits set.
    if (positionsOffset == 0 || positionsOffset == NO_POSITIONS)
        return;
    store::CIndexInput* pPid = m_pInputDesc->getPdInput();
    if (!pPid)
        damaged(".pid", "position data missing", positionsOffset);
    m_positionBytes = static_cast<int64_t>(trailerLength(pPid, ".pid", positionsOffset));
    pPid->seek(positionsOffset - m_positionBytes);
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
    if (pPid->position() > m_positionsOffset)
        damaged(".pid", "positions overrunning their trailer", m_positionsOffset);
    return count;
}

CPosting* CDiskPostingWord::clone() const { return cloneAs<CDiskPostingWord>(); }

} // namespace cs::index
