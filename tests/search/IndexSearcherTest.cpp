// Queries over an index of chosen documents find exactly the documents the
// test works out from the words it put into them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "search/FieldAnalysis.h"
#include "search/IndexSearcher.h"
#include "search/QueryParser.h"
#include "support/SampleIndex.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;
using cs::search::CIndexSearcher;

// Whole words of the test dictionary; "的" is a stop word.
const std::vector<std::string> kWords = {"中国", "北京", "大学", "学生", "研究", "软件", "数据库", "全文", "检索", "索引", "计算机", "的"};
const std::vector<std::string> kUsers = {"alice", "bob", "carol"};
const std::vector<std::string> kTypes = {"web", "chat", "mail"};
const int kDocuments = 60;
const std::set<int> kDeleted = {3, 17, 41};

struct Corpus {
    std::vector<std::vector<std::string>> words;   // per document, in text order
    std::vector<SampleDocument> documents;
    std::string dir = MakeTempDir("search") + "/index";

    Corpus()
    {
        std::mt19937 random(20261201);
        for (int d = 0; d < kDocuments; ++d) {
            std::vector<std::string> text;
            size_t length = 3 + random() % 10;
            for (size_t i = 0; i < length; ++i)
                text.push_back(kWords[random() % kWords.size()]);
            // Phrases some documents hold for certain.
            if (d % 5 == 0)
                text.insert(text.end(), {"全文", "检索"});
            if (d % 7 == 0)
                text.insert(text.end(), {"中国", "的", "北京"});
            std::string joined;
            for (const std::string& word : text)
                joined += (joined.empty() ? "" : " ") + word;
            words.push_back(text);
            documents.push_back({{"text", joined},
                                 {"user", kUsers[d % 3]},
                                 {"date", "2026-12-" + std::string(d % 10 < 9 ? "0" : "") + std::to_string(d % 10 + 1)},
                                 {"type", kTypes[d % 3 == 0 ? 2 : d % 2]},
                                 {"path", "/docs/" + std::to_string(d) + ".txt"},
                                 {"abstract", joined}});
        }
        WriteSampleIndex(dir, documents, {25, 20, 15}, kDeleted);
    }

    std::set<int64_t> where(const std::function<bool(int)>& test) const
    {
        std::set<int64_t> docs;
        for (int d = 0; d < kDocuments; ++d) {
            if (!kDeleted.count(d) && test(d))
                docs.insert(d);
        }
        return docs;
    }
    bool has(int d, const std::string& word) const
    {
        return std::find(words[d].begin(), words[d].end(), word) != words[d].end();
    }
    // `first` directly followed by `second`, stop words left out.
    bool adjacent(int d, const std::string& first, const std::string& second) const
    {
        std::vector<std::string> kept;
        for (const std::string& word : words[d]) {
            if (word != "的")
                kept.push_back(word);
        }
        for (size_t i = 0; i + 1 < kept.size(); ++i) {
            if (kept[i] == first && kept[i + 1] == second)
                return true;
        }
        return false;
    }
};

const Corpus& TheCorpus()
{
    static Corpus corpus;
    return corpus;
}

class IndexSearcherTest : public ::testing::Test {
protected:
    CIndexSearcher searcher{TheCorpus().dir, "general.analyzer"};

    std::vector<cs::search::CSearchHit> run(const std::string& query, size_t limit = 0)
    {
        std::vector<std::string> names = searcher.fieldNames();
        cs::search::CQueryParser parser(std::set<std::string>(names.begin(), names.end()), "text");
        size_t total = 0;
        std::vector<cs::search::CSearchHit> hits = searcher.search(*parser.parse(query), limit, total);
        EXPECT_TRUE(limit != 0 || total == hits.size());
        return hits;
    }
    std::set<int64_t> found(const std::string& query)
    {
        std::set<int64_t> docs;
        for (const auto& hit : run(query))
            docs.insert(hit.doc);
        return docs;
    }
};

TEST_F(IndexSearcherTest, TermsAndBooleanOperators)
{
    const Corpus& c = TheCorpus();
    for (const char* word : {"中国", "索引", "计算机", "数据库"}) {
        std::set<int64_t> expected = c.where([&](int d) { return c.has(d, word); });
        ASSERT_GT(expected.size(), 3u) << word;
        EXPECT_EQ(found(word), expected) << word;
    }
    EXPECT_EQ(found("北京 大学"), c.where([&](int d) { return c.has(d, "北京") && c.has(d, "大学"); }));
    EXPECT_EQ(found("北京 OR 大学"), c.where([&](int d) { return c.has(d, "北京") || c.has(d, "大学"); }));
    EXPECT_EQ(found("软件 NOT 全文"), c.where([&](int d) { return c.has(d, "软件") && !c.has(d, "全文"); }));
    EXPECT_EQ(found("NOT 软件"), c.where([&](int d) { return !c.has(d, "软件"); }));
    EXPECT_EQ(found("(检索 OR 研究) AND NOT (学生 OR 中国)"), c.where([&](int d) {
                  return (c.has(d, "检索") || c.has(d, "研究")) && !(c.has(d, "学生") || c.has(d, "中国"));
              }));
    // A stop word constrains nothing.
    EXPECT_EQ(found("的 索引"), found("索引"));
}

