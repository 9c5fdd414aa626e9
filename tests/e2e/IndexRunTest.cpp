// Whole runs of the indexer over a directory, as an operator starts them,
// with the index decoded from its files: what one run writes, what a second
// run and a rebuild do, and the index after the process is killed at random
// moments.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>

#include "e2e/Sandbox.h"
#include "index/IndexRecovery.h"
#include "support/AnalyzerTestData.h"
#include "support/Corpus.h"
#include "support/IndexFiles.h"

using namespace cs::test;

namespace {

const char kGameOver[] = "congratulations, game over!\n";

// A log line of `level` (as printed, padded to five) whose message is `message`.
bool Logged(const std::string& log, const std::string& level, const std::string& message)
{
    std::string padded = level + std::string(5 - level.size(), ' ') + " ";
    size_t at = 0;
    while ((at = log.find(" " + message + "\n", at)) != std::string::npos) {
        size_t lineStart = log.rfind('\n', at) + 1;
        if (log.compare(lineStart + 9, padded.size(), padded) == 0)
            return true;
        ++at;
    }
    return false;
}

std::vector<std::string> Leftovers(const std::string& dir)
{
    std::vector<std::string> names;
    for (const std::string& name : ListDir(dir)) {
        bool tmp = name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0;
        if (tmp || name == "index.plan" || name == "index.plan.new")
            names.push_back(name);
    }
    return names;
}

int64_t DocumentTotal(const std::string& root)
{
    int64_t total = 0;
    for (const BarrelRecord& barrel : ReadIndexStatus(root + "/index_status.xml").barrels)
        total += barrel.docCount;
    return total;
}

FieldInfoRecord Field(const std::vector<FieldInfoRecord>& fields, const std::string& name)
{
    for (const FieldInfoRecord& field : fields) {
        if (field.name == name)
            return field;
    }
    return FieldInfoRecord();
}

class IndexRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_source = m_box.dir() + "/docs";
        m_box.writeGlobal(m_box.global("<system_status>1</system_status><source>" + m_source + "</source>"));
    }

    // Three documents whose terms and positions are known.
    void writeKnownDocuments()
    {
        std::string repeated;
        for (int i = 0; i < 20; ++i)
            repeated += "hello world hello linux ";
        WriteFile(m_source + "/en.txt", repeated);
        WriteFile(m_source + "/sub/page.html", "<html><body><p>hello&nbsp;world</p></body></html>");
        WriteFile(m_source + "/sub/zh.txt", Gbk(std::string(50, ' ') + "中国人民银行在北京。") + std::string(200, ' '));
    }

    CSandbox m_box;
    std::string m_source;
};

} // namespace

TEST_F(IndexRun, ARunIndexesEveryFileOfTheDirectory)
{
    writeKnownDocuments();
    ProcessResult result = m_box.run({"-d", "alpha"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kGameOver);
    std::string root = m_box.indexRoot();
    EXPECT_EQ(ReadFile(root + "/index.run"), "indexing database: Alpha, done: ");

    IndexStatus status = ReadIndexStatus(root + "/index_status.xml");
    EXPECT_EQ(status.version, "cs.1.0.0");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].name, "_0");
    EXPECT_EQ(status.barrels[0].docCount, 3);
    EXPECT_EQ(status.fieldNames, (std::vector<std::string>{"text", "user", "group", "date", "path", "abstract",
                                                            "mail_send", "mail_recv", "type"}));
    EXPECT_EQ(CheckIndex(root), "");

    // Which document is which, from the stored abstracts.
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(root + "/_0.fdi");
    std::vector<StoredDocument> stored = ReadStoredFields(root, "_0", fields);
    ASSERT_EQ(stored.size(), 3u);
    int english = -1, page = -1, chinese = -1;
    for (int doc = 0; doc < 3; ++doc) {
        for (const StoredField& field : stored[doc].fields) {
            if (fields[field.fieldId].name != "abstract")
                continue;
            if (field.text.compare(0, 17, "hello world hello") == 0) {
                english = doc;
                EXPECT_TRUE(field.compressed);   // repetitive text shrinks
            } else if (field.text.find("hello world") != std::string::npos) {
                page = doc;
            } else if (field.text.find(Gbk("北京")) != std::string::npos) {
                chinese = doc;
            }
        }
    }
    ASSERT_TRUE(english >= 0 && page >= 0 && chinese >= 0);

    std::vector<TermPostings> terms = ReadFieldPostings(root, "_0", Field(fields, "text"));
    auto postingsOf = [&](const std::string& word) {
        for (const TermPostings& term : terms) {
            if (term.term == WordId(word))
                return term;
        }
        return TermPostings();
    };
    TermPostings hello = postingsOf("hello");
    ASSERT_EQ(hello.docs.size(), 2u);
    std::vector<uint32_t> englishPositions;
    for (uint32_t i = 0; i < 20; ++i) {
        englishPositions.push_back(4 * i);
        englishPositions.push_back(4 * i + 2);
    }
    for (size_t i = 0; i < hello.docs.size(); ++i) {
        if (static_cast<int>(hello.docs[i]) == english)
            EXPECT_EQ(hello.positions[i], englishPositions);
        else
            EXPECT_EQ(hello.positions[i], (std::vector<uint32_t>{0})) << "the page";
    }
    TermPostings beijing = postingsOf("北京");
    ASSERT_EQ(beijing.docs.size(), 1u);
    EXPECT_EQ(static_cast<int>(beijing.docs[0]), chinese);
    // After 中国人民银行; the stop word 在 between them takes no position.
    EXPECT_EQ(beijing.positions[0], (std::vector<uint32_t>{1}));

    std::string log = m_box.logText();
    EXPECT_TRUE(Logged(log, "INFO", "finished index preparing work.created indexer, indexwriter, parser, analyzer"));
    EXPECT_TRUE(Logged(log, "INFO", "creating barrel index writer"));
    EXPECT_TRUE(Logged(log, "INFO", "current barrel index has been created. Now index writer is renaming it"));
    EXPECT_TRUE(Logged(log, "INFO", "Now index writer has compeleted renaming it"));
    EXPECT_TRUE(Logged(log, "INFO", "indexwriter close"));
    EXPECT_TRUE(Logged(log, "INFO", "indexing end"));
    EXPECT_NE(log.find("CIndexWriter::rename() delete file " + m_box.dir() + "/index.rename\n"), std::string::npos);
    EXPECT_TRUE(Leftovers(root).empty());
    EXPECT_FALSE(FileExists(m_box.dir() + "/index.rename"));
}

