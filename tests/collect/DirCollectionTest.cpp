// The directory collection over real directory trees, indexed through a real
// writer and decoded from the index files: walking order and depth, links,
// and every kind of bad input a directory can hold.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "collect/CollectionRegistry.h"
#include "collect/DirCollection.h"
#include "content/Content.h"
#include "index/writer/IndexWriter.h"
#include "index/testing/TestHooks.h"
#include "platform/Env.h"
#include "platform/EnvScope.h"
#include "platform/EnvWrapper.h"
#include "support/AnalyzerTestData.h"
#include "support/ChangingTree.h"
#include "support/IndexFiles.h"
#include "support/IndexedTree.h"
#include "support/IndexingRig.h"
#include "support/LiveIndex.h"
#include "support/TestSupport.h"
#include "utility/MemoryCache.h"
#include "utility/OsUtility.h"

namespace {

using namespace cs::test;
using cs::collection::CCollectionRegistry;
using cs::collection::CDirCollection;

// The abstracts of the documents of an index, in document order.
std::vector<std::string> Abstracts(const std::string& dir)
{
    std::vector<std::string> texts;
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    for (const BarrelRecord& barrel : status.barrels) {
        std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/" + barrel.name + ".fdi");
        for (const StoredDocument& document : ReadStoredFields(dir, barrel.name, fields)) {
            for (const StoredField& field : document.fields) {
                if (fields[field.fieldId].name == "abstract") {
                    // Converted text keeps its terminating zero byte.
                    std::string text = field.text;
                    while (!text.empty() && text.back() == '\0')
                        text.pop_back();
                    texts.push_back(text);
                }
            }
        }
    }
    return texts;
}

// The files below `dir` in the order the file system lists each directory,
// depth first, as the collection is to take them.
void ListingOrder(const std::string& dir, std::vector<std::string>& paths)
{
    std::unique_ptr<cs::platform::CDirListing> pListing = cs::platform::Env().listDirectory(dir);
    ASSERT_TRUE(pListing);
    cs::platform::DirEntry entry;
    bool failed = false;
    while (pListing->next(entry, failed)) {
        if (entry.isDirectory)
            ListingOrder(dir + "/" + entry.name, paths);
        else
            paths.push_back(dir + "/" + entry.name);
    }
}

// The files below `root` that were opened for reading, content or type.
class CReadCounter : public cs::platform::CEnvWrapper {
public:
    explicit CReadCounter(const std::string& root) : CEnvWrapper(cs::platform::PosixEnv()), m_root(root + "/") {}

    int openRegularFileForRead(const std::string& path) override
    {
        if (path.compare(0, m_root.size(), m_root) == 0)
            m_read.insert(path);
        return CEnvWrapper::openRegularFileForRead(path);
    }
    const std::set<std::string>& read() const { return m_read; }

private:
    std::string m_root;
    std::set<std::string> m_read;
};

class DirCollection : public ::testing::Test {
protected:
    void SetUp() override { cs::utility::CreateIndexMemoryCache(20000000); }

    // Indexes `source` into a fresh index directory and returns it.
    static std::string Index(const std::string& source)
    {
        std::string dir = MakeTempDir("dirindex");
        CIndexingRig rig(dir);
        std::unique_ptr<cs::collection::CCollection> pCollection =
            CCollectionRegistry::instance().find("directory.collection")->create(source, 0);
        rig.run(*pCollection);
        return dir;
    }
};

} // namespace

TEST_F(DirCollection, WalksEveryDepthInListingOrder)
{
    std::string source = MakeTempDir("source");
    const char* const files[] = {"b.txt", "a.txt", "sub/c.txt", "sub/deeper/deepest/d.txt", "sub/e.txt", "z/f.txt"};
    for (const char* file : files) {
        std::string path = source + "/" + file;
        std::string parent = path.substr(0, path.rfind('/'));
        cs::utility::CreateDirectoryPrefixes(parent + "/");
        WriteFile(path, std::string("text of ") + file);
    }
    std::vector<std::string> order;
    ListingOrder(source, order);
    std::vector<std::string> expected;
    for (const std::string& path : order)
        expected.push_back("text of " + path.substr(source.size() + 1));

    std::string dir = Index(source);
    EXPECT_EQ(Abstracts(dir), expected);
    EXPECT_EQ(CheckIndex(dir), "");
    // A final separator changes nothing.
    EXPECT_EQ(Abstracts(Index(source + "/")), expected);
}

