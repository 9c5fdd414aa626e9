// Field indexers write their term dictionaries and postings; the files are
// decoded by the test-side reader.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "IndexTestKit.h"
#include "index/fields/BuiltinFieldFactory.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/fields/TextFieldIndexer.h"
#include "index/fields/ValueFieldIndexer.h"

namespace {

using namespace cs::test;
using cs::index::CFieldFactoryRegistry;
using cs::index::CFieldIndexer;
using cs::utility::CMemoryCache;

std::unique_ptr<CFieldIndexer> Indexer(const std::string& kind, CMemoryCache& cache, int indexWay = 0)
{
    std::unique_ptr<CFieldIndexer> pIndexer(CFieldFactoryRegistry::instance().find(kind)->createFieldIndexer(&cache));
    pIndexer->setFieldName("field");
    pIndexer->setIndexWay(indexWay);
    return pIndexer;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

TEST(FieldFactories, RegistryHoldsTheThreeKindsByExactName)
{
    CFieldFactoryRegistry& registry = CFieldFactoryRegistry::instance();
    EXPECT_EQ(registry.find("text"), &cs::index::CBuiltinFieldFactory::text());
    EXPECT_EQ(registry.find("crc"), &cs::index::CBuiltinFieldFactory::crc());
    EXPECT_EQ(registry.find("date"), &cs::index::CBuiltinFieldFactory::date());
    EXPECT_EQ(registry.find("Text"), nullptr);
    EXPECT_EQ(registry.find("field"), nullptr);
    EXPECT_STREQ(registry.find("crc")->getName(), "crc");

    CMemoryCache cache(4096);
    EXPECT_NE(dynamic_cast<cs::index::CTextFieldIndexer*>(Indexer("text", cache).get()), nullptr);
    // Crc and date fields share the indexer by value; CrcIndexer.* and
    // DateTimeFieldIndexer.* below tell the two apart.
    EXPECT_NE(dynamic_cast<cs::index::CValueFieldIndexer*>(Indexer("crc", cache).get()), nullptr);
    EXPECT_NE(dynamic_cast<cs::index::CValueFieldIndexer*>(Indexer("date", cache).get()), nullptr);
    EXPECT_EQ(RaisedMessage<std::logic_error>([] { cs::index::CTextFieldIndexer indexer(nullptr); }),
              "INVALID ARGUMENT: pMemory");
}

TEST(TextFieldIndexer, StopWordsKeepNoPositionAndTermsAreDeltas)
{
    CMemoryCache cache(1 << 16);
    auto pIndexer = Indexer("text", cache);
    pIndexer->addField(0, TokenField(0, {5, -1, 5}).get());
    pIndexer->addField(2, TokenField(0, {0, 5}).get());
    CBarrelOutputs files("text");
    files.tid().writeByte(0xEE);   // a field before this one
    int64_t trailer = pIndexer->write(&files.outputs());
    files.close();
    EXPECT_EQ(pIndexer->getTermDictStart(), 1);
    EXPECT_EQ(pIndexer->getTermCount(), 2);

    std::vector<TermPostings> terms = files.postings(trailer);
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_EQ(terms[0].term, 0);
    EXPECT_EQ(terms[0].docs, (std::vector<uint32_t>{2}));
    EXPECT_EQ(terms[0].positions[0], (std::vector<uint32_t>{0}));
    EXPECT_EQ(terms[1].term, 5);
    EXPECT_EQ(terms[1].docs, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(terms[1].positions[0], (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(terms[1].positions[1], (std::vector<uint32_t>{1}));
    EXPECT_EQ(terms[1].totalFreq, 3u);

    // Entries: term deltas 0 and 5, frequencies, .did offset deltas; the
    // trailer counts the entry bytes.
    std::string tid = files.file(".tid");
    CByteReader entries(tid, 1);
    EXPECT_EQ(entries.vint(), 0u);
    EXPECT_EQ(entries.vint(), 1u);
    uint64_t first = entries.vlong();
    EXPECT_EQ(entries.vint(), 5u);
    EXPECT_EQ(entries.vint(), 2u);
    entries.vlong();
    EXPECT_EQ(static_cast<int64_t>(entries.position()), trailer);
    EXPECT_EQ(entries.vlong(), static_cast<uint64_t>(trailer - 1));
    EXPECT_EQ(entries.vint(), 2u);
    EXPECT_TRUE(entries.atEnd());
    EXPECT_EQ(first, 2u);   // just past term 0's doc list (2, 1)
}

// Long token lists: the indexer looks ahead at later tokens (ids past the
// end of its vector, stop words, ids it has not seen) while it posts the
// current one; what it writes must be exactly the tokens' postings.
TEST(TextFieldIndexer, LongTokenListsPostEveryTokenInPlace)
{
    CMemoryCache cache(1 << 20);
    auto pIndexer = Indexer("text", cache);
    std::map<int32_t, std::map<uint32_t, std::vector<uint32_t>>> expected;   // term -> doc -> positions
    std::mt19937 random(7);
    for (uint32_t doc : {0u, 1u, 5u}) {
        std::vector<int32_t> tokens;
        uint32_t position = 0;
        for (int i = 0; i < 400; ++i) {
            int32_t token;
            switch (random() % 5) {
            case 0: token = -1; break;                                      // stop word
            case 1: token = static_cast<int32_t>(random() % 8); break;     // frequent
            case 2: token = 50000 + 150 * i; break;   // past the vector's end
            default: token = static_cast<int32_t>(random() % 3000); break;
            }
            tokens.push_back(token);
            if (token != -1)
                expected[token][doc].push_back(position++);
        }
        pIndexer->addField(static_cast<int32_t>(doc), TokenField(0, tokens).get());
    }
    CBarrelOutputs files("text-long");
    int64_t trailer = pIndexer->write(&files.outputs());
    files.close();

    std::vector<TermPostings> terms = files.postings(trailer);
    ASSERT_EQ(terms.size(), expected.size());
    auto it = expected.begin();
    for (const TermPostings& term : terms) {
        EXPECT_EQ(term.term, it->first);
        std::vector<uint32_t> docs;
        std::vector<std::vector<uint32_t>> positions;
        for (const auto& [doc, list] : it->second) {
            docs.push_back(doc);
            positions.push_back(list);
        }
        EXPECT_EQ(term.docs, docs) << "term " << term.term;
        EXPECT_EQ(term.positions, positions) << "term " << term.term;
        ++it;
    }
}

TEST(TextFieldIndexer, ResetEmptiesPostingsSoTheNextWriteHasNoTerms)
{
    CMemoryCache cache(4096);
    auto pIndexer = Indexer("text", cache);
    pIndexer->addField(0, TokenField(0, {300}).get());
    {
        CBarrelOutputs files("text-first");
        pIndexer->write(&files.outputs());
        files.close();
    }
    pIndexer->reset();
    cache.rewind();
    CBarrelOutputs files("text-empty");
    int64_t trailer = pIndexer->write(&files.outputs());
    files.close();
    EXPECT_EQ(trailer, 0);
    EXPECT_EQ(pIndexer->getTermCount(), 0);
    EXPECT_EQ(files.file(".tid"), Bytes({0, 0}));   // VLong(0), VInt(0) only
    EXPECT_EQ(files.file(".did"), "");
    EXPECT_EQ(files.file(".pid"), "");
}

TEST(TextFieldIndexer, ANegativeWordIdIsRefused)
{
    CMemoryCache cache(4096);
    auto pIndexer = Indexer("text", cache);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pIndexer->addField(0, TokenField(0, {-5}).get()); }),
              "INVALID ARGUMENT: term >= 0");
}

TEST(FieldIndexers, FieldsWithoutTokensAddNothing)
{
    CMemoryCache cache(4096);
    for (const char* kind : {"text", "crc", "date"}) {
        auto pIndexer = Indexer(kind, cache);
        cs::content::CField unanalysed(0, "field", 4, 16);
        unanalysed.setText("abc", 3);
        pIndexer->addField(0, &unanalysed);
        pIndexer->addField(1, nullptr);
        CBarrelOutputs files(kind);
        pIndexer->write(&files.outputs());
        files.close();
        EXPECT_EQ(pIndexer->getTermCount(), 0) << kind;
        EXPECT_EQ(files.file(".tid"), Bytes({0, 0})) << kind;
    }
}

TEST(FieldIndexers, WriteNeedsTheOutputs)
{
    CMemoryCache cache(4096);
    auto pIndexer = Indexer("date", cache);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pIndexer->write(nullptr); }), "INVALID ARGUMENT: pWriterDesc");
    cs::index::COutputDescriptor noDictionary(nullptr, nullptr, nullptr);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pIndexer->write(&noDictionary); }),
              "INVALID ARGUMENT: pTdWriter");
}

