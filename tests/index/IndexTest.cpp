// Opening an index directory in each mode, the content mode and field kinds
// in force, and a whole barrel written through the index's own parts.
#include <gtest/gtest.h>

#include <memory>

#include "IndexTestKit.h"
#include "content/Content.h"
#include "index/Index.h"
#include "index/fields/BuiltinFieldFactory.h"
#include "index/writer/IndexBarrelWriter.h"
#include "support/AnalyzerTestData.h"
#include "utility/Format.h"
#include "utility/OsUtility.h"

namespace {

using namespace cs::test;
using cs::content::CContentMode;
using cs::content::CModeItem;
using cs::index::CIndex;

const char* const kStatus =
    "<?xml version=\"1.0\"?>\n<database><version>%s</version><barrel_counter>1</barrel_counter>"
    "<barrel_count>1</barrel_count><barrels><barrel><name>_0</name><doc_start>0</doc_start>"
    "<doc_count>4</doc_count><deleted_count>0</deleted_count></barrel></barrels>%s</database>\n";

std::string Status(const std::string& version, const std::string& mode = std::string())
{
    return cs::utility::Format(kStatus, version.c_str(), mode.c_str());
}

// The list `status` with the files of its barrel _0 of 4 documents beside
// it, as they must be for the index to be opened.
void WriteIndex(const std::string& dir, const std::string& status)
{
    WriteFile(dir + "/index_status.xml", status);
    for (const char* extension : {".tid", ".did", ".fdi", ".sfd"})
        WriteFile(dir + "/_0" + extension, "");
    WriteFile(dir + "/_0.sfi", std::string(4 * 8, '\0'));
}

CModeItem Indexed(const std::string& name, const char* indexer)
{
    CModeItem item(name, 16, 2);
    if (indexer)
        item.setComponent("indexer", indexer);
    return item;
}

TEST(Index, AFreshDirectoryOpenedForIndexingIsEmpty)
{
    std::string dir = MakeTempDir("index") + "/a/db";
    CIndex index(CIndex::ACCESS_APPEND, dir);
    EXPECT_TRUE(FileExists(dir));
    EXPECT_EQ(index.getBarrelsInfo()->size(), 0u);
    EXPECT_EQ(index.getBarrelsInfo()->newBarrelName(), "_0");
    EXPECT_EQ(index.getContentMode(), nullptr);
    EXPECT_FALSE(index.isModified());
    index.setModified();
    EXPECT_TRUE(index.isModified());
    EXPECT_EQ(index.getOpenMode(), CIndex::ACCESS_APPEND);
}

TEST(Index, OpeningAnExistingIndexNeedsItsBarrelList)
{
    std::string dir = MakeTempDir("index");
    const std::string noList = "open index file failed: no readable index_status.xml in " + dir;
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CIndex index(CIndex::ACCESS_READ, dir); }), noList);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CIndex index(CIndex::ACCESS_READ, dir + "/none"); }),
              "directory: " + dir + "/none/ is not exist");

    // A list that does not parse is refused for merging and for indexing
    // alike (it is not an empty index: the next flush would overwrite the
    // barrels it no longer names), and it stays as it is.
    const std::string garbled = "<database><version>cs.1.0.0</version>";
    WriteFile(dir + "/index_status.xml", garbled);
    for (int mode : {CIndex::ACCESS_READ, CIndex::ACCESS_APPEND}) {
        std::string message = RaisedMessage<std::runtime_error>([&] { CIndex index(mode, dir); });
        EXPECT_EQ(message.find(dir + "/index_status.xml: does not parse; nothing was changed."), 0u) << message;
    }
    EXPECT_EQ(ReadFile(dir + "/index_status.xml"), garbled);

    WriteIndex(dir, Status("cs.1.0.0"));
    CIndex existing(CIndex::ACCESS_READ, dir);
    EXPECT_EQ(existing.getBarrelsInfo()->size(), 1u);
}

