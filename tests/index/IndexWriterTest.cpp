// The index writer over real index directories: where barrels are cut, what a
// flush leaves on disk, documents it drops, and the consistency of the index
// and the collection's state when the process is killed at any step of a
// flush.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

#include "collect/Collection.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/commit/IndexRecovery.h"
#include "index/commit/ReplacePlan.h"
#include "index/testing/TestHooks.h"
#include "index/writer/IndexWriter.h"
#include "support/Corpus.h"
#include "support/IndexFiles.h"
#include "support/IndexingRig.h"
#include "support/TestSupport.h"
#include "utility/MemoryCache.h"
#include "utility/OsUtility.h"

namespace {

using namespace cs::test;
using cs::content::CContent;
using cs::index::CIndexWriter;

// Feeds parsed documents from memory and, at every flush, saves the number of
// documents fed so far as its state: "feed.state.tmp" in the index
// directory, which the flush renames with the barrel. A document counts where
// the writer comes to it, as a collection's progress does.
class CFeedCollection : public cs::collection::CCollection {
public:
    struct Document {
        std::string text;
        int32_t fileType = 0;
        int32_t state = CContent::STATE_PARSED;
        uint16_t kind = 'W';
    };

    // `resumed`: the documents earlier runs indexed, which the state counts too.
    explicit CFeedCollection(const std::string& dir, int64_t resumed = 0) : m_dir(dir), m_fed(resumed) {}

    void add(const std::string& text) { documents.push_back(Document{text}); }

    void collect() override
    {
        for (const Document& document : documents) {
            m_pIndexWriter->runInOrder([this] { ++m_fed; });
            CContent* pContent = m_pIndexWriter->nextDocument();
            pContent->setFileType(document.fileType);
            pContent->setRecordKind(document.kind);
            pContent->setFieldText(m_textId, document.text.data(), document.text.size());
            pContent->setFieldText(m_abstractId, document.text.data(), document.text.size());
            pContent->setState(document.state);
        }
    }
    void setContentMode(const cs::content::CContentMode* pMode) override
    {
        m_textId = pMode->find("text")->getFieldID();
        m_abstractId = pMode->find("abstract")->getFieldID();
    }
    void saveStatus() override
    {
        savedAt.push_back(m_fed);
        WriteFile(m_dir + "/feed.state.tmp", std::to_string(m_fed));
    }

    std::vector<Document> documents;
    std::vector<int64_t> savedAt;   // documents fed at each flush

private:
    std::string m_dir;
    int64_t m_fed;
    int m_textId = 0;
    int m_abstractId = 0;
};

int64_t DocumentTotal(const IndexStatus& status)
{
    int64_t total = 0;
    for (const BarrelRecord& barrel : status.barrels)
        total += barrel.docCount;
    return total;
}

std::vector<std::string> TmpFiles(const std::string& dir)
{
    std::vector<std::string> names;
    for (const std::string& name : ListDir(dir)) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            names.push_back(name);
    }
    return names;
}

class IndexWriter : public ::testing::Test {
protected:
    void SetUp() override { cs::utility::CreateIndexMemoryCache(100000000); }
    void TearDown() override
    {
        cs::index::hooks::SetFlushHook(nullptr);
        cs::index::hooks::SetStepHook(nullptr);
    }

    // Runs a feed collection of `count` English documents into `dir`.
    static std::unique_ptr<CFeedCollection> Feed(const std::string& dir, size_t count, unsigned seed = 1,
                                                 int64_t resumed = 0, int threads = 1)
    {
        CIndexingRig rig(dir);
        auto pFeed = std::make_unique<CFeedCollection>(dir, resumed);
        CCorpus corpus(seed);
        for (size_t i = 0; i < count; ++i)
            pFeed->add(corpus.english(20));
        rig.run(*pFeed, threads);
        return pFeed;
    }

    void killAtEveryStep(int threads);
};

} // namespace

TEST_F(IndexWriter, TheFirstBarrelIsCutByCountAndOnlyTheFirst)
{
    std::string dir = MakeTempDir("writer");
    CLogCapture log;
    std::unique_ptr<CFeedCollection> pFeed = Feed(dir, 2100);
    ASSERT_EQ(pFeed->savedAt.size(), 2u);   // the first cut and the close
    EXPECT_GE(pFeed->savedAt[0], 500);
    EXPECT_LE(pFeed->savedAt[0], 2000);
    EXPECT_EQ(pFeed->savedAt[1], 2100);

    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    EXPECT_EQ(DocumentTotal(status), 2100);
    EXPECT_EQ(CheckIndex(dir), "");
    EXPECT_EQ(ReadFile(dir + "/feed.state"), "2100");
    EXPECT_TRUE(TmpFiles(dir).empty());
    EXPECT_TRUE(log.logged("INFO", "creating barrel index writer"));
    EXPECT_TRUE(log.logged("INFO", "current barrel index has been created. Now index writer is renaming it"));
    EXPECT_TRUE(log.logged("INFO", "Now index writer has compeleted renaming it"));
    EXPECT_TRUE(log.contains("CIndexWriter::rename() delete file " + cs::utility::GetAppDir() + "index.rename"));
    EXPECT_TRUE(log.logged("INFO", "indexwriter close"));
}