// Runs over a tree that changes between them, each with a writer and a
// collection of its own as a run of the program has. The first barrel of
// every run is cut early, so runs flush several barrels and merge them with
// earlier ones, which renumbers the documents the state names: without
// recycling (barrels reordered) and with the shipped recycling (deleted
// documents dropped).
TEST_F(DirCollection, EachRunReadsOnlyWhatChangedAndTheIndexFollowsTheTree)
{
    const struct {
        const char* merge;
        bool recycles;
    } settings[] = {
        {"<recycleStrategy>0</recycleStrategy>", false},
        {"<recycleStrategy>1</recycleStrategy><recycleParam>0.1</recycleParam>", true},
    };
    cs::index::hooks::SetFirstBarrelThreshold(5);
    for (const auto& setting : settings) {
        SCOPED_TRACE(setting.merge);
        CGlobalConfigScope config(std::string("<index><system_status>1</system_status></index><advanced><merge>"
                                              "<m>3</m><c>2</c><s>1</s>") + setting.merge + "</merge></advanced>");
        std::string dir = MakeTempDir("dirindex");
        CChangingTree tree(MakeTempDir("tree"), 7);
        CChangingTree::Changes changes = tree.add(30);
        size_t added = 0;
        for (int run = 0; run < 5; ++run) {
            SCOPED_TRACE("run " + std::to_string(run));
            CReadCounter reads(tree.root());
            CDirCollection collection(tree.root());
            {
                cs::platform::CEnvScope scope(reads);
                CIndexingRig rig(dir);
                rig.run(collection);
            }
            EXPECT_EQ(reads.read(), changes.toRead());
            ExpectIndexHoldsExactlyTheTree(dir, tree);
            const cs::collection::CDirRunSummary& summary = collection.summary();
            EXPECT_EQ(summary.seen, tree.files().size());
            EXPECT_EQ(summary.indexed, changes.added.size() + changes.renamed.size());
            EXPECT_EQ(summary.updated, changes.edited.size() + changes.touched.size());
            EXPECT_EQ(summary.removed, changes.removed.size() + changes.renamed.size());
            EXPECT_EQ(summary.unchanged, summary.seen - summary.indexed - summary.updated);
            added += changes.toRead().size();
            changes = tree.change(3);
        }
        int64_t listed = 0;
        for (const BarrelRecord& barrel : ReadIndexStatus(dir + "/index_status.xml").barrels)
            listed += barrel.docCount;
        EXPECT_EQ(listed < static_cast<int64_t>(added), setting.recycles) << listed << " of " << added;
    }
    cs::index::hooks::SetFirstBarrelThreshold(0);
}

// Runs that add nothing: one whose files were only removed commits the
// deletions and the state without a barrel; one that finds nothing changed
// writes nothing at all.
TEST_F(DirCollection, ADeletingRunCommitsWithoutABarrelAndAnIdleRunWritesNothing)
{
    std::string dir = MakeTempDir("dirindex");
    CChangingTree tree(MakeTempDir("tree"), 9);
    tree.add(5);
    auto run = [&] {
        CIndexingRig rig(dir);
        CDirCollection collection(tree.root());
        rig.run(collection);
    };
    run();
    std::string path = tree.files().begin()->first;
    ::unlink(path.c_str());
    CLogCapture log;
    run();
    EXPECT_TRUE(log.logged("INFO", "deletions and collection state are in the index"));
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].deletedCount, 1);
    CLiveIndex live(dir);
    EXPECT_EQ(live.documents().size(), 4u);
    for (const auto& [doc, document] : live.documents())
        EXPECT_NE(document.path, path);
    EXPECT_EQ(CheckIndex(dir), "");

    std::map<std::string, std::string> before;
    for (const std::string& name : ListDir(dir))
        before[name] = ReadFile(dir + "/" + name);
    run();
    std::map<std::string, std::string> after;
    for (const std::string& name : ListDir(dir))
        after[name] = ReadFile(dir + "/" + name);
    EXPECT_EQ(after, before);
}

