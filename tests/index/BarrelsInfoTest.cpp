// The barrel list: index_status.xml read and written, barrels added, renamed,
// deleted and renumbered; the file is checked by the test-side reader.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "IndexTestKit.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/writer/IndexBarrelWriter.h"
#include "platform/EnvScope.h"
#include "platform/EnvWrapper.h"
#include "platform/Platform.h"
#include "store/ContentDirectory.h"

namespace {

using namespace cs::test;
using cs::index::CBarrelInfo;
using cs::index::CBarrelsInfo;
using cs::store::CContentDirectory;

struct Listed {
    const char* name;
    int start;
    int count;
    int deleted;
};

std::string StatusXml(const std::string& version, const std::string& counter, const std::string& count,
                      const std::vector<Listed>& barrels, const std::string& extra = std::string())
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<database><version>" + version +
                      "</version><barrel_counter>" + counter + "</barrel_counter><barrel_count>" + count +
                      "</barrel_count><barrels>";
    for (const Listed& barrel : barrels) {
        xml += "<barrel><name>" + std::string(barrel.name) + "</name><doc_start>" + std::to_string(barrel.start) +
               "</doc_start><doc_count>" + std::to_string(barrel.count) + "</doc_count><deleted_count>" +
               std::to_string(barrel.deleted) + "</deleted_count></barrel>";
    }
    return xml + "</barrels>" + extra + "</database>\n";
}

class BarrelsInfo : public ::testing::Test {
protected:
    // A barrel's files, each holding its own name.
    void Files(const std::string& barrel)
    {
        for (const char* extension : {".tid", ".did", ".fdi", ".sfi", ".sfd"})
            WriteFile(m_dir + "/" + barrel + extension, barrel + extension);
    }
    void Status(const std::string& xml) { WriteFile(m_dir + "/index_status.xml", xml); }

    std::string m_dir = MakeTempDir("barrels");
    CContentDirectory m_directory{m_dir, 1};
};

TEST_F(BarrelsInfo, ReadsTheListWithItsContentMode)
{
    Status(StatusXml("cs.1.0.0", "7", "2", {{"_0", 0, 10, 1}, {"_1", 10, 5, 0}},
                     "<content_mode><mode_item><name>text</name><store>no</store><index>analyze</index>"
                     "<components><component name=\"analyzer\">general.analyzer</component>"
                     "<component name=\"analyzer_parameter\"/><component name=\"indexer\">text</component>"
                     "</components><index_way>0</index_way><boost>1.00</boost></mode_item></content_mode>"));
    CBarrelsInfo list;
    CLogCapture log;
    ASSERT_TRUE(list.read(m_directory));
    EXPECT_TRUE(log.logged("INFO", "reading index barrels information"));
    EXPECT_TRUE(log.logged("INFO", "finished reading index barrels information"));
    EXPECT_TRUE(list.isLoaded());
    EXPECT_EQ(list.getVersion(), "cs.1.0.0");
    EXPECT_EQ(list.getBarrelCounter(), 7);
    EXPECT_EQ(list.getBarrelCount(), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.getBarrel(1)->getName(), "_1");
    EXPECT_EQ(list.getBarrel(1)->getDocStart(), 10);
    EXPECT_EQ(list.getBarrel(0)->getDeletedCount(), 1);
    ASSERT_NE(list.getContentMode(), nullptr);
    ASSERT_EQ(list.getContentMode()->size(), 1u);
    EXPECT_EQ(*list.getContentMode()->item(0).getComponent("indexer"), "text");
    EXPECT_EQ(list.newBarrelName(), "_7");
    EXPECT_EQ(list.newBarrelName(), "_8");
}

TEST_F(BarrelsInfo, NoFileOrAnUnparsableOneReadsAsNone)
{
    CBarrelsInfo list;
    EXPECT_FALSE(list.read(m_directory));
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.newBarrelName(), "_0");

    Status("<database><version>cs.1.0.0</version");
    CLogCapture log;
    EXPECT_FALSE(list.read(m_directory));
    EXPECT_TRUE(log.logged("ERROR", "reading index_status file failed"));
    EXPECT_FALSE(list.isLoaded());
}

