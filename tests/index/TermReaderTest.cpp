// Term readers, iterators, disk postings and the query cursors on barrels
// written byte by byte from the file layouts.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "index/fields/FieldInfoList.h"
#include "index/postings/DiskPostingDoc.h"
#include "index/postings/DiskPostingWord.h"
#include "index/postings/DocPosPosting.h"
#include "index/postings/DocPosting.h"
#include "index/terms/CrcIndexTermReader.h"
#include "index/terms/DateIndexTermReader.h"
#include "index/terms/IndexTermIterator.h"
#include "index/terms/TermReaderImpl.h"
#include "index/terms/TextIndexTermReader.h"
#include "store/ContentDirectory.h"
#include "support/BarrelBuilder.h"
#include "support/IndexFiles.h"
#include "support/TestSupport.h"
#include "utility/DocDeleted.h"
#include "utility/Term.h"

namespace {

using namespace cs::test;
using namespace cs::index;
using cs::utility::CTermT;

const std::vector<FixtureField> kFields = {
    {"text", 16, 2, 0, "text"}, {"user", 16, 2, 1, "crc"}, {"mail", 16, 2, 0, "crc"},
    {"date", 16, 2, 1, "date"}, {"path", 64, 1, 0, ""},
};

struct Term {
    int32_t value;
    std::vector<int32_t> docs;
    std::vector<std::vector<int32_t>> positions;
};

// A barrel in a scratch directory with its field information read back.
class CBarrel {
public:
    CBarrel(const std::string& tag, const std::vector<FixtureDoc>& docs)
        : m_dir(MakeTempDir(tag)), m_directory(m_dir, cs::store::CContentDirectory::MODE_OPEN)
    {
        WriteBarrel(m_dir, "_0", kFields, docs);
        loadFields();
    }

    void loadFields()
    {
        std::unique_ptr<cs::store::CIndexInput> pInput(m_directory.openInput("_0.fdi"));
        m_fields.read(*pInput);
    }

    template <class Reader>
    std::unique_ptr<Reader> open(int field, cs::utility::CDocDeleted* pDeleted = nullptr)
    {
        auto pReader = std::make_unique<Reader>();
        pReader->open(&m_directory, "_0", m_fields.getField(field), pDeleted);
        return pReader;
    }

