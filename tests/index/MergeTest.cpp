// Merging barrels: the policy's levels, document renumbering with and without
// recycling, stored fields and deletions, checked on disk with the
// test-side reader.
#include <gtest/gtest.h>

#include <algorithm>

#include "MergeTestKit.h"
#include "index/merge/DocPostingMerger.h"
#include "index/merge/FieldMergeQueue.h"
#include "index/merge/FieldMerger.h"
#include "index/merge/WordPostingMerger.h"
#include "index/terms/CrcIndexTermReader.h"
#include "index/terms/TextIndexTermReader.h"
#include "utility/Term.h"

namespace {

using namespace cs::test;
using cs::index::CHTIndexMerger;

// The posting of `term` in `field` of barrel `barrel`.
TermPostings Posting(const std::string& dir, const std::string& barrel, int field, int32_t term)
{
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/" + barrel + ".fdi");
    for (const TermPostings& posting : ReadFieldPostings(dir, barrel, fields[static_cast<size_t>(field)])) {
        if (posting.term == term)
            return posting;
    }
    return TermPostings();
}

// Local document numbers by id in a barrel.
std::map<std::string, uint32_t> Numbers(const std::string& dir, const std::string& barrel)
{
    std::map<std::string, uint32_t> numbers;
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/" + barrel + ".fdi");
    std::vector<StoredDocument> stored = ReadStoredFields(dir, barrel, fields);
    for (uint32_t doc = 0; doc < stored.size(); ++doc) {
        for (const StoredField& field : stored[doc].fields) {
            if (field.fieldId == kIdField)
                numbers[field.text] = doc;
        }
    }
    return numbers;
}

TEST(MergePolicy, ScaledSizesAndLevels)
{
    cs::store::CContentDirectory directory(MakeTempDir("levels"), 0);
    CHTIndexMerger merger(&directory);
    std::vector<std::pair<uint32_t, int>> expected = {{0, 0},  {1, 0},  {2, 0},  {3, 1},  {8, 1},
                                                      {9, 2},  {26, 2}, {27, 3}, {80, 3}, {81, 4}};
    for (auto [documents, level] : expected)
        EXPECT_EQ(merger.levelOf(merger.scaledSize(documents)), level) << documents;
    // Sizes far beyond m^19 stay on a level below 32; a base of 1 puts every barrel on the last.
    EXPECT_EQ(merger.levelOf(INT32_MAX), 19);
    merger.setParam(1, 2, 1);
    EXPECT_EQ(merger.levelOf(5), 31);
    // A divisor rounds: 149 / 100 is 1, 150 / 100 is 2; without a positive one the count is the size.
    merger.setParam(3, 2, 100);
    EXPECT_EQ(merger.scaledSize(149), 1);
    EXPECT_EQ(merger.scaledSize(150), 2);
    merger.setParam(3, 2, 0);
    EXPECT_EQ(merger.scaledSize(150), 150);
    merger.setParam(3, 2, -4);
    EXPECT_EQ(merger.scaledSize(7), 7);
}

TEST(MergePolicy, ThreeSingleDocumentBarrelsBecomeOne)
{
    std::string dir = WriteIndex("merge-111", {{Doc("a", {{0, {1, 2}}})}, {Doc("b", {{0, {2, 3}}})},
                                               {Doc("c", {{0, {1, 3}}, {3, {9}}})}});
    IndexView before = ViewIndex(dir);
    CLogCapture log;
    RunMerge(dir);
    EXPECT_EQ(CheckIndex(dir), "");
    IndexView after = ViewIndex(dir);
    EXPECT_EQ(CompareViews(before, after), "");
    ASSERT_EQ(after.barrels.size(), 1u);
    EXPECT_EQ(after.barrels[0].name, "_0");
    EXPECT_EQ(after.barrels[0].docCount, 3);
    // Two merges: 1 + 1 on level 0, then that barrel of 2 with the third.
    std::string text = log.text();
    size_t merges = 0;
    for (size_t at = text.find("index merging begins"); at != std::string::npos;
         at = text.find("index merging begins", at + 1))
        ++merges;
    EXPECT_EQ(merges, 2u);
    for (const char* line : {"index merging ended", "begin barrel update", "field merging",
                             "text merger is writing merged index data", "text merger has compeleted merging",
                             "date merger has compeleted merging", "crc merger has compeleted merging"})
        EXPECT_TRUE(log.contains(line)) << line;
    EXPECT_TRUE(log.logged("INFO", "CIndexMerger::mergeBarrel delete file "));
    EXPECT_TRUE(log.logged("INFO", "void CIndexMerger::merge delete file: "));
    // Nothing of the merges is left beside the barrel.
    for (const std::string& name : ListDir(dir))
        EXPECT_TRUE(name.compare(0, 3, "_0.") == 0 || name == "index_status.xml") << name;
}

TEST(MergePolicy, BarrelsOnDifferentLevelsStayApartUnlessRecyclingGathersThem)
{
    std::vector<FixtureDoc> five;
    for (int i = 0; i < 5; ++i)
        five.push_back(Doc("f" + std::to_string(i), {{0, {i}}}, i == 3));
    std::string dir = WriteIndex("merge-levels", {{Doc("a", {{0, {1}}})}, five});
    RunMerge(dir);
    EXPECT_EQ(ReadIndexStatus(dir + "/index_status.xml").barrels.size(), 2u);

    // Two barrels of 3 fill level 1. Without recycling the barrel of level 0
    // stays apart; with recycling by count it joins the merge, having
    // deletions of its own (barrels come smallest first, so it is there).
    std::vector<std::vector<FixtureDoc>> barrels = {
        {Doc("p0", {{0, {1}}}), Doc("p1", {{0, {1}}}, true), Doc("p2", {{0, {2}}})},
        {Doc("x", {{0, {3}}}, true), Doc("y", {{0, {1}}})},
        {Doc("q0", {{0, {4}}}), Doc("q1", {{0, {1}}}), Doc("q2", {{0, {1}}})}};
    dir = WriteIndex("merge-apart", barrels);
    RunMerge(dir);
    EXPECT_EQ(ReadIndexStatus(dir + "/index_status.xml").barrels.size(), 2u);

    dir = WriteIndex("merge-gather", barrels);
    IndexView before = ViewIndex(dir);
    MergeSettings recycle;
    recycle.strategy = 2;
    recycle.count = 0;
    RunMerge(dir, recycle);
    EXPECT_EQ(CheckIndex(dir), "");
    IndexView after = ViewIndex(dir);
    EXPECT_EQ(CompareViews(before, after), "");
    ASSERT_EQ(after.barrels.size(), 1u);
    // x was a leading run and is gone; p1 keeps its place without record.
    EXPECT_EQ(after.barrels[0].docCount, 7);
    EXPECT_EQ(after.barrels[0].deletedCount, 1);
    EXPECT_EQ(after.withoutRecord, 1u);
    EXPECT_TRUE(Posting(dir, "_0", 0, 3).docs.empty());
}

TEST(MergeRecycling, DocumentsMoveDownPastTheDroppedLeadingRun)
{
    // A: 10 documents, 0 and 1 deleted; B: 10 documents. Term 500 + n marks
    // document n of A, 600 + n document n of B; term 7 is in every one, term 8 in B only.
    std::vector<FixtureDoc> a, b;
    for (int n = 0; n < 10; ++n) {
        a.push_back(Doc("a" + std::to_string(n), {{0, {7, 500 + n}}, {1, {n % 3}}, {3, {20000 + n}}}, n < 2));
        b.push_back(Doc("b" + std::to_string(n), {{0, {600 + n, 8, 7}}, {1, {n % 3}}, {3, {20000 + n}}}));
    }
    // Term 499 and the user -5 only in A's deleted documents.
    a[0].tokens[0].push_back(499);
    a[1].tokens[1] = {-5};
    std::string dir = WriteIndex("merge-recycle", {a, b});
    IndexView before = ViewIndex(dir);
    MergeSettings recycle;
    recycle.strategy = 1;
    recycle.ratio = 0.1f;
    RunMerge(dir, recycle);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(CompareViews(before, ViewIndex(dir)), "");

    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, 18);
    EXPECT_EQ(status.barrels[0].deletedCount, 0);
    EXPECT_FALSE(FileExists(dir + "/_0.del"));
    std::map<std::string, uint32_t> numbers = Numbers(dir, "_0");
    EXPECT_EQ(numbers.at("a5"), 3u);
    EXPECT_EQ(numbers.at("b0"), 8u);
    EXPECT_EQ(Posting(dir, "_0", 0, 505).docs, (std::vector<uint32_t>{3}));
    EXPECT_EQ(Posting(dir, "_0", 0, 600).docs, (std::vector<uint32_t>{8}));
    EXPECT_EQ(Posting(dir, "_0", 0, 8).docs.front(), 8u);
    TermPostings every = Posting(dir, "_0", 0, 7);
    ASSERT_EQ(every.docs.size(), 18u);
    for (uint32_t doc = 0; doc < 18; ++doc)
        EXPECT_EQ(every.docs[doc], doc);
    EXPECT_EQ(every.positions[8], (std::vector<uint32_t>{2}));
    // Terms of deleted documents only are gone.
    EXPECT_TRUE(Posting(dir, "_0", 0, 499).docs.empty());
    EXPECT_TRUE(Posting(dir, "_0", 1, -5).docs.empty());
    EXPECT_EQ(Posting(dir, "_0", 3, 20002).docs, (std::vector<uint32_t>{0, 10}));
}

