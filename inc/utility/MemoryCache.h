// The index memory: a chain of large blocks from which the in-memory postings
// carve their chunks by bumping a pointer. Nothing is freed piece by piece;
// the whole cache is rewound after each barrel has been written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cs::utility {

class CMemoryCache {
public:
    static constexpr size_t MIN_SIZE = 32;
    static constexpr size_t MAX_SIZE = 2147483648u;   // 2 GiB
    // The block added when the chain is full: the barrel goes on, and its
    // writer flushes it after the current document.
    static constexpr size_t OVERFLOW_BLOCK_SIZE = 10485760;   // 10 MiB

    // Creates the first block of `size` bytes ("Allocation failure!" when it
    // cannot be had).
    explicit CMemoryCache(size_t size);
    ~CMemoryCache();
    CMemoryCache(const CMemoryCache&) = delete;
    CMemoryCache& operator=(const CMemoryCache&) = delete;

    // First fit over the chain from the first block: null when `size` is out
    // of MIN_SIZE..MAX_SIZE or no block has room. The memory is not aligned.
    uint8_t* allocate(size_t size);
    // Appends a block of `size` bytes at the end of the chain.
    void addBlock(size_t size);
    // The first block starts empty again; the blocks after it are released.
    void rewind();

    // Chunks that cannot be cut to measure take pageFactor() * 4096 bytes.
    int pageFactor() const { return m_pFirst->pageFactor; }
    uint8_t* firstBlock() const { return m_pFirst->start; }
    uint32_t firstBlockSize() const { return m_pFirst->size; }
    // Blocks added since the cache was made or last rewound: the memory
    // budget of the barrel is spent once this is not 0.
    int overflowBlocks() const { return m_overflowBlocks; }

private:
    struct CBlock {
        uint8_t* start = nullptr;
        uint32_t size = 0;
        uint8_t* current = nullptr;   // the next free byte
        int pageFactor = 1;
        CBlock* next = nullptr;
    };

    static CBlock* newBlock(size_t size);
    static void releaseChain(CBlock* pBlock);

    CBlock* m_pFirst;
    int m_overflowBlocks = 0;
};

// The process-wide index memory, made by the run driver at start-up after the
// memory probe succeeded; null before.
CMemoryCache* GetIndexMemoryCache();
// Makes (or replaces) the process-wide cache with a first block of `size` bytes.
CMemoryCache& CreateIndexMemoryCache(size_t size);

} // namespace cs::utility
