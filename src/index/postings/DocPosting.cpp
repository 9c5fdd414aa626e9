#include "index/postings/DocPosting.h"

#include "utility/Error.h"

namespace cs::index {

CDocPosting::CDocPosting(std::unique_ptr<CDiskPosting> pPosting) : CDocPostingBase(std::move(pPosting)) {}

bool CDocPosting::next()
{
    if (m_onDoc && m_bufpos + 1 < m_bufcnt) {
        ++m_bufpos;
        return true;
    }
    m_bufcnt = m_pPosting->nextDocs(m_buffer, 2 * BATCH);
    m_bufpos = 0;
    m_onDoc = m_bufcnt > 0;
    return m_onDoc;
}

int32_t CDocPosting::doc() const
{
    CS_ASSERT_OP(m_bufpos >= 0 && m_bufpos < m_bufcnt);
    return m_buffer[m_bufpos];
}

int32_t CDocPosting::freq() const
{
    CS_ASSERT_OP(m_bufpos >= 0 && m_bufpos < m_bufcnt);
    return m_buffer[BATCH + m_bufpos];
}

} // namespace cs::index
