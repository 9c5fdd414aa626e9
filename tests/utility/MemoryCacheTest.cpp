#include <gtest/gtest.h>

#include <sys/resource.h>

#include "support/TestSupport.h"
#include "utility/MemoryCache.h"

namespace {

using cs::test::RaisedMessage;
using cs::utility::CMemoryCache;

TEST(MemoryCache, BumpsThroughTheFirstBlockWithinTheSizeBounds)
{
    CMemoryCache cache(100);
    EXPECT_EQ(cache.firstBlockSize(), 100u);
    EXPECT_EQ(cache.pageFactor(), 1);
    EXPECT_EQ(cache.allocate(31), nullptr);
    EXPECT_EQ(cache.allocate(CMemoryCache::MAX_SIZE + 1), nullptr);
    uint8_t* first = cache.allocate(32);
    EXPECT_EQ(first, cache.firstBlock());
    EXPECT_EQ(cache.allocate(40), first + 32);
    // 28 bytes left: 32 does not fit, and nothing else is there.
    EXPECT_EQ(cache.allocate(32), nullptr);
    EXPECT_EQ(cache.overflowBlocks(), 0);
}

TEST(MemoryCache, FirstFitOverTheChainAndRewind)
{
    CMemoryCache cache(64);
    uint8_t* first = cache.allocate(40);
    cache.addBlock(100);
    EXPECT_EQ(cache.overflowBlocks(), 1);
    // The first block's 24 bytes are too few; the added block serves.
    uint8_t* second = cache.allocate(50);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second >= cache.firstBlock() && second < cache.firstBlock() + 64);
    cache.addBlock(32);
    EXPECT_EQ(cache.overflowBlocks(), 2);
    EXPECT_NE(cache.allocate(32), nullptr);   // the rest of the first added block fits 32

    cache.rewind();
    EXPECT_EQ(cache.overflowBlocks(), 0);
    EXPECT_EQ(cache.allocate(40), first);
    EXPECT_EQ(cache.allocate(40), nullptr);   // the added blocks are gone
}

TEST(MemoryCache, BlockSizeBounds)
{
    EXPECT_EQ(RaisedMessage<std::runtime_error>([] { CMemoryCache cache(31); }),
              "Memory needed is smaller than 32 byte, Allocation failure!");
    CMemoryCache cache(32);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { cache.addBlock(16); }),
              "Memory needed is smaller than 32 byte, Allocation failure!");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { cache.addBlock(CMemoryCache::MAX_SIZE + 1); }),
              "Memory needed is bigger than 2GB, Allocation failure!");
    EXPECT_EQ(cache.overflowBlocks(), 0);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(MemoryCache, ABlockThatCannotBeHadIsAnAllocationFailure)
{
    // The sanitizer reserves far more address space than a limit leaves.
    cs::test::ProcessResult result = cs::test::RunForked([] {
        rlimit limit{256u << 20, 256u << 20};
        setrlimit(RLIMIT_AS, &limit);
        std::string message = RaisedMessage<std::runtime_error>([] { CMemoryCache cache(1u << 30); });
        std::_Exit(message == "Allocation failure!" ? 0 : 2);
    });
    EXPECT_EQ(result.exitCode, 0);
}
#endif

TEST(MemoryCache, ProcessWideCacheIsReplacedWhole)
{
    CMemoryCache& cache = cs::utility::CreateIndexMemoryCache(4096);
    EXPECT_EQ(cs::utility::GetIndexMemoryCache(), &cache);
    EXPECT_EQ(cache.firstBlockSize(), 4096u);
    EXPECT_EQ(cs::utility::CreateIndexMemoryCache(8192).firstBlockSize(), 8192u);
}

} // namespace
