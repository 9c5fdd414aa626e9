#include "index/postings/DocPosPosting.h"

#include <algorithm>

#include "utility/DocDeleted.h"
#include "utility/Error.h"

namespace cs::index {

CDocPosPosting::CDocPosPosting(std::unique_ptr<CDiskPosting> pPosting) : CDocPostingBase(std::move(pPosting)) {}

void CDocPosPosting::readPositions()
{
    // Positions are read when asked for, or passed over at the next document.
    m_positions.resize(static_cast<size_t>(m_freq));
    m_pPosting->nextPositions(m_positions.data(), m_freq);
    m_positionsRead = true;
}

bool CDocPosPosting::next()
{
    if (!m_positionsRead)
        m_pPosting->nextPositions(nullptr, m_freq);
    int32_t doc = 0, freq = 0;
    utility::CDocDeleted* pDeleted = m_pPosting->getDocDeleted();
    while (m_pPosting->nextDoc(doc, freq)) {
        m_pPosting->resetPositions();
        if (pDeleted && pDeleted->isDeleted(doc)) {
            m_pPosting->nextPositions(nullptr, freq);
            continue;
        }
        m_doc = doc;
        m_freq = freq;
        m_positionsRead = false;
        m_onDoc = true;
        return true;
    }
    m_onDoc = false;
    return false;
}

int32_t CDocPosPosting::doc() const
{
    CS_ASSERT_OP(m_onDoc);
    return m_doc;
}

int32_t CDocPosPosting::freq() const
{
    CS_ASSERT_OP(m_onDoc);
    return m_freq;
}

void CDocPosPosting::positions(int32_t* pos_list)
{
    CS_ASSERT_ARG_TEXT(pos_list != nullptr, "pos_list != NULL");
    CS_ASSERT_OP(m_onDoc);
    if (!m_positionsRead)
        readPositions();
    std::copy(m_positions.begin(), m_positions.end(), pos_list);
}

} // namespace cs::index
