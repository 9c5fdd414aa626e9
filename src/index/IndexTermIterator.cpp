#include "index/IndexTermIterator.h"

#include "index/FieldInfo.h"
#include "index/TermReaderImpl.h"
#include "utility/Error.h"

namespace cs::index {

CIndexTermIterator::CIndexTermIterator(const CTermReaderImpl* pTermReader) : m_pTermReader(pTermReader)
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
    const CTermInfo* pEntry = nextEntry();
    if (!pEntry)
        return false;
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
            m_pPosting->setBuffer(m_pBuffer, m_bufferLength);
    }
    m_pPosting->open(m_pCurEntry->m_docPointer);
    return m_pPosting.get();
}

int64_t CIndexTermIterator::setBuffer(char* buffer, int64_t length)
{
    CS_ASSERT_ARG_TEXT(buffer != nullptr, "buf != NULL");
    // What the posting will take of it.
    CDiskPosting::LentBlocks blocks =
        CDiskPosting::lentBlocks(length, m_pTermReader->getInputDescriptor()->getPdInput() != nullptr);
    int64_t taken = blocks.size * blocks.count;
    if (taken == 0)
        return length;
    m_pBuffer = buffer;
    m_bufferLength = taken;
    if (m_pPosting)
        m_pPosting->setBuffer(m_pBuffer, m_bufferLength);
    return length - taken;
}

} // namespace cs::index