    const std::string& dir() const { return m_dir; }
    cs::store::CContentDirectory& directory() { return m_directory; }
    CFieldInfoList& fields() { return m_fields; }

private:
    std::string m_dir;
    cs::store::CContentDirectory m_directory;
    CFieldInfoList m_fields;
};

// Every term of the iterator with its documents (nextDocs) and positions.
std::vector<Term> Walk(CIndexTermIterator& iterator, bool positions)
{
    std::vector<Term> terms;
    while (iterator.next()) {
        Term term;
        term.value = static_cast<const CTermT<int32_t>*>(iterator.term())->get();
        CDiskPosting* pPosting = iterator.posting();
        int32_t buffer[6];
        for (int32_t count; (count = pPosting->nextDocs(buffer, 6)) > 0;) {
            for (int32_t i = 0; i < count; ++i)
                term.docs.push_back(buffer[i]);
        }
        if (positions) {
            // Without deletions the documents come back in order, positions after them.
            pPosting->reset();
            for (size_t d = 0; d < term.docs.size(); ++d) {
                int32_t doc = 0, freq = 0;
                EXPECT_TRUE(pPosting->nextDoc(doc, freq));
                pPosting->resetPositions();
                std::vector<int32_t> places(static_cast<size_t>(freq));
                EXPECT_EQ(pPosting->nextPositions(places.data(), freq), freq);
                term.positions.push_back(places);
            }
        }
        terms.push_back(term);
    }
    return terms;
}

std::vector<FixtureDoc> SampleDocs()
{
    std::vector<FixtureDoc> docs(4);
    docs[0].tokens = {{0, {12, 5, -1, 5}}, {1, {-7}}, {2, {3, 3}}, {3, {20000}}};
    docs[1].tokens = {{0, {7}}, {1, {3, -7}}, {3, {20001}}};
    docs[2].tokens = {{0, {5, 7, 12}}, {2, {-2}}, {3, {20000}}};
    docs[3].tokens = {{0, {12}}, {3, {20003}}};
    docs[0].stored = {{4, "/a"}};
    return docs;
}

TEST(TermReader, TextDictionaryIsDeltaCodedAndReadBackWithPositions)
{
    CBarrel barrel("reader-text", SampleDocs());
    // Terms 5, 7, 12 are stored as deltas 5, 2, 5.
    std::string tid = ReadFile(barrel.dir() + "/_0.tid");
    CByteReader entries(tid, 0);
    std::vector<uint32_t> deltas;
    for (int i = 0; i < 3; ++i) {
        deltas.push_back(entries.vint());
        entries.vint();
        entries.vlong();
    }
    EXPECT_EQ(deltas, (std::vector<uint32_t>{5, 2, 5}));

    CLogCapture log;
    auto pReader = barrel.open<CTextIndexTermReader>(0);
    EXPECT_TRUE(log.logged("DEBUG", "text index term reader is opening barrel _0 index files"));
    EXPECT_TRUE(log.logged("DEBUG", "text index term reader has compelete opening barrel _0 index files and loading "
                                    "posting index dictionary"));
    EXPECT_EQ(pReader->termIterator("user"), nullptr);
    std::unique_ptr<CIndexTermIterator> pIterator(pReader->termIterator("text"));
    ASSERT_NE(pIterator, nullptr);
    EXPECT_EQ(pIterator->posting(), nullptr);
    std::vector<Term> terms = Walk(*pIterator, true);
    ASSERT_EQ(terms.size(), 3u);
    EXPECT_EQ(terms[0].value, 5);
    EXPECT_EQ(terms[0].docs, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(terms[0].positions, (std::vector<std::vector<int32_t>>{{1, 2}, {0}}));
    EXPECT_EQ(terms[1].value, 7);
    EXPECT_EQ(terms[1].docs, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(terms[2].value, 12);
    EXPECT_EQ(terms[2].docs, (std::vector<int32_t>{0, 2, 3}));
    EXPECT_EQ(terms[2].positions, (std::vector<std::vector<int32_t>>{{0}, {2}, {0}}));
    EXPECT_FALSE(pIterator->next());
}

TEST(TermReader, CrcAndDateKindsPickTheirPostings)
{
    CBarrel barrel("reader-kinds", SampleDocs());
    auto pUser = barrel.open<CCrcIndexTermReader>(1);
    std::unique_ptr<CIndexTermIterator> pUsers(pUser->termIterator(nullptr));
    ASSERT_TRUE(pUsers->next());
    EXPECT_EQ(typeid(*pUsers->posting()), typeid(CDiskPostingDoc));
    std::vector<Term> users = Walk(*pUsers, false);
    // Signed order: -7 before 3.
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].value, 3);
    pUsers.reset(pUser->termIterator(nullptr));
    users = Walk(*pUsers, false);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].value, -7);
    EXPECT_EQ(users[0].docs, (std::vector<int32_t>{0, 1}));

    auto pMail = barrel.open<CCrcIndexTermReader>(2);
    std::unique_ptr<CIndexTermIterator> pMails(pMail->termIterator(nullptr));
    ASSERT_TRUE(pMails->next());
    EXPECT_EQ(typeid(*pMails->posting()), typeid(CDiskPostingWord));
    pMails.reset(pMail->termIterator(nullptr));
    std::vector<Term> mails = Walk(*pMails, true);
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[1].value, 3);
    EXPECT_EQ(mails[1].positions, (std::vector<std::vector<int32_t>>{{0, 1}}));

    CLogCapture log;
    auto pDate = barrel.open<CDateIndexTermReader>(3);
    EXPECT_TRUE(log.logged("DEBUG", "date index term reader is opening barrel _0 index files"));
    std::unique_ptr<CIndexTermIterator> pDates(pDate->termIterator(nullptr));
    ASSERT_TRUE(pDates->next());
    EXPECT_EQ(typeid(*pDates->posting()), typeid(CDiskPostingDoc));
    EXPECT_EQ(pDates->posting()->totalTermFreq(), 2);
}

TEST(TermReader, FieldWithoutTermsAndPostingWithEveryDocumentDeleted)
{
    std::vector<FixtureDoc> docs(3);
    docs[0].tokens = {{1, {4}}};
    docs[1].tokens = {{1, {4}}, {3, {9}}};
    docs[2].tokens = {{1, {8}}};
    CBarrel barrel("reader-empty", docs);
    // The text field holds no term: its trailer says 0 bytes, 0 terms.
    auto pText = barrel.open<CTextIndexTermReader>(0);
    std::unique_ptr<CIndexTermIterator> pTerms(pText->termIterator(nullptr));
    EXPECT_FALSE(pTerms->next());

    cs::utility::CDocDeleted deleted;
    deleted.setDeleted(0);
    deleted.setDeleted(1);
    auto pUser = barrel.open<CCrcIndexTermReader>(1, &deleted);
    std::unique_ptr<CIndexTermIterator> pUsers(pUser->termIterator(nullptr));
    ASSERT_TRUE(pUsers->next());
    int32_t buffer[8];
    EXPECT_EQ(pUsers->posting()->nextDocs(buffer, 8), 0);
    EXPECT_EQ(pUsers->docFreq(), 2);
    ASSERT_TRUE(pUsers->next());
    EXPECT_EQ(pUsers->posting()->nextDocs(buffer, 8), 1);
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(buffer[4], 1);

    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pUsers->posting()->nextDocs(nullptr, 8); }),
              "INVALID ARGUMENT: buf != NULL && size > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pUsers->posting()->open(0); }),
              "INVALID ARGUMENT: offset > 0");
}