TEST_F(IndexSearcherTest, PhrasesFollowPositions)
{
    const Corpus& c = TheCorpus();
    std::set<int64_t> expected = c.where([&](int d) { return c.adjacent(d, "全文", "检索"); });
    ASSERT_FALSE(expected.empty());
    EXPECT_LT(expected.size(), c.where([&](int d) { return c.has(d, "全文") && c.has(d, "检索"); }).size());
    EXPECT_EQ(found("\"全文 检索\""), expected);
    // Without blanks the words segment into the same phrase.
    EXPECT_EQ(found("全文检索"), found("\"全文 检索\""));
    EXPECT_EQ(found("\"中国 的 北京\""), c.where([&](int d) { return c.adjacent(d, "中国", "北京"); }))
        << "a stop word inside a phrase leaves no gap, as in the index";
}

TEST_F(IndexSearcherTest, ValueFields)
{
    const Corpus& c = TheCorpus();
    EXPECT_EQ(found("user:Alice"), c.where([&](int d) { return d % 3 == 0; }));
    EXPECT_EQ(found("type:mail"), c.where([&](int d) { return d % 3 == 0; }));
    EXPECT_EQ(found("type:chat OR type:web"), c.where([&](int d) { return d % 3 != 0; }));
    EXPECT_EQ(found("date:2026-12-03..2026-12-05"), c.where([&](int d) { return d % 10 >= 2 && d % 10 <= 4; }));
    EXPECT_EQ(found("date:20261209.."), c.where([&](int d) { return d % 10 >= 8; }));
    EXPECT_EQ(found("date:..2026-12-01"), c.where([&](int d) { return d % 10 == 0; }));
    EXPECT_EQ(found("date:2026-12-07"), c.where([&](int d) { return d % 10 == 6; }));
    EXPECT_EQ(found("user:bob date:2026-12-02..2026-12-02 索引"),
              c.where([&](int d) { return d % 3 == 1 && d % 10 == 1 && c.has(d, "索引"); }));
}

TEST_F(IndexSearcherTest, RankingAndStoredFields)
{
    const Corpus& c = TheCorpus();
    std::vector<cs::search::CSearchHit> hits = run("索引");
    ASSERT_GT(hits.size(), 10u);
    for (size_t i = 1; i < hits.size(); ++i)
        EXPECT_GE(hits[i - 1].score, hits[i].score);
    // More occurrences in a document of the same length, or as many in a
    // shorter one, score higher.
    auto occurrences = [&](int64_t d) { return std::count(c.words[d].begin(), c.words[d].end(), "索引"); };
    auto length = [&](int64_t d) { return c.words[d].size(); };
    for (size_t i = 0; i < hits.size(); ++i) {
        for (size_t k = i + 1; k < hits.size(); ++k) {
            int64_t a = hits[i].doc, b = hits[k].doc;
            if (length(a) == length(b)) {
                EXPECT_GE(occurrences(a), occurrences(b)) << a << " before " << b;
            }
            if (occurrences(a) == occurrences(b)) {
                EXPECT_LE(length(a), length(b)) << a << " before " << b;
            }
        }
    }
    EXPECT_EQ(hits[0].path, "/docs/" + std::to_string(hits[0].doc) + ".txt");
    EXPECT_FALSE(hits[0].abstract.empty());
    // The page after the first five.
    size_t total = 0;
    std::vector<std::string> names = searcher.fieldNames();
    cs::search::CQueryParser parser(std::set<std::string>(names.begin(), names.end()), "text");
    std::vector<cs::search::CSearchHit> page = searcher.search(*parser.parse("索引"), 3, total, 5);
    EXPECT_EQ(total, hits.size());
    ASSERT_EQ(page.size(), 3u);
    for (size_t i = 0; i < page.size(); ++i)
        EXPECT_EQ(page[i].doc, hits[5 + i].doc);
}

TEST_F(IndexSearcherTest, AnIndexWithoutLengthsRanksWithoutThem)
{
    // Barrels written before lengths were kept: every document counts as of
    // the field's average length, so occurrences alone decide.
    const Corpus& c = TheCorpus();
    std::string dir = MakeTempDir("search-no-lengths");
    for (const std::string& name : ListDir(c.dir)) {
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".len") != 0)
            WriteFile(dir + "/" + name, ReadFile(c.dir + "/" + name));
    }
    CIndexSearcher old(dir, "general.analyzer");
    std::vector<std::string> names = old.fieldNames();
    cs::search::CQueryParser parser(std::set<std::string>(names.begin(), names.end()), "text");
    size_t total = 0;
    std::vector<cs::search::CSearchHit> hits = old.search(*parser.parse("索引"), 0, total);
    EXPECT_EQ(hits.size(), run("索引").size());
    auto occurrences = [&](int64_t d) { return std::count(c.words[d].begin(), c.words[d].end(), "索引"); };
    for (size_t i = 1; i < hits.size(); ++i)
        EXPECT_GE(occurrences(hits[i - 1].doc), occurrences(hits[i].doc));
}

TEST_F(IndexSearcherTest, ValuesAndQueriesThatCannotRun)
{
    auto bad = [&](const std::string& query) {
        return RaisedMessage<cs::search::CFieldAnalysis::CBadValue>([&] { run(query); });
    };
    EXPECT_EQ(bad("的"), "the query holds nothing but stop words");
    EXPECT_EQ(bad("user:a..b"), "field user holds no dates: ranges are for date fields");
    EXPECT_EQ(bad("date:2026-12-09..2026-12-01"), "the date range 2026-12-09..2026-12-01 is empty");
    EXPECT_EQ(bad("type:video"), "'video' is no value of field type");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([] { CIndexSearcher(MakeTempDir("no-index"), "general.analyzer"); })
                  .find("no index in "),
              0u);
}

} // namespace