// A source that cannot be listed (an unmounted disk) is not an empty one.
TEST_F(DirCollection, FilesBelowADirectoryThatCannotBeListedStay)
{
    std::string dir = MakeTempDir("dirindex");
    CChangingTree tree(MakeTempDir("tree"), 8);
    tree.add(6);
    auto run = [&](const std::string& source) {
        CIndexingRig rig(dir);
        CDirCollection collection(source);
        rig.run(collection);
        return collection.summary();
    };
    run(tree.root());
    ASSERT_EQ(::rename(tree.root().c_str(), (tree.root() + ".away").c_str()), 0);
    CLogCapture log;
    EXPECT_EQ(run(tree.root()).kept, 6u);
    EXPECT_TRUE(log.logged("WARN", "directory " + tree.root() + " cannot be listed; the 6 files taken from it stay as they were"));
    ASSERT_EQ(::rename((tree.root() + ".away").c_str(), tree.root().c_str()), 0);
    EXPECT_EQ(run(tree.root()).unchanged, 6u);
    ExpectIndexHoldsExactlyTheTree(dir, tree);
}

TEST_F(DirCollection, NothingToWalk)
{
    std::string dir = Index(MakeTempDir("source") + "/missing");
    EXPECT_FALSE(FileExists(dir + "/index_status.xml"));
    EXPECT_FALSE(FileExists(Index("") + "/index_status.xml"));
    EXPECT_FALSE(FileExists(Index(MakeTempDir("empty")) + "/index_status.xml"));
}