TEST_F(IndexWriter, LaterBarrelsAreCutByMemory)
{
    // The smallest budget the configuration allows; every word a new term.
    cs::utility::CreateIndexMemoryCache(10485760);
    std::string dir = MakeTempDir("writer");
    CIndexingRig rig(dir);
    CFeedCollection feed(dir);
    CCorpus corpus(7);
    for (int i = 0; i < 2500; ++i)
        feed.add(corpus.randomWords(300));
    rig.run(feed);
    // One flush at most is cut by count; the others before the close by memory.
    ASSERT_GE(feed.savedAt.size(), 4u);
    EXPECT_EQ(feed.savedAt.back(), 2500);
    EXPECT_EQ(DocumentTotal(ReadIndexStatus(dir + "/index_status.xml")), 2500);
    EXPECT_EQ(CheckIndex(dir), "");
}

TEST_F(IndexWriter, ARunWithoutDocumentsLeavesTheIndexAlone)
{
    std::string dir = MakeTempDir("writer");
    Feed(dir, 10);
    std::string before = ReadFile(dir + "/index_status.xml");
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/index_status.xml").c_str(), &st), 0);
    std::vector<std::string> files = ListDir(dir);

    std::unique_ptr<CFeedCollection> pEmpty = Feed(dir, 0);
    // Nor does a run whose every document is dropped.
    CIndexingRig rig(dir);
    CFeedCollection dropped(dir);
    dropped.documents.push_back({"x", 11, CContent::STATE_NEW});
    rig.run(dropped);

    struct stat after {};
    ASSERT_EQ(::stat((dir + "/index_status.xml").c_str(), &after), 0);
    EXPECT_EQ(ReadFile(dir + "/index_status.xml"), before);
    EXPECT_EQ(after.st_mtim.tv_nsec, st.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ino, st.st_ino);
    EXPECT_EQ(ListDir(dir), files);
    EXPECT_TRUE(pEmpty->savedAt.empty());
    EXPECT_TRUE(dropped.savedAt.empty());
}

TEST_F(IndexWriter, ALastFlushOnTheLastDocumentLeavesNoEmptyBarrel)
{
    std::string dir = MakeTempDir("writer");
    CIndexingRig rig(dir);
    std::unique_ptr<CIndexWriter> pWriter = rig.newWriter();
    int32_t threshold = pWriter->getFirstBarrelThreshold();
    CFeedCollection feed(dir);
    CCorpus corpus(3);
    for (int32_t i = 0; i < threshold; ++i)
        feed.add(corpus.english(10));
    pWriter->setFlushListener(&feed);
    feed.setIndexWriter(pWriter.release(), true);
    feed.run();
    // The flush came with the last document (indexed by the close).
    ASSERT_EQ(feed.savedAt.size(), 1u);
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, threshold);
    EXPECT_EQ(rig.index().getBarrelsInfo()->size(), 1u);
    // The files the writer had opened for the next barrel are gone.
    EXPECT_TRUE(TmpFiles(dir).empty());
    EXPECT_EQ(CheckIndex(dir), "");
}

TEST_F(IndexWriter, DocumentsTheWriterDrops)
{
    std::string dir = MakeTempDir("writer");
    CLogCapture log;
    CIndexingRig rig(dir);
    CFeedCollection feed(dir);
    feed.documents.push_back({"a file type past the table", 11, CContent::STATE_NEW});
    feed.documents.push_back({"a negative file type", -1, CContent::STATE_NEW});
    feed.documents.push_back({"the reserved type has no parser", 8, CContent::STATE_NEW});
    feed.documents.push_back({"no file to read", 0, CContent::STATE_NEW});
    feed.documents.push_back({"kept", 0, CContent::STATE_PARSED, 'S'});
    rig.run(feed);
    EXPECT_TRUE(log.logged("ERROR", "can't load the parser of file type:8"));
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    EXPECT_EQ(DocumentTotal(status), 1);
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/_0.fdi");
    std::vector<StoredDocument> stored = ReadStoredFields(dir, "_0", fields);
    ASSERT_EQ(stored.size(), 1u);
    ASSERT_EQ(stored[0].fields.size(), 2u);   // path (empty) and abstract
    EXPECT_TRUE(stored[0].fields[0].empty);
    EXPECT_EQ(stored[0].fields[1].text, "kept");
}

