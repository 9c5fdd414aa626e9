#include "index/postings/MemoryPosting.h"

#include "utility/Error.h"

namespace cs::index {

CMemoryPosting::CMemoryPosting(utility::CMemoryCache* pMemory) : m_pMemory(pMemory)
{
    CS_ASSERT_ARG(pMemory);
}

} // namespace cs::index