TEST_F(DirCollection, LinksToFilesAreFilesAndLinksToDirectoriesAreNotFollowed)
{
    std::string source = MakeTempDir("source");
    ::mkdir((source + "/real").c_str(), 0755);
    WriteFile(source + "/real/one.txt", "the real file");
    ASSERT_EQ(::symlink((source + "/real/one.txt").c_str(), (source + "/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink(source.c_str(), (source + "/real/loop").c_str()), 0);   // a circle
    ASSERT_EQ(::symlink("..", (source + "/real/up").c_str()), 0);
    ASSERT_EQ(::symlink((source + "/gone.txt").c_str(), (source + "/dangling.txt").c_str()), 0);
    ASSERT_EQ(::symlink((source + "/self.txt").c_str(), (source + "/self.txt").c_str()), 0);   // cannot be examined
    std::string dir = Index(source);
    std::vector<std::string> abstracts = Abstracts(dir);
    ASSERT_EQ(abstracts.size(), 2u);
    EXPECT_EQ(abstracts[0], "the real file");
    EXPECT_EQ(abstracts[1], "the real file");
}

TEST_F(DirCollection, BadInputIsDroppedOrIndexedByNameAndTheRunGoesOn)
{
    std::string source = MakeTempDir("source");
    // Binary content behind a text name: not text, indexed by its file name.
    WriteFile(source + "/binary.txt", std::string("\x01\x02\x03\x00\x04\x05 binary", 13));
    // A page without tags is taken for plain text.
    WriteFile(source + "/plain.html", "no tags in this page at all");
    // A page of exactly 10 MiB is dropped.
    WriteFile(source + "/huge.html", "<html><body><p>" + std::string(10485760 - 15, 'a'));
    // GBK text shorter than 200 bytes: the whole text tells its encoding.
    WriteFile(source + "/short.txt", Gbk("中国人民银行北京大学"));
    // Neither UTF-8 nor GBK: dropped, and said so.
    WriteFile(source + "/neither.txt", "caf\x80 note");
    // A directory named like a file is walked.
    ::mkdir((source + "/dir.txt").c_str(), 0755);
    WriteFile(source + "/dir.txt/inside.txt", "inside the directory");
    // Names with blanks and bytes of no particular encoding.
    WriteFile(source + "/with blanks \xb1\xb1\xbe\xa9.txt", "blank names");
    WriteFile(source + "/\xff\xfe.txt", "odd bytes");
    // A file that cannot be opened (a pipe is refused, it would block).
    ASSERT_EQ(::mkfifo((source + "/pipe.txt").c_str(), 0644), 0);

    CLogCapture log;
    std::string dir = Index(source);
    std::vector<std::string> abstracts = Abstracts(dir);
    std::sort(abstracts.begin(), abstracts.end());
    std::vector<std::string> expected = {"binary.txt", "blank names", "inside the directory", "no tags in this page at all",
                                         "odd bytes", "pipe.txt", Gbk("中国人民银行北京大学")};
    EXPECT_EQ(abstracts, expected);
    EXPECT_TRUE(log.logged("WARN", "file " + source + "/huge.html is too big.length:10485760"));
    EXPECT_TRUE(log.logged("INFO", "can't tell the text encoding of file " + source + "/neither.txt"));
    EXPECT_TRUE(log.logged("INFO", "file " + source + "/neither.txt dropped: unknown encoding"));
    EXPECT_TRUE(log.logged("INFO", "file " + source + "/huge.html dropped: too large"));
    EXPECT_EQ(CheckIndex(dir), "");
}

TEST_F(DirCollection, AFileThatVanishesBeforeItIsReadIsDropped)
{
    std::string source = MakeTempDir("source");
    WriteFile(source + "/stays.txt", "this one stays");
    WriteFile(source + "/goes.txt", "this one goes");
    std::string dir = MakeTempDir("dirindex");
    CIndexingRig rig(dir);
    std::unique_ptr<cs::index::CIndexWriter> pWriter = rig.newWriter();
    CLogCapture log;
    for (const char* name : {"/goes.txt", "/stays.txt"}) {
        cs::content::CContent* pContent = pWriter->nextDocument();
        pContent->setFileInput(source + name, 0);
        pContent->setFileType(0);
        // Listed and typed, but gone when the writer reads it.
        ::unlink((source + "/goes.txt").c_str());
    }
    pWriter->close();
    EXPECT_EQ(Abstracts(dir), std::vector<std::string>{"this one stays"});
    EXPECT_TRUE(log.logged("DEBUG", "can't get the file " + source + "/goes.txt length"));
}

TEST_F(DirCollection, AnUnreadableFileIsIndexedByItsName)
{
    // Walked by a user that permission bits hold for. Everything is made
    // here first: the dictionary and the program's directory are not that
    // user's. The child reports how many documents its barrel took.
    CPublicDir place;
    std::string source = place.path() + "/source";
    ::mkdir(source.c_str(), 0755);
    WriteFile(source + "/secret.txt", "nobody may read this");
    WriteFile(source + "/open.txt", "everybody may read this");
    ::chmod((source + "/secret.txt").c_str(), 0);
    std::string dir = place.path() + "/index";
    CIndexingRig rig(dir);
    ::chmod(dir.c_str(), 0777);
    std::unique_ptr<cs::index::CIndexWriter> pWriter = rig.newWriter();
    CDirCollection collection(source);
    collection.setIndexWriter(pWriter.get(), false);
    ProcessResult child = RunForked(
        [&] {
            collection.setContentMode(rig.index().getContentMode());
            collection.collect();
            pWriter->indexDocuments();
            std::fflush(nullptr);
            ::_exit(rig.index().getBarrelsInfo()->last()->getDocCount());
        },
        true);
    EXPECT_EQ(child.exitCode, 2) << child.err;
    pWriter.reset();   // nothing of the child's barrel is written here
}

TEST_F(DirCollection, CollectionBaseChecksAndState)
{
    CDirCollection collection("nowhere");
    EXPECT_FALSE(collection.isStopping());
    collection.requestStop();
    EXPECT_TRUE(collection.isStopping());
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { collection.run(); }), "ASSERT FAILED: m_pIndexWriter");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { collection.setContentMode(nullptr); }),
              "INVALID ARGUMENT: pMode");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { CCollectionRegistry::instance().registerCreator(nullptr); }),
              "INVALID ARGUMENT: pCreator");
    EXPECT_EQ(CCollectionRegistry::instance().find("nothing.collection"), nullptr);
    EXPECT_STREQ(CCollectionRegistry::instance().find("directory.collection")->identifier(), "directory.collection");

    std::string dir = MakeTempDir("dirindex");
    CIndexingRig rig(dir);
    CDirCollection closing(MakeTempDir("empty"));
    rig.run(closing);
    EXPECT_TRUE(closing.isClosed());
    closing.requestStop();   // a closed collection stays closed
    EXPECT_TRUE(closing.isClosed());
}
