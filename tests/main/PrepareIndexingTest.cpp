// Preparing a database run from the configurator: which collection, index
// directory and rebuild flag each collection gets, every failure it reports,
// and what the run driver does to an index before reading it.
#include <gtest/gtest.h>

#include "PrepareIndexing.h"
#include "RunDriver.h"
#include "collect/CollectionRegistry.h"
#include "collect/DirCollection.h"
#include "config/Configurator.h"
#include "index/BarrelsInfo.h"
#include "support/AnalyzerTestData.h"
#include "support/IndexFiles.h"
#include "support/TestSupport.h"
#include "utility/ConfigPath.h"
#include "utility/MemoryCache.h"
#include "utility/StringResource.h"

using namespace cs::driver;
using namespace cs::test;
using cs::collection::CCollection;
using cs::collection::CCollectionRegistry;
using cs::utility::CConfigurator;

namespace {

// A content-mode file naming the collection, the parser and the analyzer.
std::string Arguments(const std::string& collection, const std::string& parser = "txt.parser",
                      const std::string& analyzer = "general.analyzer")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<argument><collection><identifier>" + collection +
           "</identifier><parameter/></collection><parser><identifier>" + parser +
           "</identifier></parser><analyzer><identifier>" + analyzer +
           "</identifier><parameter/></analyzer><content_mode><mode_item><name>text</name><store>no</store>"
           "<index>analyze</index><components><component name=\"analyzer\">general.analyzer</component>"
           "<component name=\"analyzer_parameter\"/><component name=\"indexer\">text</component></components>"
           "<index_way>0</index_way><boost>1.00</boost></mode_item><mode_item><name>abstract</name>"
           "<store>compress</store><index>no</index></mode_item></content_mode></argument>\n";
}

// Records what it was created with; collects nothing.
class CRecordedCollection : public CCollection {
public:
    void collect() override {}
    void setContentMode(const cs::content::CContentMode*) override {}
    void saveStatus() override {}
};

class CRecordingCreator : public CCollection::CCreator {
public:
    CRecordingCreator(const std::string& prefix, bool makes) : CCreator(prefix), m_makes(makes) {}
    std::unique_ptr<CCollection> create(const std::string& source, int recreate) const override
    {
        lastSource = source;
        lastRecreate = recreate;
        return m_makes ? std::make_unique<CRecordedCollection>() : nullptr;
    }
    mutable std::string lastSource;
    mutable int lastRecreate = -1;

private:
    bool m_makes;
};

// Puts `creator` in place of the registered one for the scope.
class CCreatorSwap {
public:
    explicit CCreatorSwap(CCollection::CCreator& creator)
        : m_pPrevious(CCollectionRegistry::instance().find(creator.identifier()))
    {
        CCollectionRegistry::instance().registerCreator(&creator);
    }
    ~CCreatorSwap()
    {
        if (m_pPrevious)
            CCollectionRegistry::instance().registerCreator(m_pPrevious);
    }

private:
    CCollection::CCreator* m_pPrevious;
};

class PrepareIndexingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cs::utility::CStringResource::instance().load(TestRoot() + "/strres.xml"));
        InstallTestDictionary();
        cs::utility::CreateIndexMemoryCache(20000000);
        m_root = MakeTempDir("prepare") + "/index";
        m_source = MakeTempDir("source");
        m_pScope = std::make_unique<CGlobalConfigScope>("<index><system_status>1</system_status><path>" + m_root +
                                                        "</path><source>" + m_source + "</source></index>");
    }

    // A configurator loaded from a content-mode file of `text`.
    std::unique_ptr<CConfigurator> Configurator(const std::string& text)
    {
        std::string path = MakeTempDir("mode") + "/content_mode.xml";
        WriteFile(path, text);
        auto pConfigurator = std::make_unique<CConfigurator>(path);
        pConfigurator->load();
        return pConfigurator;
    }

    std::string PrepareFailure(const std::string& text, const std::string& name = "db")
    {
        std::unique_ptr<CConfigurator> pConfigurator = Configurator(text);
        return RaisedMessage<std::runtime_error>([&] { PrepareIndexing(pConfigurator.get(), name, 0); });
    }

    std::string m_root;
    std::string m_source;
    std::unique_ptr<CGlobalConfigScope> m_pScope;
};

} // namespace