TEST(MergeRecycling, DeletedDocumentsAfterTheLeadKeepTheirPlaceAndAFieldMayEndEmpty)
{
    // The only user terms are in A's deleted documents 2 and 4.
    std::vector<FixtureDoc> a, b;
    for (int n = 0; n < 6; ++n) {
        std::map<int, std::vector<int32_t>> tokens = {{0, {n}}};
        if (n == 2 || n == 4)
            tokens[1] = {11};
        a.push_back(Doc("a" + std::to_string(n), tokens, n == 2 || n == 4));
        b.push_back(Doc("b" + std::to_string(n), {{0, {n}}}));
    }
    std::string dir = WriteIndex("merge-holes", {a, b});
    IndexView before = ViewIndex(dir);
    MergeSettings recycle;
    recycle.strategy = 2;
    recycle.count = 1;
    RunMerge(dir, recycle);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(CompareViews(before, ViewIndex(dir)), "");

    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, 12);
    EXPECT_EQ(status.barrels[0].deletedCount, 2);
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/_0.fdi");
    std::vector<StoredDocument> stored = ReadStoredFields(dir, "_0", fields);
    DeletedDocs deleted = ReadDeletedDocs(dir + "/_0.del");
    std::map<std::string, uint32_t> numbers = Numbers(dir, "_0");
    uint32_t holeA = numbers.at("a1") + 1, holeB = numbers.at("a3") + 1;
    EXPECT_TRUE(stored[holeA].deleted);
    EXPECT_TRUE(stored[holeB].deleted);
    EXPECT_TRUE(deleted.deleted[holeA]);
    EXPECT_TRUE(deleted.deleted[holeB]);
    // The user field lost its only term: its trailer says 0 bytes and 0 terms.
    EXPECT_EQ(fields[1].distinctTerms, 0);
    std::string tid = ReadFile(dir + "/_0.tid");
    CByteReader trailer(tid, static_cast<uint64_t>(fields[1].trailer));
    EXPECT_EQ(trailer.vlong(), 0u);
    EXPECT_EQ(trailer.vint(), 0u);

    // Merged again without recycling, the entries of -1 stay -1 and the marks stay.
    std::vector<std::vector<FixtureDoc>> more = {{Doc("c0", {{0, {1}}})}};
    WriteBarrel(dir, "_1", MergeFields(), more[0]);
    WriteIndexStatus(dir, {{"_0", 12, 2}, {"_1", 1, 0}}, MergeFields());
    MergeSettings plain;
    plain.c = 2;
    plain.m = 100;   // both on level 0
    IndexView middle = ViewIndex(dir);
    RunMerge(dir, plain);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(CompareViews(middle, ViewIndex(dir)), "");
    status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, 13);
    EXPECT_EQ(status.barrels[0].deletedCount, 2);
    stored = ReadStoredFields(dir, "_0", ReadFieldInfos(dir + "/_0.fdi"));
    EXPECT_EQ(std::count_if(stored.begin(), stored.end(), [](const StoredDocument& doc) { return doc.deleted; }),
              2);
}