TEST(CrcIndexer, SignedOrderAndUnsignedDeltas)
{
    CMemoryCache cache(4096);
    auto pIndexer = Indexer("crc", cache, 1);
    pIndexer->addField(0, TokenField(0, {3}).get());
    pIndexer->addField(1, TokenField(0, {-7, 3, 3}).get());
    CBarrelOutputs files("crc");
    int64_t trailer = pIndexer->write(&files.outputs());
    files.close();

    std::string tid = files.file(".tid");
    CByteReader entries(tid);
    EXPECT_EQ(entries.vint(), 4294967289u);   // -7 - 0
    EXPECT_EQ(entries.vint(), 1u);
    entries.vlong();
    EXPECT_EQ(entries.vint(), 10u);   // 3 - (-7)
    EXPECT_EQ(entries.vint(), 2u);

    std::vector<TermPostings> terms = files.postings(trailer);
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_EQ(terms[0].term, -7);
    EXPECT_EQ(terms[1].term, 3);
    EXPECT_FALSE(terms[1].withPositions);
    EXPECT_EQ(terms[1].docs, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(files.file(".pid"), "");   // index way 1 keeps no positions
}

TEST(CrcIndexer, IndexWayZeroKeepsPositions)
{
    CMemoryCache cache(4096);
    auto pIndexer = Indexer("crc", cache, 0);
    pIndexer->addField(4, TokenField(0, {11, -1, 22, 11}).get());
    CBarrelOutputs files("crc-positions");
    int64_t trailer = pIndexer->write(&files.outputs());
    files.close();
    std::vector<TermPostings> terms = files.postings(trailer);
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_TRUE(terms[0].withPositions);
    EXPECT_EQ(terms[0].positions[0], (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(terms[1].positions[0], (std::vector<uint32_t>{1}));
}

TEST(DateTimeFieldIndexer, TheSameDateTwiceInADocumentCountsOnce)
{
    CMemoryCache cache(4096);
    auto pIndexer = Indexer("date", cache, 0);   // documents only, whatever the index way
    pIndexer->addField(0, TokenField(0, {13938, 13938}).get());
    pIndexer->addField(1, TokenField(0, {-1, 13938}).get());
    CBarrelOutputs files("date");
    int64_t trailer = pIndexer->write(&files.outputs());
    files.close();
    std::vector<TermPostings> terms = files.postings(trailer);
    ASSERT_EQ(terms.size(), 1u);
    EXPECT_EQ(terms[0].term, 13938);
    EXPECT_EQ(terms[0].docFreq, 2u);
    EXPECT_EQ(terms[0].docs, (std::vector<uint32_t>{0, 1}));
    EXPECT_FALSE(terms[0].withPositions);
}

TEST(FieldIndexers, WritingIsLoggedAtEachKindsLevel)
{
    CLogCapture log;
    CMemoryCache cache(4096);
    for (const char* kind : {"text", "crc", "date"}) {
        CBarrelOutputs files(kind);
        Indexer(kind, cache)->write(&files.outputs());
        files.close();
    }
    EXPECT_TRUE(log.logged("INFO", "text field indexer is writing index data"));
    EXPECT_TRUE(log.logged("INFO", "text field indexer has compeleted writing index data"));
    EXPECT_TRUE(log.logged("DEBUG", "crc indexer is writing index data"));
    EXPECT_TRUE(log.logged("DEBUG", "crc indexer has compeleted writing index data"));
    EXPECT_TRUE(log.logged("DEBUG", "date field indexer is writing index data"));
    EXPECT_TRUE(log.logged("DEBUG", "date field indexer has compeleted writing index data"));
}

} // namespace