// A list read in part, or not at all, is no empty list: a writer would take
// it for one and write barrel _0 over the old. The list and its content mode
// come from one read, so that a list replaced meanwhile cannot mix them.
TEST_F(BarrelsInfo, AListThatCannotBeReadWholeRaisesAndIsReadOnce)
{
    class CFaultyDisk : public cs::platform::CEnvWrapper {
    public:
        CFaultyDisk(const std::string& list, const char* fault)
            : CEnvWrapper(cs::platform::PosixEnv()), m_list(list), m_fault(fault)
        {
        }
        int openFileForRead(const std::string& path) override
        {
            if (path != m_list)
                return target().openFileForRead(path);
            ++opened;
            if (m_fault == "open") {
                cs::platform::SetLastErrorCode(EIO);
                return -1;
            }
            m_listFd = target().openFileForRead(path);
            return m_listFd;
        }
        int64_t readFileData(int fd, void* data, int64_t length) override
        {
            // Half of what is asked, then the end.
            if (fd == m_listFd && m_fault == "short")
                return m_shortened++ ? 0 : target().readFileData(fd, data, length) / 2;
            return target().readFileData(fd, data, length);
        }
        int opened = 0;

    private:
        std::string m_list;
        std::string m_fault;
        int m_listFd = -1;
        int m_shortened = 0;
    };
    Status(StatusXml("cs.1.0.0", "1", "1", {{"_0", 0, 10, 0}},
                     "<content_mode><mode_item><name>text</name><store>no</store><index>analyze</index>"
                     "</mode_item></content_mode>"));
    const std::string list = m_dir + "/index_status.xml";
    for (const char* fault : {"open", "short", "none"}) {
        SCOPED_TRACE(fault);
        CFaultyDisk disk(list, fault);
        cs::platform::CEnvScope scope(disk);
        CBarrelsInfo read;
        if (std::string(fault) == "none") {
            ASSERT_TRUE(read.read(m_directory));
            EXPECT_EQ(read.getContentMode()->size(), 1u);
        } else {
            EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { read.read(m_directory); }),
                      "failed to read " + list + " (Input/output error)");
            EXPECT_EQ(read.size(), 0u);
        }
        EXPECT_EQ(disk.opened, 1);
    }
}

TEST_F(BarrelsInfo, ReadsNoMoreThanBarrelCountBarrels)
{
    Status(StatusXml("cs.1.0.0", "3", "2", {{"_0", 0, 1, 0}, {"_1", 1, 1, 0}, {"_2", 2, 1, 0}}));
    CBarrelsInfo list;
    ASSERT_TRUE(list.read(m_directory));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(list.last()->getName(), "_1");
}

TEST_F(BarrelsInfo, EveryNumberThatDoesNotConvertHasItsMessage)
{
    auto barrel = [](const std::string& start, const std::string& count, const std::string& deleted) {
        return "<database><version>cs.1.0.0</version><barrel_counter>1</barrel_counter><barrel_count>1"
               "</barrel_count><barrels><barrel><name>_0</name><doc_start>" +
               start + "</doc_start><doc_count>" + count + "</doc_count><deleted_count>" + deleted +
               "</deleted_count></barrel></barrels></database>";
    };
    struct Case {
        std::string xml;
        const char* message;
    } cases[] = {
        {StatusXml("cs.1.0.0", "x", "1", {{"_0", 0, 1, 0}}), " reading barrel_counter failed "},
        {StatusXml("cs.1.0.0", "1", "", {{"_0", 0, 1, 0}}), "reading barrel_count failed "},
        {barrel("-1", "1", "0"), "reading barrel index minDoc failed"},
        {barrel("0", "1x", "0"), "reading barrel index doc count failed"},
        {barrel("0", "1", "99999999999"), "reading barrel index deleted doc count  failed"},
    };
    for (const Case& test : cases) {
        Status(test.xml);
        CBarrelsInfo list;
        EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { list.read(m_directory); }), test.message);
        uint64_t documents = 0, deleted = 0;
        EXPECT_FALSE(CBarrelsInfo::countDocuments(m_dir + "/index_status.xml", documents, deleted))
            << test.message;
    }
    // Blanks around a number are no fault.
    Status(barrel(" 0 ", "\n3\n", "1"));
    CBarrelsInfo list;
    ASSERT_TRUE(list.read(m_directory));
    EXPECT_EQ(list.getBarrel(0)->getDocCount(), 3);
    // A barrel element without its counts.
    Status("<database><version>cs.1.0.0</version><barrel_counter>1</barrel_counter><barrel_count>1"
           "</barrel_count><barrels><barrel><name>_0</name></barrel></barrels></database>");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { list.read(m_directory); }),
              "reading barrel index minDoc failed");
}