TEST(MergePlain, DeletionsAreConcatenatedAndWrittenOnlyWhenThereAreAny)
{
    std::vector<FixtureDoc> a = {Doc("a0", {{0, {1}}}), Doc("a1", {{0, {1}}}), Doc("a2", {{0, {2}}}, true)};
    std::vector<FixtureDoc> b = {Doc("b0", {{0, {1}}}), Doc("b1", {{0, {3}}}), Doc("b2", {{0, {2}}})};
    std::string dir = WriteIndex("merge-del", {a, b});
    IndexView before = ViewIndex(dir);
    RunMerge(dir);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(CompareViews(before, ViewIndex(dir)), "");
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, 6);
    EXPECT_EQ(status.barrels[0].deletedCount, 1);
    DeletedDocs deleted = ReadDeletedDocs(dir + "/_0.del");
    ASSERT_EQ(deleted.docNum, 6u);
    std::map<std::string, uint32_t> numbers = Numbers(dir, "_0");
    for (const auto& [id, doc] : numbers)
        EXPECT_EQ(deleted.deleted[doc], id == "a2") << id;
    // The deleted document is still in its postings.
    EXPECT_EQ(Posting(dir, "_0", 0, 2).docs.size(), 2u);

    dir = WriteIndex("merge-nodel", {{Doc("a0", {{0, {1}}})}, {Doc("b0", {{0, {1}}})}});
    RunMerge(dir);
    EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"_0.did", "_0.fdi", "_0.pid", "_0.sfd", "_0.sfi", "_0.tid",
                                                      "index_status.xml"}));
}

