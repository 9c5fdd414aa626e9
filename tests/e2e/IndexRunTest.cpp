// Whole runs of the indexer over a directory, as an operator starts them,
// with the index decoded from its files: what one run writes, what a second
// run and a rebuild do, and the index after the process is killed at random
// moments. Office documents and mail through their parsers, failing
// converters, and the merge-only run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <csignal>
#include <random>

#include "analyze/EmailaddrAnalyzer.h"
#include "e2e/Sandbox.h"
#include "index/commit/IndexRecovery.h"
#include "support/AnalyzerTestData.h"
#include "support/Corpus.h"
#include "support/IndexFiles.h"
#include "support/LiveIndex.h"

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

int ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
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
    // The smallest index memory, so that every run cuts barrels by memory,
    // and lines at info level only: at debug level they would be committed
    // to disk by the thousand.
    void useSmallestMemory()
    {
        std::string global =
            m_box.global("<system_status>1</system_status><source>" + m_source + "</source>", "<level>info</level>");
        const std::string memory = "<memory>20000000</memory>";
        global.replace(global.find(memory), memory.size(), "<memory>10485760</memory>");
        m_box.writeGlobal(global);
    }

    void writeKnownDocuments()
    {
        std::string repeated;
        for (int i = 0; i < 20; ++i)
            repeated += "hello world hello linux ";
        WriteFile(m_source + "/en.txt", repeated);
        WriteFile(m_source + "/sub/page.html", "<html><body><p>hello&nbsp;world</p></body></html>");
        WriteFile(m_source + "/sub/zh.txt", Gbk(std::string(50, ' ') + "中国人民银行在北京。") + std::string(200, ' '));
    }

    // The shipped converters linked into the configuration directory, and
    // the path configuration naming the programs for doc, xls and ppt (paths
    // relative to it) beside the shipped PDF converter; each type's sample
    // file is written to `directory`.
    void useConverters(const std::string& doc, const std::string& xls, const std::string& ppt,
                       const std::string& directory)
    {
        ASSERT_EQ(::symlink(SourcePath("converters").c_str(), (m_box.conf() + "/converters").c_str()), 0);
        std::string paths = ReadFile(m_box.dir() + "/pathconfig.xml");
        paths.insert(paths.rfind("</pathconfig>"),
                     "<OUT_DOC_EXE_PATH>" + doc + "</OUT_DOC_EXE_PATH>"
                     "<OUT_XLS_EXE_PATH>" + xls + "</OUT_XLS_EXE_PATH>"
                     "<OUT_PPT_EXE_PATH>" + ppt + "</OUT_PPT_EXE_PATH>"
                     "<OUT_PDF_EXE_PATH>converters/pdf2txt</OUT_PDF_EXE_PATH>"
                     "<PDF_PARAM_FILE_PATH>converters/pdf2txt.cfg</PDF_PARAM_FILE_PATH>");
        m_box.writePathConfig(paths);
        const std::string samples = std::string(CS_TEST_DATA_DIR) + "/office/sample.";
        for (const char* type : {"doc", "xls", "ppt", "pdf"})
            WriteFile(directory + "/sample." + type, ReadFile(samples + type));
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

TEST_F(IndexRun, ASecondRunTakesOnlyChangedFilesAndARebuildStartsOver)
{
    writeKnownDocuments();
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    std::string root = m_box.indexRoot();
    std::string status = ReadFile(root + "/index_status.xml");
    ProcessResult second = m_box.run({"-d", "alpha"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, kGameOver);
    EXPECT_EQ(ReadFile(root + "/index_status.xml"), status);
    EXPECT_TRUE(Logged(m_box.logText(), "INFO",
                       "directory " + m_source + ": 3 files seen, 0 indexed, 3 unchanged, 0 updated, 0 removed, 0 dropped"));

    // Files touched are taken again: their old documents are deleted.
    TouchTree(m_source, 1767225600);
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    EXPECT_EQ(ListedDocuments(root), 6);
    EXPECT_EQ(CheckIndex(root), "");
    EXPECT_EQ(StateAgreesWithIndex(root), "");

    // Merging only: the process ends with exit code 1, the documents stay.
    ProcessResult merged = m_box.run({"-d", "alpha", "-m"});
    EXPECT_EQ(merged.exitCode, 1);
    EXPECT_EQ(ListedDocuments(root), 6);
    EXPECT_EQ(CheckIndex(root), "");

    ProcessResult rebuilt = m_box.run({"-d", "alpha", "-r"});
    ASSERT_EQ(rebuilt.exitCode, 0) << rebuilt.err;
    IndexStatus list = ReadIndexStatus(root + "/index_status.xml");
    ASSERT_EQ(list.barrels.size(), 1u);
    EXPECT_EQ(list.barrels[0].docCount, 3);
    EXPECT_EQ(StateAgreesWithIndex(root), "");
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
    EXPECT_EQ(ListDir(m_box.indexRoot()), (std::vector<std::string>{"index.lock", "index.run"}));

    // With no index there is nothing to merge: an error through the guard.
    ProcessResult merged = m_box.run({"-m"});
    EXPECT_EQ(merged.exitCode, 255);
    EXPECT_NE(m_box.logText().find("open index file failed: no readable index_status.xml in " + m_box.indexRoot() +
                                   " (file: "),
              std::string::npos);
    EXPECT_EQ(merged.err, m_box.name() + ": open index file failed: no readable index_status.xml in " +
                              m_box.indexRoot() + "\n");
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
    int runMs = ElapsedMs(start);
    ASSERT_EQ(ListedDocuments(root), 2000);

    std::mt19937 random(20240601);
    int kills = 0;
    int run = 0;
    for (; kills < 50 && run < 120; ++run) {
        // Every file changed: the run indexes them all again.
        TouchTree(m_source, 1767225600 + run);
        std::vector<std::string> args{"-d", "alpha"};
        if (run % 5 == 4)
            args.push_back("-r");
        // Mostly in the second part of a run, where its barrels are flushed.
        start = std::chrono::steady_clock::now();
        ProcessResult result = m_box.run(args, std::uniform_int_distribution<int>(runMs / 4, runMs)(random));
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == 128 + SIGKILL) << result.err;
        kills += result.exitCode == 128 + SIGKILL ? 1 : 0;
        // A run that ended first tells how long runs take now: the first
        // one may have been slowed by a busy machine.
        if (result.exitCode == 0)
            runMs = ElapsedMs(start);
        // What the next start does first.
        cs::index::CIndexRecovery::recover(root);
        EXPECT_EQ(CheckIndex(root), "") << "run " << run;
        EXPECT_EQ(StateAgreesWithIndex(root), "") << "run " << run;
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

namespace {

// The global document count after the last flush that `log` shows
// completed: every document below it is in the index for good.
int64_t FlushedTotal(const std::string& log)
{
    const std::string tail = " is in the index\n";
    int64_t total = 0;
    for (size_t at = log.find(tail); at != std::string::npos; at = log.find(tail, at + 1)) {
        size_t lineStart = log.rfind('\n', at) + 1;
        std::string line = log.substr(lineStart, at - lineStart);
        long count = 0, start = 0;
        size_t barrel = line.find(" barrel _");
        if (barrel != std::string::npos &&
            std::sscanf(line.c_str() + barrel, " barrel _%*d of %ld documents from %ld", &count, &start) == 2)
            total = std::max<int64_t>(total, start + count);
    }
    return total;
}

// Whether `log` ends inside a merge: begun and neither ended nor failed.
bool CutOffInAMerge(const std::string& log)
{
    size_t begun = log.rfind("index merging begins");
    return begun != std::string::npos && log.find("index merging ended", begun) == std::string::npos;
}

} // namespace

// With the smallest index memory every run cuts barrels by memory, and the
// barrels of a run and of the runs before it merge after its flushes. The
// process is killed at random moments (the seed fixes them) in a cycle of two
// runs that add to the index and a rebuild. After every kill and the
// recovery of the next start the index is sound and holds every document
// that a flush of the killed run, or a run before it, had completed: a merge
// cut off loses nothing.
TEST_F(IndexRun, KilledWhileMergingNoDocumentOfACompletedFlushIsLost)
{
    useSmallestMemory();
    CCorpus corpus(2025);
    ::mkdir(m_source.c_str(), 0755);
    const int files = 800;
    for (int i = 0; i < files; ++i)
        WriteFile(m_source + "/doc" + std::to_string(i) + ".txt", corpus.randomWords(250));
    std::string root = m_box.indexRoot();
    auto arguments = [](int run) {
        return run % 3 == 2 ? std::vector<std::string>{"-d", "alpha", "-r"} : std::vector<std::string>{"-d", "alpha"};
    };

    // One whole run of each kind of the cycle tells how long it takes. Every
    // file is changed before each run, which indexes them all again.
    int runMs[3];
    for (int run = 0; run < 3; ++run) {
        TouchTree(m_source, 1767225600 + run);
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(m_box.run(arguments(run)).exitCode, 0);
        runMs[run] = ElapsedMs(start);
        ASSERT_EQ(ListedDocuments(root), run == 1 ? 2 * files : files);
    }
    std::string log = m_box.logText();
    ASSERT_GE(Occurrences(log, "Now index writer has compeleted renaming it"), 6u) << "barrels cut by memory";
    ASSERT_GE(Occurrences(log, "index merging ended"), 3u) << "merges after flushes";

    std::mt19937 random(20250117);
    std::set<std::string> sound;   // barrels found sound, not decoded again while unchanged
    int kills = 0, inMerges = 0, run = 3;
    for (; kills < 50 && run < 120; ++run) {
        std::vector<std::string> args = arguments(run);
        int64_t old = ListedDocuments(root);
        int64_t before = args.size() == 3 ? 0 : old;
        size_t logBefore = log.size();
        int& expectedMs = runMs[run % 3];
        TouchTree(m_source, 1767225600 + run);
        auto start = std::chrono::steady_clock::now();
        ProcessResult result = m_box.run(args, std::uniform_int_distribution<int>(expectedMs / 10, expectedMs)(random));
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == 128 + SIGKILL) << result.err;
        log = m_box.logText();
        std::string runLog = log.substr(logBefore);
        if (result.exitCode == 128 + SIGKILL) {
            ++kills;
            inMerges += CutOffInAMerge(runLog) ? 1 : 0;
        } else {
            expectedMs = ElapsedMs(start);
        }
        cs::index::CIndexRecovery::recover(root);
        ASSERT_EQ(CheckIndex(root, &sound), "") << "run " << run;
        EXPECT_TRUE(Leftovers(root).empty()) << "run " << run;
        int64_t total = ListedDocuments(root);
        EXPECT_GE(total, std::max(before, FlushedTotal(runLog))) << "run " << run;
        EXPECT_LE(total, old + files) << "run " << run;
        if (result.exitCode == 0) {
            EXPECT_EQ(total, before + files) << "run " << run;
        }
    }
    EXPECT_EQ(kills, 50) << "in " << run << " runs";
    // The moments are spread over whole runs; a fair share fall in merges.
    EXPECT_GE(inMerges, 3) << "kills during a merge";
}

namespace {

const std::string kData = CS_TEST_DATA_DIR;

// The documents of one barrel as the index files hold them: stored
// abstracts to find a document by, and the postings of any field.
class CBarrelView {
public:
    CBarrelView(const std::string& root, const std::string& barrel)
        : m_root(root), m_barrel(barrel), m_fields(ReadFieldInfos(root + "/" + barrel + ".fdi"))
    {
        for (const StoredDocument& document : ReadStoredFields(root, barrel, m_fields)) {
            std::string abstract;
            for (const StoredField& field : document.fields) {
                if (m_fields[field.fieldId].name == "abstract")
                    abstract = field.text;
            }
            m_abstracts.push_back(abstract);
        }
    }

    size_t size() const { return m_abstracts.size(); }

    // The document whose abstract holds `piece`, or -1.
    int documentWith(const std::string& piece) const
    {
        for (size_t doc = 0; doc < m_abstracts.size(); ++doc) {
            if (m_abstracts[doc].find(piece) != std::string::npos)
                return static_cast<int>(doc);
        }
        return -1;
    }

    // Whether the posting of `term` in `field` lists `doc`.
    bool posted(const std::string& field, int32_t term, int doc)
    {
        auto it = m_postings.find(field);
        if (it == m_postings.end())
            it = m_postings.emplace(field, ReadFieldPostings(m_root, m_barrel, Field(m_fields, field))).first;
        for (const TermPostings& postings : it->second) {
            if (postings.term == term)
                return std::find(postings.docs.begin(), postings.docs.end(), static_cast<uint32_t>(doc)) !=
                       postings.docs.end();
        }
        return false;
    }

private:
    std::string m_root;
    std::string m_barrel;
    std::vector<FieldInfoRecord> m_fields;
    std::vector<std::string> m_abstracts;
    std::map<std::string, std::vector<TermPostings>> m_postings;
};

// The terms the e-mail address analyser makes of an address.
std::vector<int32_t> AddressTerms(const std::string& address)
{
    cs::analyze::CEmailaddrAnalyzer analyzer;
    return Analyze(analyzer, address);
}

} // namespace

// The shipped converters turn Word, Excel, PowerPoint and PDF files into
// text, and the mail parser mail files, in a whole run: each document is
// found by its words in the postings of "text", a mail by its addresses in
// those of "mail_send" and "mail_recv". No temporary file outlives the run.
TEST_F(IndexRun, OfficeDocumentsAndMailAreFoundByTheirWords)
{
    useConverters("converters/doc2txt", "converters/xls2txt", "converters/ppt2txt", m_source + "/office");
    // multipart/alternative in quoted-printable and base64 UTF-8; one base64
    // UTF-8 part with its charset in capitals.
    WriteFile(m_source + "/mail/alternative.eml", ReadFile(kData + "/mime/corpus/alternative.eml"));
    WriteFile(m_source + "/mail/report.eml", ReadFile(kData + "/eml/upper-charset.eml"));
    std::string tmp = MakeTempDir("tmp");
    ProcessResult result = RunProcess({m_box.program(), "-d", "alpha"}, m_box.dir(), {"TMPDIR=" + tmp});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ListDir(tmp), std::vector<std::string>());

    std::string root = m_box.indexRoot();
    EXPECT_EQ(CheckIndex(root), "");
    CBarrelView barrel(root, "_0");
    ASSERT_EQ(barrel.size(), 6u) << m_box.logText();
    const struct {
        const char* piece;            // of the document's abstract
        std::vector<const char*> words;
    } expected[] = {
        {"Word converter", {"全文", "检索", "索引", "中华人民共和国", "北京"}},
        {"Shanghai", {"城市"}},
        {"Quarterly Report", {"市场"}},
        {"Portable Document", {"数据库"}},
        {"会议纪要", {"索引"}},
        {"周报", {"索引"}},
    };
    for (const auto& document : expected) {
        int doc = barrel.documentWith(Gbk(document.piece));
        ASSERT_GE(doc, 0) << document.piece;
        for (const char* word : document.words)
            EXPECT_TRUE(barrel.posted("text", WordId(word), doc)) << document.piece << ": " << word;
    }

    int meeting = barrel.documentWith(Gbk("会议纪要"));
    for (int32_t term : AddressTerms("li.si@example.org"))
        EXPECT_TRUE(barrel.posted("mail_send", term, meeting));
    for (const char* address : {"zhang.san@example.com", "wang.wu@example.net", "zhao.liu@example.com"}) {
        for (int32_t term : AddressTerms(address))
            EXPECT_TRUE(barrel.posted("mail_recv", term, meeting)) << address;
    }
    int report = barrel.documentWith(Gbk("周报"));
    EXPECT_TRUE(barrel.posted("mail_send", AddressTerms("zhou.jiu@example.com")[0], report));
    EXPECT_TRUE(barrel.posted("mail_recv", AddressTerms("team@example.com")[0], report));
    EXPECT_FALSE(barrel.posted("mail_send", AddressTerms("zhou.jiu@example.com")[0], meeting));
}

// Converters that fail, each in its own way, drop their documents and only
// those: the run goes on with the next document and leaves no temporary
// file behind. (The converter that runs out of time is the parser suite's.)
TEST_F(IndexRun, ADocumentWhoseConverterFailsIsDroppedAndTheRunGoesOn)
{
    std::string standIns = m_box.conf() + "/standins";
    // A warning beside its text; no output at all; the PDF converter is the shipped one.
    WriteFile(standIns + "/doc2txt", "#!/bin/bash\necho 'warning: strange file'\necho 'some text' > \"${@: -1}\"\n");
    WriteFile(standIns + "/xls2txt", "#!/bin/bash\nexit 0\n");
    ::chmod((standIns + "/doc2txt").c_str(), 0755);
    ::chmod((standIns + "/xls2txt").c_str(), 0755);
    useConverters("standins/doc2txt", "standins/xls2txt", "standins/missing", m_source);
    WriteFile(m_source + "/note.txt", "hello linux");
    std::string tmp = MakeTempDir("tmp");
    ProcessResult result = RunProcess({m_box.program(), "-d", "alpha"}, m_box.dir(), {"TMPDIR=" + tmp});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kGameOver);
    EXPECT_EQ(ListDir(tmp), std::vector<std::string>());

    std::string log = m_box.logText();
    EXPECT_TRUE(Logged(log, "WARN", "some error occured while external doc process executing.Info:warning: strange file"));
    EXPECT_NE(log.find("length after external excel process executed"), std::string::npos);
    EXPECT_TRUE(Logged(log, "WARN", "ppt parser executing external process failed"));
    std::string root = m_box.indexRoot();
    EXPECT_EQ(CheckIndex(root), "");
    CBarrelView barrel(root, "_0");
    ASSERT_EQ(barrel.size(), 2u);
    EXPECT_TRUE(barrel.posted("text", WordId("数据库"), barrel.documentWith("Portable Document")));
    EXPECT_TRUE(barrel.posted("text", WordId("linux"), barrel.documentWith("hello linux")));
}