TEST(Index, AnotherVersionIsRefusedAndNothingIsWritten)
{
    std::string dir = MakeTempDir("index");
    for (const char* version : {"cs.1.0.1", "cs.1.0.0 ", "CS.1.0.0", ""}) {
        std::string status = Status(version);
        WriteFile(dir + "/index_status.xml", status);
        for (int mode : {CIndex::ACCESS_APPEND, CIndex::ACCESS_READ}) {
            EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CIndex index(mode, dir); }),
                      "versions don't match between program and the index file : " + dir + " is of version \"" +
                          version + "\", the program's is \"cs.1.0.0\"")
                << version;
        }
        EXPECT_EQ(ReadFile(dir + "/index_status.xml"), status);
        EXPECT_EQ(ListDir(dir), std::vector<std::string>{"index_status.xml"});
    }
}

TEST(Index, CreatingWipesTheIndexAndPassesTheDeleteMarker)
{
    // The only test that opens in mode 0: the marker lives in the program's
    // directory, shared by the test processes.
    std::string dir = MakeTempDir("index");
    WriteFile(dir + "/index_status.xml", Status("cs.1.0.0"));
    WriteFile(dir + "/_0.tid", "x");
    WriteFile(dir + "/collect_date.xml", "y");
    WriteFile(dir + "/index.lock", "1\n");   // the writer's own file stays
    std::string marker = cs::utility::GetAppDir() + "index.delete";
    CLogCapture log;
    {
        CIndex index(CIndex::ACCESS_CREATE, dir);
        EXPECT_EQ(index.getBarrelsInfo()->size(), 0u);
        EXPECT_EQ(ListDir(dir), std::vector<std::string>{"index.lock"});
    }
    EXPECT_TRUE(log.logged("INFO", "index.delete [create " + marker + "]"));
    EXPECT_TRUE(log.logged("INFO", "index.delete [delete " + marker + "]"));
    EXPECT_FALSE(FileExists(marker));
    // Another version is no obstacle to a new index.
    WriteFile(dir + "/index_status.xml", Status("cs.0.9"));
    CIndex index(CIndex::ACCESS_CREATE, dir + "/new");
    EXPECT_TRUE(FileExists(dir + "/new"));
}

TEST(Index, TheConfiguratorsModeTakesPrecedence)
{
    std::string dir = MakeTempDir("index");
    WriteIndex(dir, Status("cs.1.0.0", "<content_mode><mode_item><name>stored</name><store>no</store><index>no</index>"
                                       "</mode_item></content_mode>"));
    CIndex index(CIndex::ACCESS_APPEND, dir);
    ASSERT_NE(index.getContentMode(), nullptr);
    EXPECT_EQ(index.getContentMode()->item(0).getName(), "stored");
    CContentMode configured;
    configured.addItem(Indexed("text", "text"));
    index.setContentMode(&configured);
    EXPECT_EQ(index.getContentMode(), &configured);
}

TEST(Index, FieldKindsForIndexing)
{
    std::string dir = MakeTempDir("index");
    CIndex index(CIndex::ACCESS_APPEND, dir);
    CContentMode mode;
    mode.addItem(CModeItem("path", 64, 1));
    mode.addItem(Indexed("text", nullptr));
    mode.addItem(Indexed("user", "crc"));
    mode.addItem(Indexed("date", "date"));
    index.setContentMode(&mode);
    CLogCapture log;
    const cs::index::FieldFactoryMap& factories = index.getFieldFactories();
    EXPECT_TRUE(log.logged("WARN", "configurate doesn't give indexer field indexer "));
    EXPECT_EQ(factories, (cs::index::FieldFactoryMap{{1, &cs::index::CBuiltinFieldFactory::text()},
                                                     {2, &cs::index::CBuiltinFieldFactory::crc()},
                                                     {3, &cs::index::CBuiltinFieldFactory::date()}}));
    EXPECT_EQ(&index.getFieldFactories(), &factories);   // built once

    CIndex unknown(CIndex::ACCESS_APPEND, dir);
    CContentMode odd;
    odd.addItem(Indexed("text", "words"));
    unknown.setContentMode(&odd);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { unknown.getFieldFactories(); }), "ASSERT FAILED: pFactory");

    CIndex nothing(CIndex::ACCESS_APPEND, dir);
    CContentMode stored;
    stored.addItem(CModeItem("path", 64, 1));
    nothing.setContentMode(&stored);
    EXPECT_TRUE(nothing.getFieldFactories().empty());
    EXPECT_TRUE(log.logged("ERROR", "IndexWriter failed to create fieldfactory"));
}

