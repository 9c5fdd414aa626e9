#include "index/terms/IndexTermIterator.h"

#include "index/fields/FieldInfo.h"
#include "index/terms/TermReaderImpl.h"
#include "utility/Error.h"

namespace cs::index {

CIndexTermIterator::CIndexTermIterator(const CTermReaderImpl* pTermReader, const CTermInfo* first,
                                       const CTermInfo* last)
    : m_pTermReader(pTermReader), m_pNextEntry(first), m_pEnd(last)
{
    CS_ASSERT_ARG(pTermReader);
}

CIndexTermIterator::~CIndexTermIterator()
{
    // The posting reads through the descriptor: it goes first.
    m_pPosting.reset();
}

bool CIndexTermIterator::next()
{
    if (m_pNextEntry >= m_pEnd)
        return false;
    const CTermInfo* pEntry = m_pNextEntry++;
    m_pCurEntry = pEntry;
    if (!m_pCurTerm)
        m_pCurTerm = std::make_unique<utility::CTermT<int32_t>>(m_pTermReader->getFieldInfo()->getName());
    m_pCurTerm->set(pEntry->m_term);
    return true;
}

CDiskPosting* CIndexTermIterator::posting()
{
    if (!m_pCurEntry)
        return nullptr;
    if (!m_pPosting) {
        m_pInputDesc = m_pTermReader->getInputDescriptor()->clonePostings();
        m_pPosting.reset(m_pTermReader->newPosting(m_pInputDesc.get(), nullptr));
        if (m_pBuffer)
            m_pPosting->setBuffer(m_pBuffer, m_bufferLength, m_block);
    }
    m_pPosting->open(m_pCurEntry->m_docPointer);
    return m_pPosting.get();
}

int64_t CIndexTermIterator::setBuffer(char* buffer, int64_t length, int32_t block)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr, "buf != NULL");
    CS_ASSERT_ARG(block > 0);
    // The posting takes a block for .did and, with position data, one for .pid.
    int64_t wanted = m_pTermReader->getInputDescriptor()->getPdInput() ? 2 * int64_t(block) : block;
    int64_t taken = length >= wanted ? wanted : (length >= block ? block : 0);
    if (taken == 0)
        return length;
    m_pBuffer = buffer;
    m_bufferLength = taken;
    m_block = block;
    if (m_pPosting)
        m_pPosting->setBuffer(m_pBuffer, m_bufferLength, m_block);
    return length - taken;
}

} // namespace cs::index