TEST_F(PrepareIndexingTest, TheDirectoryCollectionIndexesIntoTheRootItself)
{
    WriteFile(m_source + "/a.txt", "hello world");
    std::unique_ptr<CConfigurator> pConfigurator = Configurator(Arguments("directory.collection"));
    EXPECT_EQ(IndexDirectoryOf(*pConfigurator, "db"), m_root);
    CLogCapture log;
    {
        CPreparedRun run = PrepareIndexing(pConfigurator.get(), "db", 0);
        auto* pDirectory = dynamic_cast<cs::collection::CDirCollection*>(run.pCollection.get());
        ASSERT_NE(pDirectory, nullptr);
        EXPECT_EQ(pDirectory->getSourceDir(), m_source);
        EXPECT_EQ(run.pIndex->getDirectory()->getPath(), m_root + "/");
        EXPECT_EQ(run.pIndex->getContentMode(), &pConfigurator->getContentMode());
        EXPECT_EQ(run.pIndex->getOpenMode(), cs::index::CIndex::ACCESS_APPEND);
        run.pCollection->run();
    }
    EXPECT_TRUE(log.logged("INFO", "finished index preparing work.created indexer, indexwriter, parser, analyzer"));
    IndexStatus status = ReadIndexStatus(m_root + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 1u);
    EXPECT_EQ(status.barrels[0].docCount, 1);
    EXPECT_EQ(status.fieldNames, (std::vector<std::string>{"text", "abstract"}));

    // A rebuild wipes what was there.
    {
        CPreparedRun run = PrepareIndexing(pConfigurator.get(), "db", 1);
        EXPECT_EQ(run.pIndex->getOpenMode(), cs::index::CIndex::ACCESS_CREATE);
        EXPECT_FALSE(FileExists(m_root + "/_0.tid"));
    }
}

TEST_F(PrepareIndexingTest, TheActivityCollectionIndexesIntoItsDatabaseDirectory)
{
    CRecordingCreator creator("content", true);
    CCreatorSwap swap(creator);
    std::unique_ptr<CConfigurator> pConfigurator = Configurator(Arguments("content.collection"));
    EXPECT_EQ(IndexDirectoryOf(*pConfigurator, "db"), m_root + "/db");
    {
        // Without a barrel list the collection starts its state anew; the
        // index is only opened for appending.
        CPreparedRun run = PrepareIndexing(pConfigurator.get(), "db", 0);
        EXPECT_EQ(creator.lastSource, "db");
        EXPECT_EQ(creator.lastRecreate, 1);
        EXPECT_EQ(run.pIndex->getDirectory()->getPath(), m_root + "/db/");
        EXPECT_EQ(run.pIndex->getOpenMode(), cs::index::CIndex::ACCESS_APPEND);
    }
    WriteFile(m_root + "/db/index_status.xml",
              "<?xml version=\"1.0\"?>\n<database><version>cs.1.0.0</version><barrel_counter>0</barrel_counter>"
              "<barrel_count>0</barrel_count><barrels/></database>\n");
    {
        CPreparedRun run = PrepareIndexing(pConfigurator.get(), "db", 0);
        EXPECT_EQ(creator.lastRecreate, 0);
    }
    {
        CPreparedRun run = PrepareIndexing(pConfigurator.get(), "db", 1);
        EXPECT_EQ(creator.lastRecreate, 1);
        EXPECT_EQ(run.pIndex->getOpenMode(), cs::index::CIndex::ACCESS_CREATE);
    }
}