TEST_F(BarrelsInfo, AnIndexAtTheDocumentLimitEndsTheProcess)
{
    Status(StatusXml("cs.1.0.0", "2", "2", {{"_0", 0, 999999990, 0}, {"_1", 999999990, 10, 0}}));
    CLogCapture log;
    EXPECT_EXIT(
        {
            CBarrelsInfo list;
            list.read(m_directory);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_TRUE(log.logged("INFO", "indexed records is up to the top limits"));

    Status(StatusXml("cs.1.0.0", "2", "2", {{"_0", 0, 999999990, 0}, {"_1", 999999990, 9, 0}}));
    CBarrelsInfo list;
    EXPECT_TRUE(list.read(m_directory));
}

TEST_F(BarrelsInfo, WritesTheElementsInOrderUnderATemporaryName)
{
    CBarrelsInfo list;
    cs::content::CContentMode mode;
    mode.addItem(cs::content::CModeItem("text", 16, 2));
    mode.addItem(cs::content::CModeItem("path", 64, 1));
    list.setContentMode(&mode);
    EXPECT_EQ(list.newBarrelName(), "_0");
    EXPECT_EQ(list.newBarrelName(), "_1");
    EXPECT_EQ(list.newBarrelName(), "_2");
    list.addBarrel("tmp._4", 0)->setDocCount(3);
    CBarrelInfo* pSecond = list.addBarrel("_2", 3);
    pSecond->setDocCount(2);
    pSecond->setDeletedCount(1);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { list.addBarrel("", 5); }), "INVALID ARGUMENT: name");

    CLogCapture log;
    list.write(m_directory);
    EXPECT_TRUE(log.logged("INFO", "writing index barrels information"));
    EXPECT_TRUE(log.logged("INFO", "finished writing index barrels information"));
    EXPECT_FALSE(FileExists(m_dir + "/index_status.xml"));
    EXPECT_EQ(list.getBarrelCounter(), 2);
    // "_2" is the highest name of a listed barrel: the counter moves past it.
    EXPECT_EQ(list.newBarrelName(), "_3");

    std::string xml = ReadFile(m_dir + "/index_status.xml.tmp");
    size_t at = 0;
    for (const char* piece : {"<database>", "<version>cs.1.0.0</version>", "<barrel_counter>2</barrel_counter>",
                              "<barrel_count>2</barrel_count>", "<barrels>", "<barrel>", "<name>_4</name>",
                              "<doc_start>0</doc_start>", "<doc_count>3</doc_count>",
                              "<deleted_count>0</deleted_count>", "<name>_2</name>", "<doc_start>3</doc_start>",
                              "<deleted_count>1</deleted_count>", "</barrels>", "<content_mode>", "<name>text</name>",
                              "<name>path</name>", "</content_mode>", "</database>"}) {
        size_t found = xml.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece << " after offset " << at << " in\n" << xml;
        at = found;
    }

    std::rename((m_dir + "/index_status.xml.tmp").c_str(), (m_dir + "/index_status.xml").c_str());
    IndexStatus status = ReadIndexStatus(m_dir + "/index_status.xml");
    EXPECT_EQ(status.fieldNames, (std::vector<std::string>{"text", "path"}));
    CBarrelsInfo back;
    ASSERT_TRUE(back.read(m_directory));
    EXPECT_EQ(back.getBarrel(0)->getName(), "_4");
    EXPECT_EQ(back.getContentMode()->item(1).getStoreKind(), 64);
    uint64_t documents = 0, deleted = 0;
    ASSERT_TRUE(CBarrelsInfo::countDocuments(m_dir + "/index_status.xml", documents, deleted));
    EXPECT_EQ(documents, 5u);
    EXPECT_EQ(deleted, 1u);
    EXPECT_FALSE(CBarrelsInfo::countDocuments(m_dir + "/missing.xml", documents, deleted));
}