TEST_F(IndexRun, ASecondRunAddsEveryFileAgainAndARebuildStartsOver)
{
    writeKnownDocuments();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    std::string root = m_box.indexRoot();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    EXPECT_EQ(DocumentTotal(root), 6);
    EXPECT_EQ(CheckIndex(root), "");

    // Merging only: the process ends with exit code 1, the documents stay.
    ProcessResult merged = m_box.run({"-d", "alpha", "-m"});
    EXPECT_EQ(merged.exitCode, 1);
    EXPECT_EQ(DocumentTotal(root), 6);
    EXPECT_EQ(CheckIndex(root), "");

    ProcessResult rebuilt = m_box.run({"-d", "alpha", "-r"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
    IndexStatus status = ReadIndexStatus(root + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, 3);
    EXPECT_EQ(CheckIndex(root), "");
    // The rebuild emptied the index root, and index.run was written again.
    EXPECT_EQ(ReadFile(root + "/index.run"), "indexing database: Alpha, done: ");
    EXPECT_TRUE(Leftovers(root).empty());
}

TEST_F(IndexRun, ARunWithNothingToIndexWritesNoBarrel)
{
    ::mkdir(m_source.c_str(), 0755);
    ProcessResult result = m_box.run({"-d", "alpha"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(FileExists(m_box.indexRoot() + "/index_status.xml"));
    EXPECT_EQ(ListDir(m_box.indexRoot()), std::vector<std::string>{"index.run"});

    // With no index there is nothing to merge: an error through the guard.
    ProcessResult merged = m_box.run({"-m"});
    EXPECT_EQ(merged.exitCode, 255);
    EXPECT_NE(m_box.logText().find("open index file failed (file: "), std::string::npos);
}

// The process is killed at random moments (the seed fixes them) while it
// indexes a couple of thousand files; after every kill the index, once the
// next start has completed or cleaned what the kill cut off, lists only
// barrels that are whole, and nothing half renamed. Every fifth run rebuilds,
// which keeps the index small and is killed too.
TEST_F(IndexRun, KilledAtRandomMomentsTheIndexStaysConsistent)
{
    CCorpus corpus(2024);
    ::mkdir(m_source.c_str(), 0755);
    for (int i = 0; i < 2000; ++i)
        WriteFile(m_source + "/doc" + std::to_string(i) + ".txt", corpus.english(60));
    std::string root = m_box.indexRoot();

    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    int runMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    ASSERT_EQ(DocumentTotal(root), 2000);

    std::mt19937 random(20240601);
    // Mostly in the second part of a run, where its barrels are flushed.
    std::uniform_int_distribution<int> moment(runMs / 4, runMs);
    int kills = 0;
    int run = 0;
    for (; kills < 50 && run < 120; ++run) {
        std::vector<std::string> args{"-d", "alpha"};
        if (run % 5 == 4)
            args.push_back("-r");
        ProcessResult result = m_box.run(args, moment(random));
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == 128 + SIGKILL) << result.err;
        kills += result.exitCode == 128 + SIGKILL ? 1 : 0;
        // What the next start does first.
        cs::index::CIndexRecovery::recover(root);
        EXPECT_EQ(CheckIndex(root), "") << "run " << run;
        EXPECT_TRUE(Leftovers(root).empty()) << "run " << run;
    }
    EXPECT_EQ(kills, 50) << "in " << run << " runs of about " << runMs << " ms";

    // The next run, started normally, finds all of it acceptable.
    ProcessResult last = m_box.run({"-d", "alpha"});
    ASSERT_EQ(last.exitCode, 0) << last.err;
    EXPECT_EQ(CheckIndex(root), "");
    EXPECT_TRUE(Leftovers(root).empty());
    EXPECT_FALSE(FileExists(m_box.dir() + "/index.rename"));
}
