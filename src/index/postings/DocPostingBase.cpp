#include "index/postings/DocPostingBase.h"

#include "utility/Error.h"

namespace cs::index {

CDocPostingBase::CDocPostingBase(std::unique_ptr<CDiskPosting> pPosting) : m_pPosting(std::move(pPosting))
{
    CS_ASSERT_ARG(m_pPosting != nullptr);
}

CDocPostingBase::~CDocPostingBase() = default;

bool CDocPostingBase::skipTo(int32_t target, int32_t* nearby)
{
    CS_ASSERT_ARG_TEXT(nearby != nullptr, "nearby != NULL");
    while (!m_onDoc || doc() < target) {
        if (!next()) {
            *nearby = -1;
            return false;
        }
    }
    *nearby = doc();
    return true;
}

} // namespace cs::index