TEST_F(BarrelsInfo, RenumberingSortsBySizeKeepingTheOrderOfEquals)
{
    Files("_0");
    Files("_1");
    Files("_2");
    Files("_3");
    Files("_10");
    CBarrelsInfo list;
    list.addBarrel("_0", 0)->setDocCount(1000);
    list.addBarrel("_1", 1000)->setDocCount(10);
    list.addBarrel("_2", 1010)->setDocCount(500);
    list.addBarrel("_3", 1510)->setDocCount(10);
    list.renumber(m_directory);

    IndexStatus status = ReadIndexStatus(m_dir + "/index_status.xml");
    ASSERT_EQ(status.barrels.size(), 4u);
    EXPECT_EQ(status.barrels[0].name, "_0");
    EXPECT_EQ(status.barrels[0].docCount, 1000);
    EXPECT_EQ(status.barrels[0].docStart, 0);
    EXPECT_EQ(status.barrels[1].name, "_1");
    EXPECT_EQ(status.barrels[1].docCount, 500);
    EXPECT_EQ(status.barrels[1].docStart, 1000);
    EXPECT_EQ(status.barrels[2].docStart, 1500);
    EXPECT_EQ(status.barrels[3].docStart, 1510);
    EXPECT_EQ(status.barrelCounter, 4);
    // The files moved with their barrels: the old _2 is _1 now; the old _1
    // and _3 (10 each) keep their order as _2 and _3.
    EXPECT_EQ(ReadFile(m_dir + "/_0.tid"), "_0.tid");
    EXPECT_EQ(ReadFile(m_dir + "/_1.tid"), "_2.tid");
    EXPECT_EQ(ReadFile(m_dir + "/_2.sfd"), "_1.sfd");
    EXPECT_EQ(ReadFile(m_dir + "/_3.fdi"), "_3.fdi");
    EXPECT_EQ(ReadFile(m_dir + "/_10.tid"), "_10.tid");   // not a file of barrel _1
    EXPECT_FALSE(FileExists(m_dir + "/index_status.xml.tmp"));
    for (const std::string& name : ListDir(m_dir))
        EXPECT_NE(name.compare(0, 4, "tmp."), 0) << name;
}

TEST_F(BarrelsInfo, RenamingClosesTheAttachedWritersFiles)
{
    cs::utility::CMemoryCache cache(4096);
    cs::index::CIndexBarrelWriter writer("_0", &m_directory, &cache);
    cs::content::CContentMode mode;
    mode.addItem(cs::content::CModeItem("path", 64, 1));
    writer.setContentMode(&mode);
    cs::content::CContent document(mode);
    document.setFieldText(0, "x");
    writer.addDocument(0, document);

    CBarrelsInfo list;
    CBarrelInfo* pBarrel = list.addBarrel("_0", 0);
    pBarrel->setWriter(&writer);
    list.renameBarrel(pBarrel, "_0", m_directory);   // same name: nothing happens
    EXPECT_TRUE(FileExists(m_dir + "/_0.sfi.tmp"));
    list.renameBarrel(pBarrel, "_5", m_directory);
    EXPECT_EQ(pBarrel->getName(), "_5");
    EXPECT_EQ(ListDir(m_dir), (std::vector<std::string>{"_5.sfd.tmp", "_5.sfi.tmp"}));
    // Closed before the move: what was buffered is in the file.
    EXPECT_EQ(ReadFile(m_dir + "/_5.sfi.tmp"), std::string(8, '\0'));
    EXPECT_EQ(ReadFile(m_dir + "/_5.sfd.tmp"), std::string("\x01\x00\x02x\0", 5));
}

TEST_F(BarrelsInfo, DeletingOneBarrelOrAll)
{
    Files("_0");
    Files("_1");
    Files("_11");
    CBarrelsInfo list;
    list.addBarrel("_0", 0);
    list.addBarrel("_1", 0);
    CLogCapture log;
    list.deleteBarrel("_1", m_directory);
    EXPECT_TRUE(log.logged("DEBUG", "deleting the index barrel:_1 of the directory:" + m_dir + "/"));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(FileExists(m_dir + "/_1.tid"));
    EXPECT_TRUE(FileExists(m_dir + "/_11.tid"));
    list.deleteBarrel("_7", m_directory);   // not listed: nothing
    EXPECT_EQ(list.size(), 1u);

    list.write(m_directory);
    m_directory.renameFile("index_status.xml.tmp", "index_status.xml");
    list.deleteAll(m_directory);
    EXPECT_TRUE(log.logged("INFO", "deleting all index files of the directory " + m_dir + "/"));
    EXPECT_EQ(list.size(), 0u);
    std::vector<std::string> left = ListDir(m_dir);
    EXPECT_EQ(left.size(), 5u);   // only the files of _11, which is not listed
    EXPECT_FALSE(FileExists(m_dir + "/index_status.xml"));
}

} // namespace