TEST(MergePlain, EqualTermsComeInDocumentStartOrderAndPostingsAreCopiedRaw)
{
    // Three barrels on one level merge at once; term 1 is in all of them.
    std::vector<std::vector<FixtureDoc>> barrels;
    for (int i = 0; i < 3; ++i) {
        std::vector<FixtureDoc> docs;
        for (int n = 0; n <= i; ++n)
            docs.push_back(Doc(std::to_string(i) + "-" + std::to_string(n), {{0, {5, 1, 1}}, {2, {-3}}}));
        barrels.push_back(docs);
    }
    std::string dir = WriteIndex("merge-three", barrels);
    IndexView before = ViewIndex(dir);
    MergeSettings settings;
    settings.c = 3;
    settings.m = 10;
    RunMerge(dir, settings);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(CompareViews(before, ViewIndex(dir)), "");
    TermPostings one = Posting(dir, "_0", 0, 1);
    EXPECT_EQ(one.docs, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    for (const std::vector<uint32_t>& places : one.positions)
        EXPECT_EQ(places, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(Posting(dir, "_0", 2, -3).docs.size(), 6u);
    // The barrels lie in the new one in the order of their starts.
    std::map<std::string, uint32_t> numbers = Numbers(dir, "_0");
    std::vector<std::string> order(6);
    for (const auto& [id, doc] : numbers)
        order[doc] = id;
    for (uint32_t doc = 1; doc < 6; ++doc) {
        if (order[doc][0] == order[doc - 1][0]) {
            EXPECT_LT(order[doc - 1], order[doc]);
        }
    }
}

TEST(MergePlain, WithoutPositionDataNoPidFileIsLeft)
{
    std::vector<FixtureField> fields = {{"user", 16, 2, 1, "crc"}, {"date", 16, 2, 1, "date"},
                                     {"text", 16, 2, 0, "text"}, {"path", 16, 1, 0, ""}, {"id", 64, 1, 0, ""}};
    auto doc = [](const std::string& id, int32_t user) {
        FixtureDoc document;
        document.tokens = {{0, {user}}, {1, {20000 + user}}};
        document.stored[4] = id;
        return document;
    };
    std::string dir = WriteIndex("merge-nopid", {{doc("a", 1)}, {doc("b", 2)}}, fields);
    RunMerge(dir, MergeSettings(), fields);
    EXPECT_FALSE(FileExists(dir + "/_0.pid"));
    EXPECT_EQ(CheckIndex(dir), "");
    std::vector<FieldInfoRecord> merged = ReadFieldInfos(dir + "/_0.fdi");
    EXPECT_EQ(merged[0].distinctTerms, 2);
    // A merged document posting points at no position data.
    std::string did = ReadFile(dir + "/_0.did");
    TermPostings user = Posting(dir, "_0", 0, 1);
    EXPECT_FALSE(user.withPositions);
    EXPECT_NE(did.find(std::string(9, '\xFF') + '\x01'), std::string::npos);
    // The merged barrel reads back through the readers, without .pid.
    cs::store::CContentDirectory directory(dir, 0);
    std::unique_ptr<cs::store::CIndexInput> pFdi(directory.openInput("_0.fdi"));
    cs::index::CFieldInfoList infos;
    infos.read(*pFdi);
    cs::index::CTextIndexTermReader reader;
    reader.open(&directory, "_0", infos.getField(2), nullptr);
}

TEST(MergePlain, FieldKindsDecideThePostingsWhateverTheIndexWay)
{
    // A text field with index way 1 keeps positions, a date field with way 0 does not.
    std::vector<FixtureField> fields = {{"text", 16, 2, 1, "text"}, {"date", 16, 2, 0, "date"}, {"id", 64, 1, 0, ""}};
    std::vector<std::vector<FixtureDoc>> barrels(2);
    for (int i = 0; i < 2; ++i) {
        FixtureDoc document;
        document.tokens = {{0, {3, 4, 3}}, {1, {20000 + i}}};
        document.stored[2] = "d" + std::to_string(i);
        barrels[static_cast<size_t>(i)].push_back(document);
    }
    std::string dir = WriteIndex("merge-ways", barrels, fields);
    RunMerge(dir, MergeSettings(), fields);
    EXPECT_EQ(CheckIndex(dir), "");
    TermPostings three = Posting(dir, "_0", 0, 3);
    ASSERT_TRUE(three.withPositions);
    EXPECT_EQ(three.positions[1], (std::vector<uint32_t>{0, 2}));
}

TEST(MergeRecycling, StrategiesDecideWhichQueuesQualify)
{
    std::vector<FixtureDoc> ten;
    for (int n = 0; n < 10; ++n)
        ten.push_back(Doc("x" + std::to_string(n), {{0, {1}}}, n < 5));
    std::string dir = WriteIndex("recyclable", {ten});
    cs::store::CContentDirectory directory(dir, 0);
    cs::index::CBarrelsInfo barrels;
    ASSERT_TRUE(barrels.read(directory));
    CHTIndexMerger merger(&directory);
    cs::index::CMergeBarrelQueue queue("q", 1);
    queue.put(new cs::index::CMergeBarrelEntity(&directory, barrels.getBarrel(0)));
    cs::index::CBarrelInfo* pInfo = barrels.getBarrel(0);

    EXPECT_FALSE(merger.recyclable(nullptr));
    EXPECT_FALSE(merger.recyclable(&queue));
    merger.setRecycleStrategy(1);
    merger.setRecycleRatio(0.5f);
    EXPECT_TRUE(merger.recyclable(nullptr));
    EXPECT_TRUE(merger.recyclable(&queue));
    pInfo->setDeletedCount(4);
    EXPECT_FALSE(merger.recyclable(&queue));
    pInfo->setDocCount(0);
    pInfo->setDeletedCount(0);
    EXPECT_FALSE(merger.recyclable(&queue));

    merger.setRecycleStrategy(2);
    merger.setRecycleCount(0);
    pInfo->setDocCount(10);
    EXPECT_FALSE(merger.recyclable(&queue));
    pInfo->setDeletedCount(1);
    EXPECT_TRUE(merger.recyclable(&queue));
    merger.setRecycleCount(2);
    EXPECT_FALSE(merger.recyclable(&queue));
}

TEST(MergePlain, LentMemoryServesAsReadBuffers)
{
    std::vector<std::vector<FixtureDoc>> barrels(2);
    for (int i = 0; i < 2; ++i) {
        for (int n = 0; n < 400; ++n) {
            std::vector<int32_t> words;
            for (int k = 0; k < 30; ++k)
                words.push_back((n * 7 + k * 13) % 500);
            barrels[static_cast<size_t>(i)].push_back(
                Doc(std::to_string(i) + "/" + std::to_string(n), {{0, words}, {1, {n % 17}}}, n % 11 == 3));
        }
    }
    for (int64_t memory : {int64_t(3 * 4096), int64_t(3 << 20)}) {
        for (int strategy : {0, 2}) {
            std::string dir = WriteIndex("merge-memory", barrels);
            IndexView before = ViewIndex(dir);
            MergeSettings settings;
            settings.buffer = memory;
            settings.strategy = strategy;
            settings.count = 1;
            RunMerge(dir, settings);
            EXPECT_EQ(CheckIndex(dir), "");
            EXPECT_EQ(CompareViews(before, ViewIndex(dir)), "");
        }
    }
}

TEST(MergePlain, FilesAreTheSameByteForByteWhateverTheLentMemoryAndThreads)
{
    // Each barrel's inputs read through blocks as large as two fit in its share.
    EXPECT_EQ(cs::index::CFieldMerger::readBlock(0), 4096);
    EXPECT_EQ(cs::index::CFieldMerger::readBlock(3 * 4096), 4096);
    EXPECT_EQ(cs::index::CFieldMerger::readBlock(20000), 8192);
    EXPECT_EQ(cs::index::CFieldMerger::readBlock(10485760 / 13), 65536);

    // A frequent term makes each barrel's position list longer than the
    // largest read buffer, stored fields that compress badly its .sfd too.
    std::vector<std::vector<FixtureDoc>> barrels(3);
    uint32_t seed = 7;
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n < 700; ++n) {
            std::vector<int32_t> words;
            for (int k = 0; k < 150; ++k)
                words.push_back(k % 5 < 4 ? 1 : (n * 7 + k * 13) % 500);
            std::string id = std::to_string(i) + "/" + std::to_string(n);
            FixtureDoc doc = Doc(id, {{0, words}, {1, {n % 17}}, {3, {n}}}, n % 13 == 5);
            std::string text(static_cast<size_t>(200 + n % 90), ' ');
            for (char& c : text) {
                seed = seed * 1103515245u + 12345u;
                c = static_cast<char>(' ' + (seed >> 16) % 90);
            }
            doc.stored[5] = text + id;
            barrels[static_cast<size_t>(i)].push_back(doc);
        }
    }
    for (int strategy : {0, 2}) {
        std::map<std::string, std::string> first;
        // None, a single 4096-byte block, blocks of 8192 bytes, 64 KiB blocks;
        // then the stored fields copied on a second thread.
        const struct {
            int64_t memory;
            int threads;
        } cases[] = {{0, 1}, {6 * 4096, 1}, {3 * 16384 + 1000, 1}, {3 << 20, 1}, {3 << 20, 2}};
        for (const auto& [memory, threads] : cases) {
            std::string dir = WriteIndex("merge-same-bytes", barrels);
            MergeSettings settings;
            settings.c = 3;
            settings.buffer = memory;
            settings.strategy = strategy;
            settings.count = 1;
            settings.threads = threads;
            RunMerge(dir, settings);
            ASSERT_EQ(CheckIndex(dir), "");
            std::map<std::string, std::string> files;
            for (const std::string& name : ListDir(dir))
                files[name] = ReadFile(dir + "/" + name);
            ASSERT_EQ(files.count("_0.pid"), 1u);
            EXPECT_GT(files["_0.pid"].size(), 3u * 65536);
            EXPECT_GT(files["_0.sfd"].size(), 3u * 65536);
            if (first.empty()) {
                first = files;
                continue;
            }
            for (const auto& [name, bytes] : first)
                EXPECT_TRUE(files[name] == bytes) << name << " differs with " << memory << " bytes lent and "
                                                  << threads << " threads";
            EXPECT_EQ(files.size(), first.size());
        }
    }
}