namespace {

// Every posting of `field` over the whole index by global document number:
// term -> (document, positions).
std::map<int32_t, std::map<int64_t, std::vector<uint32_t>>> GlobalPostings(const std::string& root,
                                                                            const std::string& field)
{
    std::map<int32_t, std::map<int64_t, std::vector<uint32_t>>> postings;
    for (const BarrelRecord& barrel : ReadIndexStatus(root + "/index_status.xml").barrels) {
        FieldInfoRecord info = Field(ReadFieldInfos(root + "/" + barrel.name + ".fdi"), field);
        for (const TermPostings& term : ReadFieldPostings(root, barrel.name, info)) {
            for (size_t i = 0; i < term.docs.size(); ++i)
                postings[term.term][barrel.docStart + term.docs[i]] = term.positions[i];
        }
    }
    return postings;
}

} // namespace

// Barrels that the merge after each flush left alone (a level takes 20 of
// them) are merged by -m once the operator lowers that number: fewer
// barrels, every posting at its global document as before.
TEST_F(IndexRun, MergeOnlyMergesTheIndexAtTheIndexRoot)
{
    writeKnownDocuments();
    std::string settings = "<system_status>1</system_status><source>" + m_source + "</source>";
    std::string global = m_box.global(settings);
    const std::string merge = "<c>2</c>";
    std::string apart = global;
    apart.replace(apart.find(merge), merge.size(), "<c>20</c>");
    m_box.writeGlobal(apart);
    std::string root = m_box.indexRoot();
    for (int run = 0; run < 3; ++run) {
        TouchTree(m_source, 1767225600 + run);
        ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    }
    ASSERT_EQ(ReadIndexStatus(root + "/index_status.xml").barrels.size(), 3u);
    auto text = GlobalPostings(root, "text");
    ASSERT_EQ(text.at(WordId("hello")).size(), 6u);

    m_box.writeGlobal(global);
    ProcessResult merged = m_box.run({"-m"});
    EXPECT_EQ(merged.exitCode, 1) << merged.err;
    EXPECT_EQ(CheckIndex(root), "");
    IndexStatus status = ReadIndexStatus(root + "/index_status.xml");
    EXPECT_LT(status.barrels.size(), 3u);
    EXPECT_EQ(ListedDocuments(root), 9);
    EXPECT_TRUE(Logged(m_box.logText(), "INFO", "index merging ended"));
    EXPECT_EQ(GlobalPostings(root, "text"), text);
    EXPECT_TRUE(Leftovers(root).empty());
    EXPECT_FALSE(FileExists(m_box.dir() + "/index.rename"));
    // The state followed the merge: it names the documents by their new
    // numbers, and the next run finds nothing to do.
    EXPECT_EQ(StateAgreesWithIndex(root), "");
    ASSERT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    EXPECT_TRUE(Logged(m_box.logText(), "INFO",
                       "directory " + m_source + ": 3 files seen, 0 indexed, 3 unchanged, 0 updated, 0 removed, 0 dropped"));
}

