#include "utility/MemoryCache.h"

#include <cstdlib>
#include <memory>

#include "utility/Error.h"

namespace cs::utility {

namespace {

std::unique_ptr<CMemoryCache> g_pIndexMemoryCache;

} // namespace

CMemoryCache::CMemoryCache(size_t size) : m_pFirst(newBlock(size)) {}

CMemoryCache::~CMemoryCache() { releaseChain(m_pFirst); }

CMemoryCache::CBlock* CMemoryCache::newBlock(size_t size)
{
    if (size < MIN_SIZE)
        CS_THROW("Memory needed is smaller than 32 byte, Allocation failure!");
    if (size > MAX_SIZE)
        CS_THROW("Memory needed is bigger than 2GB, Allocation failure!");
    std::unique_ptr<CBlock> pBlock = std::make_unique<CBlock>();
    // Pages are committed by the system as postings reach them.
    pBlock->start = static_cast<uint8_t*>(std::malloc(size));
    if (!pBlock->start)
        CS_THROW("Allocation failure!");
    pBlock->size = static_cast<uint32_t>(size);
    pBlock->current = pBlock->start;
    return pBlock.release();
}

void CMemoryCache::releaseChain(CBlock* pBlock)
{
    while (pBlock) {
        CBlock* pNext = pBlock->next;
        std::free(pBlock->start);
        delete pBlock;
        pBlock = pNext;
    }
}

uint8_t* CMemoryCache::allocate(size_t size)
{
    if (size < MIN_SIZE || size > MAX_SIZE)
        return nullptr;
    for (CBlock* pBlock = m_pFirst; pBlock; pBlock = pBlock->next) {
        size_t left = static_cast<size_t>(pBlock->start + pBlock->size - pBlock->current);
        if (size <= left) {
            uint8_t* piece = pBlock->current;
            pBlock->current += size;
            return piece;
        }
    }
    return nullptr;
}

void CMemoryCache::addBlock(size_t size)
{
    CBlock* pLast = m_pFirst;
    while (pLast->next)
        pLast = pLast->next;
    pLast->next = newBlock(size);
    ++m_overflowBlocks;
}

void CMemoryCache::rewind()
{
    m_pFirst->current = m_pFirst->start;
    releaseChain(m_pFirst->next);
    m_pFirst->next = nullptr;
    m_overflowBlocks = 0;
}

CMemoryCache* GetIndexMemoryCache() { return g_pIndexMemoryCache.get(); }

CMemoryCache& CreateIndexMemoryCache(size_t size)
{
    // The old cache goes only once the new one exists.
    std::unique_ptr<CMemoryCache> pCache = std::make_unique<CMemoryCache>(size);
    g_pIndexMemoryCache = std::move(pCache);
    return *g_pIndexMemoryCache;
}

} // namespace cs::utility