TEST(MergePlain, TheQueueTakesOnlyCursorsWithACurrentTerm)
{
    cs::index::CFieldMergeQueue queue;
    queue.reserve(1);
    std::string dir = WriteIndex("merge-queue", {{Doc("a", {{0, {1}}})}});
    cs::store::CContentDirectory directory(dir, 0);
    cs::index::CFieldInfoList infos;
    std::unique_ptr<cs::store::CIndexInput> pFdi(directory.openInput("_0.fdi"));
    infos.read(*pFdi);
    auto pReader = std::make_unique<cs::index::CTextIndexTermReader>();
    pReader->open(&directory, "_0", infos.getField(0), nullptr);
    auto pCursor = std::make_unique<cs::index::CFieldMergeInfo>(0, 0, std::move(pReader));
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { queue.put(pCursor.get()); }),
              "INVALID ARGUMENT: pCursor && pCursor->m_pCurTerm");
    EXPECT_EQ(queue.size(), 0);
}

TEST(MergePlain, PostingMergersTakeOnlyTheirKindOfPosting)
{
    std::string dir = WriteIndex("merge-kinds", {{Doc("a", {{0, {1}}, {1, {2}}})}});
    cs::store::CContentDirectory directory(dir, 0);
    cs::index::CFieldInfoList infos;
    std::unique_ptr<cs::store::CIndexInput> pFdi(directory.openInput("_0.fdi"));
    infos.read(*pFdi);
    cs::index::CTextIndexTermReader text;
    text.open(&directory, "_0", infos.getField(0), nullptr);
    cs::index::CCrcIndexTermReader user;
    user.open(&directory, "_0", infos.getField(1), nullptr);
    std::unique_ptr<cs::index::CIndexTermIterator> pWords(text.termIterator(nullptr));
    std::unique_ptr<cs::index::CIndexTermIterator> pUsers(user.termIterator(nullptr));
    ASSERT_TRUE(pWords->next());
    ASSERT_TRUE(pUsers->next());

    std::unique_ptr<cs::store::CIndexOutput> pTid(directory.createOutput("_9.tid"));
    std::unique_ptr<cs::store::CIndexOutput> pDid(directory.createOutput("_9.did"));
    std::unique_ptr<cs::store::CIndexOutput> pPid(directory.createOutput("_9.pid"));
    cs::index::COutputDescriptor outputs(pTid.get(), pDid.get(), pPid.get());
    cs::index::CWordPostingMerger words(outputs);
    cs::index::CDocPostingMerger documents(outputs);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { words.addPosting(0, pUsers->posting()); }),
              "ASSERT FAILED: typeid(*pDiskPosting) == typeid(CDiskPostingWord)");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { documents.addPosting(0, pWords->posting()); }),
              "ASSERT FAILED: typeid(*pPosting) == typeid(CDiskPostingDoc)");
    // A term none of whose documents were added leaves nothing behind.
    EXPECT_EQ(documents.endTerm(), -1);
    EXPECT_EQ(pDid->position(), 0);
}

} // namespace