TEST(TermReader, MergedDocumentPostingWithoutPositionDataNeedsNoPidFile)
{
    // A document posting whose .pid offset is all ones, in a barrel without .pid.
    CByteWriter did, tid, fdi;
    did.vint(1);
    did.vint(2);
    uint64_t trailer = did.size();
    did.vlong(2);
    did.vint(2);
    did.vlong(2);
    did.vlong(UINT64_MAX);
    did.vint(1);
    did.vlong(2);
    did.vint(3);
    tid.vint(11);
    tid.vint(2);
    tid.vlong(trailer);
    uint64_t tidTrailer = tid.size();
    tid.vlong(tidTrailer);
    tid.vint(1);
    fdi.int32(1);
    fdi.string("mail");
    fdi.int32(16 | 2);
    for (uint64_t value : {uint64_t(2), uint64_t(1), tidTrailer, tid.size(), did.size(), uint64_t(0)})
        fdi.int64(value);
    fdi.int32(0);
    fdi.string("1.00");
    std::string dir = MakeTempDir("reader-merged");
    WriteFile(dir + "/_0.tid", tid.data());
    WriteFile(dir + "/_0.did", did.data());
    WriteFile(dir + "/_0.fdi", fdi.data());

    cs::store::CContentDirectory directory(dir, 0);
    CFieldInfoList fields;
    std::unique_ptr<cs::store::CIndexInput> pFdi(directory.openInput("_0.fdi"));
    fields.read(*pFdi);
    // Index way 0: a word posting reading a merged list finds no positions.
    CCrcIndexTermReader reader;
    reader.open(&directory, "_0", fields.getField(0), nullptr);
    std::unique_ptr<CIndexTermIterator> pIterator(reader.termIterator(nullptr));
    ASSERT_TRUE(pIterator->next());
    CDiskPosting* pPosting = pIterator->posting();
    EXPECT_FALSE(pPosting->hasPositions());
    int32_t doc = 0, freq = 0;
    ASSERT_TRUE(pPosting->nextDoc(doc, freq));
    EXPECT_EQ(doc, 1);
    EXPECT_EQ(freq, 2);
    EXPECT_EQ(pPosting->nextPositions(nullptr, 2), 0);
}

TEST(TermReader, DateRangeQuery)
{
    std::vector<FixtureDoc> docs(4);
    docs[0].tokens = {{3, {100}}};
    docs[1].tokens = {{3, {200}}};
    docs[2].tokens = {{3, {300, 100}}};
    docs[3].tokens = {{3, {400}}};
    CBarrel barrel("reader-range", docs);
    auto pReader = barrel.open<CDateIndexTermReader>(3);
    auto range = [&](int32_t from, int32_t to) {
        CTermT<int32_t> lower("date", from), upper("date", to);
        std::unique_ptr<CIndexTermIterator> pIterator(pReader->rangeQuery(&lower, &upper));
        std::vector<int32_t> values;
        for (const Term& term : Walk(*pIterator, false))
            values.push_back(term.value);
        return values;
    };
    EXPECT_EQ(range(150, 300), (std::vector<int32_t>{200, 300}));
    EXPECT_EQ(range(100, 400), (std::vector<int32_t>{100, 200, 300, 400}));
    EXPECT_EQ(range(200, 200), (std::vector<int32_t>{200}));
    EXPECT_EQ(range(301, 399), (std::vector<int32_t>{}));
    EXPECT_EQ(range(INT32_MIN, 99), (std::vector<int32_t>{}));

    CTermT<int32_t> early("date", 100), late("date", 300);
    CTermT<int64_t> wide("date", 300);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pReader->rangeQuery(&late, &early); }),
              "INVALID ARGUMENT: (*lower) < (*upper) || (*lower) == (*upper)");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pReader->rangeQuery(&wide, &late); }),
              "INVALID ARGUMENT: dynamic_cast<const CTermT<date_t> *>(from) != NULL");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pReader->rangeQuery(&early, &wide); }),
              "INVALID ARGUMENT: dynamic_cast<const CTermT<date_t> *>(to) != NULL");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pReader->rangeQuery(nullptr, &wide); }),
              "INVALID ARGUMENT: lower != NULL && upper != NULL");
}

