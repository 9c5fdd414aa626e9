#include "index/postings/InputDescriptor.h"

namespace cs::index {

CInputDescriptor::CInputDescriptor(store::CIndexInput* pDdInput, store::CIndexInput* pPdInput, bool owns,
                                   const std::string& barrelPath)
    : m_pDdInput(pDdInput), m_pPdInput(pPdInput), m_owns(owns), m_barrelPath(barrelPath)
{
}

CInputDescriptor::~CInputDescriptor()
{
    if (m_owns) {
        delete m_pDdInput;
        delete m_pPdInput;
    }
}

std::unique_ptr<CInputDescriptor> CInputDescriptor::clonePostings() const
{
    std::unique_ptr<store::CIndexInput> pDid(m_pDdInput ? m_pDdInput->clone() : nullptr);
    std::unique_ptr<store::CIndexInput> pPid(m_pPdInput ? m_pPdInput->clone() : nullptr);
    auto pCopy = std::make_unique<CInputDescriptor>(pDid.get(), pPid.get(), true, m_barrelPath);
    pDid.release();
    pPid.release();
    return pCopy;
}

} // namespace cs::index