TEST_F(PrepareIndexingTest, EveryFailureIsReported)
{
    EXPECT_EQ(RaisedMessage<std::logic_error>([] { PrepareIndexing(nullptr, "db", 0); }),
              "ASSERT FAILED: pConfigurator");
    EXPECT_EQ(PrepareFailure(Arguments("mail.collection")), "collection name is error: mail.collection");
    {
        CRecordingCreator nothing("directory", false);
        CCreatorSwap swap(nothing);
        EXPECT_EQ(PrepareFailure(Arguments("directory.collection")), "creating collection failed");
    }
    EXPECT_EQ(PrepareFailure(Arguments("directory.collection", "nope.parser")), "creating default parser failed");
    EXPECT_EQ(PrepareFailure(Arguments("directory.collection", "txt.parser", "nope.analyzer")),
              "creating default analyzer failed");
    InstallDictionary("");   // the general analyzer cannot be built
    std::remove(cs::utility::CConfigPath::instance().getPath("DICTIONARY_PATH").c_str());
    EXPECT_EQ(PrepareFailure(Arguments("directory.collection")), "creating default analyzer failed");
    InstallTestDictionary();

    WriteFile(m_root + "/index_status.xml",
              "<?xml version=\"1.0\"?>\n<database><version>cs.0.9.0</version><barrel_counter>0</barrel_counter>"
              "<barrel_count>0</barrel_count><barrels/></database>\n");
    CLogCapture log;
    const std::string versions = "versions don't match between program and the index file : " + m_root +
                                 " is of version \"cs.0.9.0\", the program's is \"cs.1.0.0\"";
    EXPECT_EQ(PrepareFailure(Arguments("directory.collection")), "creating indexer failed: " + versions);
    EXPECT_TRUE(log.logged("ERROR", versions + " (file: "));
}

TEST_F(PrepareIndexingTest, ARunCompletesWhatAKilledRunLeftBeforeReadingTheIndex)
{
    WriteFile(m_source + "/a.txt", "hello world");
    WriteFile(TestRoot() + "/content_mode.xml", Arguments("directory.collection"));
    EXPECT_EQ(RunDatabase("db", "d", 0), 0);
    std::string status = ReadFile(m_root + "/index_status.xml");
    // A flush killed before its replacement began.
    WriteFile(m_root + "/_1.tid.tmp", "half");
    WriteFile(m_root + "/index_status.xml.tmp", "half");
    CLogCapture log;
    EXPECT_EQ(RunDatabase("db", "d", 0), 0);
    EXPECT_TRUE(log.logged("INFO", "removing 2 files of an unfinished flush in " + m_root + "/"));
    EXPECT_FALSE(FileExists(m_root + "/_1.tid.tmp"));
    EXPECT_FALSE(FileExists(m_root + "/index_status.xml.tmp"));
    EXPECT_EQ(ReadFile(m_root + "/index_status.xml"), status);

    // The merge-only mode too, before it opens the index.
    WriteFile(m_root + "/_1.tid.tmp", "half");
    EXPECT_EQ(MergeIndexOnly(), 0);
    EXPECT_FALSE(FileExists(m_root + "/_1.tid.tmp"));
    EXPECT_EQ(ReadFile(m_root + "/index_status.xml"), status);
    std::remove((TestRoot() + "/content_mode.xml").c_str());
}

TEST_F(PrepareIndexingTest, MergingAnIndexOfAnotherVersionIsRefused)
{
    WriteFile(m_root + "/index_status.xml",
              "<?xml version=\"1.0\"?>\n<database><version>cs.1.0.1</version><barrel_counter>0</barrel_counter>"
              "<barrel_count>0</barrel_count><barrels/></database>\n");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([] { MergeIndexOnly(); }),
              "versions don't match between program and the index file : " + m_root +
                  " is of version \"cs.1.0.1\", the program's is \"cs.1.0.0\"");
}