TEST(TermReader, SeekTermDocsAndTermPositionsSkipDeletedDocuments)
{
    std::vector<FixtureDoc> docs(300);
    for (int d = 0; d < 300; ++d) {
        // Term 9 in every document, at positions d % 3 + 1 and d % 3 + 4.
        std::vector<int32_t> tokens(static_cast<size_t>(d % 3), 1);
        tokens.push_back(9);
        tokens.insert(tokens.end(), {2, 3, 9});
        docs[d].tokens = {{0, tokens}, {1, {d % 2}}};
    }
    CBarrel barrel("reader-query", docs);
    cs::utility::CDocDeleted deleted;
    for (int d = 0; d < 300; d += 7)
        deleted.setDeleted(d);
    auto pReader = barrel.open<CTextIndexTermReader>(0, &deleted);

    EXPECT_EQ(pReader->termDocs(), nullptr);
    CTermT<int32_t> missing("text", 8), other("user", 9), nine("text", 9);
    EXPECT_FALSE(pReader->seek(&missing));
    EXPECT_FALSE(pReader->seek(&other));
    EXPECT_EQ(pReader->find(&other), nullptr);
    ASSERT_NE(pReader->find(&nine), nullptr);
    EXPECT_EQ(pReader->find(&nine)->m_docFreq, 300);
    ASSERT_TRUE(pReader->seek(&nine));

    std::unique_ptr<CDocPosting> pDocs(pReader->termDocs());
    std::unique_ptr<CDocPosPosting> pPositions(pReader->termPositions());
    ASSERT_NE(pDocs, nullptr);
    ASSERT_NE(pPositions, nullptr);
    EXPECT_EQ(pDocs->docFreq(), 300);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pDocs->doc(); }),
              "INVALID OPERATION: m_bufpos >= 0 && m_bufpos < m_bufcnt");
    int expected = 0;
    while (pDocs->next()) {
        while (expected % 7 == 0)
            ++expected;
        ASSERT_EQ(pDocs->doc(), expected);
        EXPECT_EQ(pDocs->freq(), 2);
        ++expected;
    }
    EXPECT_EQ(expected, 300);

    // Positions: read for some documents, passed over for others.
    int visited = 0;
    while (pPositions->next()) {
        int32_t doc = pPositions->doc();
        ASSERT_NE(doc % 7, 0);
        ASSERT_EQ(pPositions->freq(), 2);
        if (doc % 2 == 0) {
            int32_t places[2];
            pPositions->positions(places);
            EXPECT_EQ(places[0], doc % 3) << doc;
            EXPECT_EQ(places[1], doc % 3 + 3) << doc;
        }
        ++visited;
    }
    EXPECT_EQ(visited, 300 - 43);

    std::unique_ptr<CDocPosPosting> pSkipping(pReader->termPositions());
    int32_t nearby = 0;
    EXPECT_TRUE(pSkipping->skipTo(14, &nearby));
    EXPECT_EQ(nearby, 15);
    EXPECT_TRUE(pSkipping->skipTo(15, &nearby));
    EXPECT_EQ(nearby, 15);
    int32_t places[2];
    pSkipping->positions(places);
    EXPECT_EQ(places[0], 0);
    EXPECT_FALSE(pSkipping->skipTo(300, &nearby));
    EXPECT_EQ(nearby, -1);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pSkipping->skipTo(1, nullptr); }),
              "INVALID ARGUMENT: nearby != NULL");

    // A field without positions gives documents but no position cursor.
    auto pUser = barrel.open<CCrcIndexTermReader>(1);
    CTermT<int32_t> odd("user", 1);
    ASSERT_TRUE(pUser->seek(&odd));
    EXPECT_EQ(pUser->termPositions(), nullptr);
    std::unique_ptr<CDocPosting> pOdd(pUser->termDocs());
    ASSERT_TRUE(pOdd->skipTo(100, &nearby));
    EXPECT_EQ(nearby, 101);

    // The implementation leaves queries to its wrapper.
    CTermReaderImpl impl("crc", PositionRule::BY_INDEX_WAY);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { impl.seek(&odd); }),
              "INVALID OPERATION: FALSE && \"call CCrcIndexTermReader::seek() \"");
}