// A corpus of text, HTML and mail files, and the office types through their
// converters, indexed with one thread and with two writes the same index:
// every file of the index root, byte for byte. The smallest index memory cuts
// several barrels, which merge after the flushes; the run has fewer documents
// than the first barrel's smallest threshold (500), so that its random draw
// cuts none of them.
TEST_F(IndexRun, OneThreadOrTwoWriteTheSameIndex)
{
    useSmallestMemory();
    useConverters("converters/doc2txt", "converters/xls2txt", "converters/ppt2txt", m_source + "/office");
    WriteFile(m_source + "/mail/alternative.eml", ReadFile(kData + "/mime/corpus/alternative.eml"));
    WriteFile(m_source + "/mail/report.eml", ReadFile(kData + "/eml/upper-charset.eml"));
    CCorpus corpus(2026);
    for (int i = 0; i < 420; ++i) {
        std::string name = m_source + "/part" + std::to_string(i % 4) + "/doc" + std::to_string(i);
        if (i % 10 == 3)
            WriteFile(name + ".html", "<html><body><p>" + corpus.english(300) + "</p></body></html>");
        else
            WriteFile(name + ".txt", i % 3 == 0 ? corpus.chinese(400) : corpus.randomWords(2500));
    }

    std::string root = m_box.indexRoot();
    TreeSnapshot indexes[2];   // without index.lock, which holds the run's process id
    for (int threads : {1, 2}) {
        size_t logBefore = m_box.logText().size();
        ProcessResult result = m_box.run({"-d", "alpha", "-j", std::to_string(threads)});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::string log = m_box.logText().substr(logBefore);
        EXPECT_TRUE(Logged(log, "INFO",
                           threads == 1 ? "documents are parsed and analysed on the indexing thread"
                                        : "documents are parsed and analysed on a second thread"));
        EXPECT_GE(Occurrences(log, "Now index writer has compeleted renaming it"), 4u) << "barrels cut by memory";
        EXPECT_GE(Occurrences(log, "index merging ended"), 1u);
        EXPECT_EQ(CheckIndex(root), "");
        EXPECT_EQ(ListedDocuments(root), 426);
        indexes[threads - 1] = SnapshotTree(root);
        std::filesystem::remove_all(root);
    }
    ASSERT_EQ(indexes[0].size(), indexes[1].size());
    for (const auto& [name, file] : indexes[0]) {
        auto other = indexes[1].find(name);
        ASSERT_NE(other, indexes[1].end()) << name;
        EXPECT_TRUE(other->second.first == file.first) << name << " differs";   // bytes; the times differ
    }
}
