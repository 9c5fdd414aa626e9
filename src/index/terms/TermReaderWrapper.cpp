#include "index/terms/TermReaderWrapper.h"

#include "index/postings/DiskPosting.h"
#include "index/postings/DocPosPosting.h"
#include "index/postings/DocPosting.h"
#include "utility/Error.h"

namespace cs::index {

CTermReaderWrapper::CTermReaderWrapper(std::unique_ptr<CTermReaderImpl> pReaderImpl)
    : m_pReaderImpl(std::move(pReaderImpl))
{
    CS_ASSERT_ARG_TEXT(m_pReaderImpl != nullptr, "m_pReaderImpl != NULL");
}

CTermReaderWrapper::~CTermReaderWrapper() = default;

void CTermReaderWrapper::open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
                              utility::CDocDeleted* pDocDeleted)
{
    m_pCurrent = nullptr;
    m_pReaderImpl->open(pDir, barrelname, pFieldInfo, pDocDeleted);
}

CIndexTermIterator* CTermReaderWrapper::termIterator(const char* field) { return m_pReaderImpl->termIterator(field); }

bool CTermReaderWrapper::seek(const utility::CTerm* pTerm)
{
    m_pCurrent = m_pReaderImpl->find(pTerm);
    return m_pCurrent != nullptr;
}

const CTermInfo* CTermReaderWrapper::find(const utility::CTerm* pTerm) { return m_pReaderImpl->find(pTerm); }

std::unique_ptr<CDiskPosting> CTermReaderWrapper::currentPosting() const
{
    std::unique_ptr<CInputDescriptor> pDesc = m_pReaderImpl->getInputDescriptor()->clonePostings();
    CInputDescriptor* pRaw = pDesc.get();
    std::unique_ptr<CDiskPosting> pPosting(m_pReaderImpl->newPosting(pRaw, std::move(pDesc)));
    pPosting->open(m_pCurrent->m_docPointer);
    return pPosting;
}

CDocPosting* CTermReaderWrapper::termDocs()
{
    if (!m_pCurrent)
        return nullptr;
    return new CDocPosting(currentPosting());
}

CDocPosPosting* CTermReaderWrapper::termPositions()
{
    if (!m_pCurrent || !m_pReaderImpl->positional())
        return nullptr;
    return new CDocPosPosting(currentPosting());
}

void CTermReaderWrapper::close()
{
    m_pCurrent = nullptr;
    m_pReaderImpl->close();
}

} // namespace cs::index