TEST(TermReader, LentBuffersAndClonesReadIndependently)
{
    CBarrel barrel("reader-buffer", SampleDocs());
    auto pReader = barrel.open<CTextIndexTermReader>(0);
    std::unique_ptr<CIndexTermIterator> pIterator(pReader->termIterator(nullptr));
    std::vector<char> memory(3 * 4096);
    // .did and .pid take 4096 bytes each.
    EXPECT_EQ(pIterator->setBuffer(memory.data(), static_cast<int64_t>(memory.size())), 4096);
    EXPECT_EQ(pIterator->setBuffer(memory.data(), 100), 100);
    ASSERT_TRUE(pIterator->next());
    CDiskPosting* pPosting = pIterator->posting();
    EXPECT_EQ(pPosting->setBuffer(memory.data(), 5000), 904);
    EXPECT_EQ(pPosting->setBuffer(memory.data(), 100), 100);
    // Larger blocks follow the same rule.
    std::vector<char> large(1 << 20);
    EXPECT_EQ(pIterator->setBuffer(large.data(), 20000, 8192), 20000 - 2 * 8192);
    EXPECT_EQ(pIterator->setBuffer(large.data(), 12000, 8192), 12000 - 8192);
    EXPECT_EQ(pIterator->setBuffer(large.data(), 8000, 8192), 8000);
    EXPECT_EQ(pPosting->setBuffer(large.data(), 20000, 8192), 20000 - 2 * 8192);
    EXPECT_EQ(pPosting->setBuffer(large.data(), 1 << 20, 65536), (1 << 20) - 2 * 65536);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pPosting->setBuffer(large.data(), 1, 0); }),
              "INVALID ARGUMENT: block > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pPosting->setBuffer(nullptr, 1); }),
              "INVALID ARGUMENT: buf != NULL");

    std::unique_ptr<cs::index::CPosting> pClone(pPosting->clone());
    int32_t first[4], second[4];
    ASSERT_EQ(pPosting->nextDocs(first, 4), 2);
    ASSERT_EQ(pClone->nextDocs(second, 4), 2);
    EXPECT_EQ(first[0], second[0]);
    EXPECT_EQ(first[1], second[1]);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { pPosting->nextPositions(nullptr, 0); }),
              "INVALID ARGUMENT: size > 0");
}

TEST(TermReader, DamagedFilesAreNamed)
{
    CBarrel barrel("reader-damaged", SampleDocs());
    std::string tid = ReadFile(barrel.dir() + "/_0.tid");
    std::string did = ReadFile(barrel.dir() + "/_0.did");

    // A .tid trailer offset beyond the file.
    barrel.fields().getField(0)->setTermDictTrailer(static_cast<int64_t>(tid.size()) + 10);
    std::string message = RaisedMessage<std::runtime_error>([&] { barrel.open<CTextIndexTermReader>(0); });
    EXPECT_NE(message.find("index file " + barrel.dir() + "/_0.tid is damaged"), std::string::npos) << message;

    // A trailer pointing inside the dictionary of another field.
    barrel.loadFields();
    barrel.fields().getField(0)->setTermDictTrailer(1);
    message = RaisedMessage<std::runtime_error>([&] { barrel.open<CTextIndexTermReader>(0); });
    EXPECT_NE(message.find("_0.tid is damaged"), std::string::npos) << message;

    // A .did cut short: the last postings point past its end.
    barrel.loadFields();
    WriteFile(barrel.dir() + "/_0.did", did.substr(0, did.size() / 2));
    message = RaisedMessage<std::runtime_error>([&] {
        for (int field : {0, 1, 2}) {
            auto pReader = barrel.open<CCrcIndexTermReader>(field);
            std::unique_ptr<CIndexTermIterator> pIterator(pReader->termIterator(nullptr));
            while (pIterator->next())
                pIterator->posting();
        }
        auto pDates = barrel.open<CDateIndexTermReader>(3);
    });
    EXPECT_NE(message.find("index file " + barrel.dir() + "/_0.did is damaged"), std::string::npos) << message;

    // A missing file is the open failure of the streams.
    ::unlink((barrel.dir() + "/_0.did").c_str());
    message = RaisedMessage<std::runtime_error>([&] { barrel.open<CTextIndexTermReader>(0); });
    EXPECT_NE(message.find("failed to open file: " + barrel.dir() + "/_0.did"), std::string::npos) << message;
}

} // namespace
