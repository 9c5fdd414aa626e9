#include "index/postings/ChunkList.h"

#include <algorithm>

#include "store/IndexOutput.h"
#include "utility/Error.h"

namespace cs::index {

int32_t CChunkList::nextChunkSize(int32_t totalCapacity)
{
    int32_t size = static_cast<int32_t>(totalCapacity * (GROWTH_FACTOR - 1) + 0.5);
    return std::min(std::max(size, MIN_CHUNK), MAX_CHUNK);
}

void CChunkList::closeTail()
{
    if (!m_pTail)
        return;
    m_slack += m_tailCapacity - m_used;
    m_tailCapacity = m_used;
    setCapacity(m_pTail, m_used);
}

void CChunkList::addChunk(utility::CMemoryCache& cache)
{
    int32_t size = nextChunkSize(m_totalCapacity);
    uint8_t* chunk = cache.allocate(size + EXTRA_HEADER);
    if (!chunk) {
        // Too little room left for a chunk to measure: a page, from an
        // overflow block if need be.
        size = cache.pageFactor() * 4096;
        chunk = cache.allocate(size + EXTRA_HEADER);
        if (!chunk) {
            cache.addBlock(utility::CMemoryCache::OVERFLOW_BLOCK_SIZE);
            chunk = cache.allocate(size + EXTRA_HEADER);
            if (!chunk)
                CS_THROW("failed to allocate new posting ");
        }
    }
    int32_t capacity = size - CHUNK_OVERHEAD;
    setCapacity(chunk, capacity);
    setNext(chunk, nullptr);
    if (m_pTail)
        setNext(m_pTail, chunk);
    else
        m_pHead = chunk;
    m_pTail = chunk;
    m_totalCapacity += capacity;
    m_tailCapacity = capacity;
    m_used = 0;
}

void CChunkList::copyTo(store::CIndexOutput& output) const
{
    for (const uint8_t* chunk = m_pHead; chunk; chunk = nextOf(chunk)) {
        int32_t capacity = capacityOf(chunk);
        if (capacity > 0)
            output.writeBytes(chunk + DATA_OFFSET, capacity);
    }
}

} // namespace cs::index
