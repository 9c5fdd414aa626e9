// One encoded stream of an in-memory posting (document deltas or positions),
// kept as a list of chunks carved from the memory cache. A chunk of n bytes
// records a capacity of n - 12 and keeps spare bytes behind it, so a VInt of
// up to 5 bytes begun with only 4 recorded bytes left still fits.
#pragma once

#include <cstdint>
#include <cstring>

#include "utility/MemoryCache.h"

namespace cs::store {
class CIndexOutput;
}

namespace cs::index {

class CChunkList {
public:
    static constexpr int32_t MIN_CHUNK = 44;
    static constexpr int32_t MAX_CHUNK = 256;
    static constexpr int32_t GROWTH_FACTOR = 3;
    // The chunk bookkeeping counted against each chunk: capacity and link.
    static constexpr int32_t CHUNK_OVERHEAD = 12;

    // The size of the chunk that follows chunks of `totalCapacity` bytes:
    // 44, 64, 168, 256, 256, ...
    static int32_t nextChunkSize(int32_t totalCapacity);

    // Appends a VInt (7 bits a byte, low group first). Allocates nothing but,
    // now and then, a chunk from `cache`.
    void appendVInt(uint32_t value, utility::CMemoryCache& cache);
    // The tail keeps only the bytes written into it; the rest is slack.
    void closeTail();
    // Writes the chunks' bytes in order.
    void copyTo(store::CIndexOutput& output) const;
    // Forgets the chunks (they go back with the cache's rewind).
    void reset() { *this = CChunkList(); }

    bool hasChunk() const { return m_pHead != nullptr; }
    // The encoded length once the tail is closed.
    int32_t length() const { return m_totalCapacity - m_slack; }
    int32_t totalCapacity() const { return m_totalCapacity; }
    int32_t slack() const { return m_slack; }
    int32_t used() const { return m_used; }

private:
    // Layout of a chunk: Int32 capacity, next chunk, data. The link is a full
    // pointer, so the cache is asked for the difference to 8 header bytes more.
    static constexpr size_t LINK_OFFSET = sizeof(int32_t);
    static constexpr size_t DATA_OFFSET = LINK_OFFSET + sizeof(uint8_t*);
    static constexpr size_t EXTRA_HEADER = DATA_OFFSET - 8;

    static int32_t capacityOf(const uint8_t* chunk);
    static void setCapacity(uint8_t* chunk, int32_t capacity);
    static uint8_t* nextOf(const uint8_t* chunk);
    static void setNext(uint8_t* chunk, uint8_t* next);

    void addChunk(utility::CMemoryCache& cache);

    uint8_t* m_pHead = nullptr;
    uint8_t* m_pTail = nullptr;
    int32_t m_totalCapacity = 0;
    int32_t m_slack = 0;
    int32_t m_used = 0;
    int32_t m_tailCapacity = 0;   // the tail's recorded capacity
};

inline void CChunkList::appendVInt(uint32_t value, utility::CMemoryCache& cache)
{
    if (!m_pTail || m_tailCapacity - m_used <= 3) {
        closeTail();
        addChunk(cache);
    }
    uint8_t* cursor = m_pTail + DATA_OFFSET + m_used;
    uint8_t* begin = cursor;
    while (value > 0x7F) {
        *cursor++ = static_cast<uint8_t>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *cursor++ = static_cast<uint8_t>(value);
    m_used += static_cast<int32_t>(cursor - begin);
}

inline int32_t CChunkList::capacityOf(const uint8_t* chunk)
{
    int32_t capacity;
    std::memcpy(&capacity, chunk, sizeof(capacity));
    return capacity;
}

inline void CChunkList::setCapacity(uint8_t* chunk, int32_t capacity)
{
    std::memcpy(chunk, &capacity, sizeof(capacity));
}

inline uint8_t* CChunkList::nextOf(const uint8_t* chunk)
{
    uint8_t* next;
    std::memcpy(&next, chunk + LINK_OFFSET, sizeof(next));
    return next;
}

inline void CChunkList::setNext(uint8_t* chunk, uint8_t* next)
{
    std::memcpy(chunk + LINK_OFFSET, &next, sizeof(next));
}

} // namespace cs::index