TEST_F(IndexWriter, CountsPerRecordKindAndMergeOnDemand)
{
    std::string dir = MakeTempDir("writer");
    CLogCapture log;
    CIndexingRig rig(dir);
    std::unique_ptr<CIndexWriter> pWriter = rig.newWriter();
    const char kinds[] = {'W', 'W', 'M', 'S'};
    for (char kind : kinds) {
        CContent* pContent = pWriter->nextDocument();
        pContent->setRecordKind(static_cast<uint16_t>(kind));
        pContent->setFieldText(0, "hello world");
        pContent->setState(CContent::STATE_PARSED);
    }
    pWriter->indexDocuments();
    EXPECT_EQ(pWriter->getKindCount('W'), 2);
    EXPECT_EQ(pWriter->getKindCount('M'), 1);
    EXPECT_EQ(pWriter->getKindCount('S'), 1);
    EXPECT_EQ(pWriter->getKindCount('C'), 0);

    // The barrel in memory is not written yet: no merge.
    pWriter->merge();
    EXPECT_TRUE(log.logged("DEBUG", "memory has index data,can't merge index"));
    EXPECT_FALSE(rig.index().isModified());
    pWriter->close();
    EXPECT_EQ(pWriter->getKindCount('W'), 0);
    EXPECT_TRUE(rig.index().isModified());
    EXPECT_EQ(DocumentTotal(ReadIndexStatus(dir + "/index_status.xml")), 4);
}

TEST_F(IndexWriter, ArgumentChecks)
{
    EXPECT_EQ(RaisedMessage<std::logic_error>([] { CIndexWriter writer(nullptr); }), "INVALID ARGUMENT: pIndex");
    CIndexingRig rig(MakeTempDir("writer"));
    CIndexWriter writer(&rig.index());
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { writer.setConfigurator(nullptr); }),
              "INVALID ARGUMENT: pConfigurator");
}

TEST_F(IndexWriter, ABarrelWithMissingFilesIsDropped)
{
    std::string dir = MakeTempDir("writer");
    Feed(dir, 5);
    std::string before = ReadFile(dir + "/index_status.xml");
    static std::string s_victim;
    s_victim = dir + "/_1.pid.tmp";
    cs::index::hooks::SetFlushHook([](int point) {
        if (point == cs::index::hooks::COLLECTION_SAVED)
            std::remove(s_victim.c_str());
    });
    CLogCapture log;
    Feed(dir, 3);
    EXPECT_TRUE(log.logged("WARN", "files of barrel _1 are missing, the barrel is dropped"));
    EXPECT_TRUE(log.logged("INFO", "Now index writer has compeleted renaming it"));
    EXPECT_EQ(ReadFile(dir + "/index_status.xml"), before);
    EXPECT_EQ(ReadFile(dir + "/feed.state"), "5");   // the state of that flush went with it
    EXPECT_TRUE(TmpFiles(dir).empty());
    EXPECT_FALSE(FileExists(dir + "/_1.tid"));
    EXPECT_EQ(CheckIndex(dir), "");
}

// Kills the process at every step of a flush, from the barrel's files to the
// last rename, and checks what the next run finds after recovery: the index
// and the collection's state of either the previous flush or this one, every
// barrel listed whole, nothing left half done. With one thread and with the
// second preparing documents.
TEST_F(IndexWriter, AKillAtAnyStepOfAFlushLeavesAConsistentIndex)
{
    for (int threads : {1, 2})
        killAtEveryStep(threads);
}

void IndexWriter::killAtEveryStep(int threads)
{
    static int s_target;
    int stepsSeen = 0;
    for (int target = 0;; ++target) {
        SCOPED_TRACE(std::to_string(threads) + " threads, step " + std::to_string(target));
        std::string dir = MakeTempDir("killed");
        Feed(dir, 40, 11);
        s_target = target;
        // Flush points first, then the steps of the replacement plan.
        ProcessResult child = RunForked([&] {
            try {
                cs::index::hooks::SetFlushHook([](int point) {
                    if (point == s_target)
                        std::raise(SIGKILL);
                });
                cs::index::hooks::SetStepHook([](int step) {
                    if (step + cs::index::hooks::MARKER_REMOVED + 1 == s_target)
                        std::raise(SIGKILL);
                });
                Feed(dir, 25, 12, 40, threads);
            } catch (...) {
                ::_exit(2);
            }
        });
        bool killed = child.exitCode == 128 + SIGKILL;
        ASSERT_TRUE(killed || child.exitCode == 0) << child.err;

        cs::index::CIndexRecovery::recover(dir);
        EXPECT_EQ(CheckIndex(dir), "");
        EXPECT_TRUE(TmpFiles(dir).empty());
        EXPECT_FALSE(FileExists(dir + "/index.plan"));
        int64_t total = DocumentTotal(ReadIndexStatus(dir + "/index_status.xml"));
        EXPECT_TRUE(total == 40 || total == 65) << total;
        EXPECT_EQ(ReadFile(dir + "/feed.state"), std::to_string(total));
        // Up to the writing of the replacement plan nothing final has
        // changed; from its first rename on, the next run completes it.
        bool before = target <= cs::index::hooks::MARKER_CREATED || target == cs::index::hooks::MARKER_REMOVED + 1;
        EXPECT_EQ(total, before ? 40 : 65);
        if (!killed)
            break;
        ++stepsSeen;
    }
    // Six flush points and at least the plan's commit, seven renames and its removal.
    EXPECT_GE(stepsSeen, 6 + 9);
}
