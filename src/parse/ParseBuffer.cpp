#include "parse/ParseBuffer.h"

#include <algorithm>

namespace cs::parse {

char* CParseBuffer::reserve(size_t need, size_t minimum)
{
    if (need > m_size) {
        size_t size = std::max(need, minimum);
        // Left uninitialised: the caller fills what it uses.
        m_pData.reset(new char[size]);
        m_size = size;
        m_length = 0;
    }
    return m_pData.get();
}

} // namespace cs::parse
