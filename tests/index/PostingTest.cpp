// In-memory postings and their chunk lists, decoded byte by byte.
#include <gtest/gtest.h>

#include <memory>

#include "IndexTestKit.h"
#include "index/postings/ChunkList.h"
#include "index/postings/MemoryPostingDoc.h"
#include "index/postings/MemoryPostingWord.h"

namespace {

using namespace cs::test;
using cs::index::CChunkList;
using cs::index::CMemoryPostingDoc;
using cs::index::CMemoryPostingWord;
using cs::utility::CMemoryCache;

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

std::string Copied(const CChunkList& list, const std::string& tag)
{
    CBarrelOutputs files(tag);
    list.copyTo(files.did());
    files.close();
    return files.file(".did");
}

TEST(ChunkList, ChunksGrowFrom44To256)
{
    EXPECT_EQ(CChunkList::nextChunkSize(0), 44);
    EXPECT_EQ(CChunkList::nextChunkSize(32), 64);
    EXPECT_EQ(CChunkList::nextChunkSize(84), 168);
    EXPECT_EQ(CChunkList::nextChunkSize(240), 256);
    EXPECT_EQ(CChunkList::nextChunkSize(484), 256);

    CMemoryCache cache(1 << 16);
    CChunkList list;
    std::vector<int32_t> totals;
    for (int i = 0; i < 800; ++i) {
        list.appendVInt(1, cache);
        if (totals.empty() || totals.back() != list.totalCapacity())
            totals.push_back(list.totalCapacity());
    }
    // Capacities 32, 52, 156, 244, 244: each chunk less its 12 bytes.
    EXPECT_EQ(totals, (std::vector<int32_t>{32, 84, 240, 484, 728, 972}));
}

TEST(ChunkList, FourFreeBytesContinueThreeMoveOnAsSlack)
{
    CMemoryCache cache(4096);
    CChunkList list;
    for (int i = 0; i < 28; ++i)
        list.appendVInt(i, cache);
    EXPECT_EQ(list.used(), 28);
    list.appendVInt(28, cache);   // 4 bytes were left: same chunk
    EXPECT_EQ(list.totalCapacity(), 32);
    EXPECT_EQ(list.used(), 29);
    list.appendVInt(29, cache);   // 3 left: a new chunk, the 3 bytes are slack
    EXPECT_EQ(list.totalCapacity(), 84);
    EXPECT_EQ(list.slack(), 3);
    EXPECT_EQ(list.used(), 1);
    list.closeTail();
    EXPECT_EQ(list.length(), 30);
    std::string expected;
    for (int i = 0; i < 30; ++i)
        expected += static_cast<char>(i);
    EXPECT_EQ(Copied(list, "chunks"), expected);
}

TEST(ChunkList, AFiveByteVIntBegunWithFourBytesLeftFits)
{
    CMemoryCache cache(4096);
    CChunkList list;
    for (int i = 0; i < 28; ++i)
        list.appendVInt(7, cache);
    list.appendVInt(0xFFFFFFFFu, cache);
    EXPECT_EQ(list.totalCapacity(), 32);
    EXPECT_EQ(list.used(), 33);
    list.appendVInt(5, cache);
    list.closeTail();
    EXPECT_EQ(list.length(), 34);
    EXPECT_EQ(Copied(list, "spare"), std::string(28, '\x07') + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 5}));
}

TEST(ChunkList, ACacheTooSmallForOneChunkGetsAnOverflowBlock)
{
    CMemoryCache cache(40);
    CChunkList list;
    list.appendVInt(1, cache);
    EXPECT_EQ(cache.overflowBlocks(), 1);
    EXPECT_EQ(list.totalCapacity(), 4084);   // a page less the chunk bookkeeping
    for (int i = 0; i < 4000; ++i)
        list.appendVInt(1, cache);
    EXPECT_EQ(cache.overflowBlocks(), 1);   // the page and what follows come from the 10 MiB block
}

TEST(MemoryPostingWord, TermSeenOnce)
{
    CMemoryCache cache(4096);
    CMemoryPostingWord posting(&cache);
    posting.add(4, 9);
    CBarrelOutputs files("word-once");
    int64_t trailer = posting.write(files.outputs());
    files.close();
    EXPECT_EQ(trailer, 2);
    // doc list 4, 1; trailer: length 2, df 1, ttf 1, .pid trailer 1, skip 1, length 2, last 4.
    EXPECT_EQ(files.file(".did"), Bytes({4, 1, 2, 1, 1, 1, 1, 2, 4}));
    EXPECT_EQ(files.file(".pid"), Bytes({9, 1}));
    EXPECT_EQ(posting.docFreq(), 1);
    EXPECT_EQ(posting.totalTermFreq(), 1);
}

TEST(MemoryPostingWord, SameTermTwiceInADocumentAndDocumentZero)
{
    CMemoryCache cache(4096);
    CMemoryPostingWord posting(&cache);
    posting.add(0, 3);
    posting.add(0, 7);
    posting.add(5, 2);
    CBarrelOutputs files("word-twice");
    posting.write(files.outputs());
    files.close();
    // Document 0 is written as delta 0x00; positions 3, 4 then 2.
    EXPECT_EQ(files.file(".did"), Bytes({0, 2, 5, 1, 4, 2, 3, 3, 1, 4, 5}));
    EXPECT_EQ(files.file(".pid"), Bytes({3, 4, 2, 3}));
    EXPECT_EQ(posting.totalTermFreq(), 3);
    EXPECT_EQ(posting.docFreq(), 2);
}

TEST(MemoryPostingWord, ResetAndCloneShareNothingButChunks)
{
    CMemoryCache cache(4096);
    CMemoryPostingWord posting(&cache);
    posting.add(1, 1);
    std::unique_ptr<cs::index::CPosting> pClone(posting.clone());
    EXPECT_EQ(pClone->docFreq(), 1);
    posting.reset();
    EXPECT_FALSE(posting.hasData());
    EXPECT_EQ(posting.docFreq(), 0);
    EXPECT_EQ(posting.lastDoc(), -1);
    EXPECT_EQ(pClone->docFreq(), 1);
    // Reading operations of an in-memory posting yield nothing.
    int32_t buffer[4];
    EXPECT_EQ(pClone->nextDocs(buffer, 4), 0);
    EXPECT_EQ(pClone->setBuffer(nullptr, 77), 77);

    posting.add(3, 0);
    CBarrelOutputs files("word-reset");
    posting.write(files.outputs());
    files.close();
    EXPECT_EQ(files.file(".did").substr(0, 2), Bytes({3, 1}));
}

TEST(MemoryPostingDoc, ADocumentGivenTwiceIsRecordedOnce)
{
    CMemoryCache cache(4096);
    CMemoryPostingDoc posting(&cache);
    posting.add(0);
    posting.add(0);
    posting.add(300);
    CBarrelOutputs files("doc");
    int64_t trailer = posting.write(files.outputs());
    files.close();
    EXPECT_EQ(trailer, 3);
    // 0, 300; trailer: length 3, df 2, df 2, no positions, skip 1, length 3, last 300.
    EXPECT_EQ(files.file(".did"), Bytes({0, 0xAC, 0x02, 3, 2, 2, 0, 1, 3, 0xAC, 0x02}));
    EXPECT_EQ(files.file(".pid"), "");
    EXPECT_EQ(posting.totalTermFreq(), 2);
}

TEST(MemoryPosting, NeedsACache)
{
    EXPECT_EQ(RaisedMessage<std::logic_error>([] { CMemoryPostingDoc posting(nullptr); }),
              "INVALID ARGUMENT: pMemory");
}

} // namespace