TEST(Index, FieldKindsOfAnExistingIndex)
{
    std::string dir = MakeTempDir("index");
    WriteIndex(dir, Status("cs.1.0.0"));
    CIndex index(CIndex::ACCESS_READ, dir);
    CContentMode mode;
    mode.addItem(Indexed("text", nullptr));   // no kind named: left out
    mode.addItem(Indexed("user", "crc"));
    index.setContentMode(&mode);
    EXPECT_EQ(index.getFieldFactories(),
              (cs::index::FieldFactoryMap{{1, &cs::index::CBuiltinFieldFactory::crc()}}));

    CIndex unknown(CIndex::ACCESS_READ, dir);
    CContentMode odd;
    odd.addItem(Indexed("text", "words"));
    unknown.setContentMode(&odd);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { unknown.getFieldFactories(); }),
              "creating fieldfactory failed");

    CIndex nothing(CIndex::ACCESS_READ, dir);
    CContentMode unnamed;
    unnamed.addItem(Indexed("text", nullptr));
    nothing.setContentMode(&unnamed);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { nothing.getFieldFactories(); }),
              "CIndex failed to create fieldfactory");
}

TEST(Index, BarrelsWrittenThroughTheIndexReadBackWhole)
{
    InstallTestDictionary();
    std::string dir = MakeTempDir("index") + "/db";
    cs::utility::CMemoryCache cache(1 << 20);
    const CContentMode& mode = DefaultMode();
    CAnalysis analysis(mode);
    for (int run = 0; run < 2; ++run) {
        CIndex index(CIndex::ACCESS_APPEND, dir);
        index.setContentMode(const_cast<CContentMode*>(&mode));
        cs::index::CBarrelsInfo& barrels = *index.getBarrelsInfo();
        barrels.setContentMode(index.getContentMode());
        cs::index::CBarrelInfo* pLast = barrels.last();
        int32_t start = pLast ? pLast->getDocStart() + pLast->getDocCount() : 0;
        cs::index::CBarrelInfo* pBarrel = barrels.addBarrel(barrels.newBarrelName(), start);
        cs::index::CIndexBarrelWriter writer(pBarrel->getName(), index.getDirectory(), &cache);
        pBarrel->setWriter(&writer);
        writer.setContentMode(index.getContentMode());
        writer.createFieldIndexers(index.getFieldFactories());
        cs::content::CContent document(mode);
        for (int d = 0; d < 3 + run; ++d) {
            document.setFieldText(0, Gbk(d % 2 ? "中国 北京大学" : "研究生 的 软件").c_str());
            document.setFieldText(1, d % 2 ? "alice" : "bob");
            document.setFieldText(3, ("2009-10-0" + std::to_string(d + 1)).c_str());
            document.setFieldText(4, ("/path/" + std::to_string(d)).c_str());
            document.setFieldText(8, "chat");
            document.analyze(analysis.map());
            writer.addDocument(pBarrel->getDocCount(), document);
            pBarrel->setDocCount(pBarrel->getDocCount() + 1);
            document.clear();
        }
        writer.write();
        writer.close();
        writer.reset();
        barrels.write(*index.getDirectory());
        index.getDirectory()->renameFiles("*.tmp", "*");
        pBarrel->setWriter(nullptr);
    }
    EXPECT_EQ(CheckIndex(dir), "");
    IndexStatus status = ReadIndexStatus(dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 2u);
    EXPECT_EQ(status.barrels[1].name, "_1");
    EXPECT_EQ(status.barrels[1].docStart, 3);
    EXPECT_EQ(status.barrels[1].docCount, 4);
    EXPECT_EQ(status.fieldNames.size(), 9u);
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(dir + "/_1.fdi");
    std::vector<TermPostings> dates = ReadFieldPostings(dir, "_1", fields[3]);
    EXPECT_EQ(dates.size(), 4u);
    EXPECT_EQ(ReadStoredFields(dir, "_1", fields)[3].fields[0].text, "/path/3");
}

} // namespace
