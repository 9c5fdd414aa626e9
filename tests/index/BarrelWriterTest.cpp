// Documents analysed by the real analyzers go through the barrel writer; every
// file of the barrel is decoded by the test-side reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <zlib.h>

#include "IndexTestKit.h"
#include "content/Content.h"
#include "index/writer/IndexBarrelWriter.h"
#include "platform/EnvScope.h"
#include "support/AnalyzerTestData.h"
#include "support/FullDiskEnv.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace {

using namespace cs::test;
using cs::content::CContent;
using cs::content::CContentMode;
using cs::content::CModeItem;
using cs::index::CIndexBarrelWriter;
using cs::utility::CMemoryCache;

int32_t Crc(const std::string& text)
{
    return static_cast<int32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), text.size()));
}

std::string Status(const std::vector<std::pair<std::string, int>>& barrels)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<database><version>cs.1.0.0</version><barrel_counter>" +
                      std::to_string(barrels.size()) + "</barrel_counter><barrel_count>" +
                      std::to_string(barrels.size()) + "</barrel_count><barrels>";
    int start = 0;
    for (const auto& [name, count] : barrels) {
        xml += "<barrel><name>" + name + "</name><doc_start>" + std::to_string(start) + "</doc_start><doc_count>" +
               std::to_string(count) + "</doc_count><deleted_count>0</deleted_count></barrel>";
        start += count;
    }
    return xml + "</barrels></database>\n";
}

class BarrelWriter : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallTestDictionary();
        ASSERT_TRUE(cs::utility::CStringResource::instance().load(TestRoot() + "/strres.xml"));
    }

    std::unique_ptr<CIndexBarrelWriter> Writer(const CContentMode& mode, const std::string& name = "_0")
    {
        auto pWriter = std::make_unique<CIndexBarrelWriter>(name, &m_directory, &m_cache);
        pWriter->setContentMode(&mode);
        pWriter->createFieldIndexers(Factories(mode));
        return pWriter;
    }

    // Analyses the document, adds it as `docid` and clears it.
    void Add(CIndexBarrelWriter& writer, CContent& document, int32_t docid, const CAnalysis& analysis)
    {
        document.analyze(analysis.map());
        writer.addDocument(docid, document);
        document.clear();
    }

    std::vector<FieldInfoRecord> Fields(const std::string& barrel = "_0")
    {
        return ReadFieldInfos(m_dir + "/" + barrel + ".fdi");
    }

    std::string m_dir = MakeTempDir("barrel");
    cs::store::CContentDirectory m_directory{m_dir, 1};
    CMemoryCache m_cache{1 << 20};
};

TEST_F(BarrelWriter, AnalysedDocumentsBecomeABarrel)
{
    const CContentMode& mode = DefaultMode();
    CAnalysis analysis(mode);
    CLogCapture log;
    auto pWriter = Writer(mode);
    CContent document(mode);
    const std::string abstract(300, 'a');

    document.setFieldText(0, Gbk("北京大学的学生").c_str());
    document.setFieldText(1, "alice");
    document.setFieldText(2, "staff");
    document.setFieldText(3, "2008-02-29");
    document.setFieldText(4, "/data/a.txt");
    document.setFieldText(5, abstract.c_str());
    document.setFieldText(6, "bob@example.com");
    document.setFieldText(8, "web");
    Add(*pWriter, document, 0, analysis);

    document.setFieldText(0, Gbk("中国人民银行 北京").c_str());
    document.setFieldText(1, "bob");
    document.setFieldText(3, "20080229");
    document.setFieldText(4, "");
    document.setFieldText(5, "ab");
    document.setFieldText(6, "a@b c@d");
    document.setFieldText(8, "mail");
    Add(*pWriter, document, 1, analysis);

    Add(*pWriter, document, 2, analysis);   // nothing set at all

    pWriter->write();
    pWriter->close();
    EXPECT_TRUE(log.logged("DEBUG", "store field writer is opening store files"));
    EXPECT_TRUE(log.logged("INFO", "index barrel  _0 is writing index data"));
    EXPECT_TRUE(log.logged("INFO", "index barrel _0 has compeleted writing index data"));
    EXPECT_TRUE(log.logged("DEBUG", "index barrel _0 has closed files"));
    EXPECT_EQ(ListDir(m_dir), (std::vector<std::string>{"_0.did.tmp", "_0.fdi.tmp", "_0.len.tmp", "_0.pid.tmp",
                                                        "_0.sfd.tmp", "_0.sfi.tmp", "_0.tid.tmp"}));
    DropTmpNames(m_dir);
    // The text field's terms per document, as its total terms count them.
    EXPECT_EQ(ReadDocLengths(m_dir + "/_0.len"), (std::map<int32_t, std::vector<int32_t>>{{0, {3, 2, 0}}}));
    WriteFile(m_dir + "/index_status.xml", Status({{"_0", 3}}));
    EXPECT_EQ(CheckIndex(m_dir), "");   // byte counts, offsets, orders, stored records

    std::vector<FieldInfoRecord> fields = Fields();
    ASSERT_EQ(fields.size(), 9u);
    // Flags of the last document's fields (empty: value kind 0) while no term was counted.
    EXPECT_EQ(fields[0].flags, (1 << 24) | 16 | 2);
    EXPECT_EQ(fields[0].totalTerms, 5);   // 3 + 2 tokens, the stop word included
    EXPECT_EQ(fields[0].distinctTerms, 4);
    EXPECT_EQ(fields[2].distinctTerms, 1);
    EXPECT_EQ(fields[4].flags, 64 | 1);
    EXPECT_EQ(fields[5].flags, 32 | 1);
    EXPECT_EQ(fields[7].distinctTerms, 0);
    EXPECT_EQ(fields[1].indexWay, 1);
    EXPECT_EQ(fields[6].indexWay, 0);
    EXPECT_EQ(fields[6].boost, "1.00");

    std::vector<TermPostings> text = ReadFieldPostings(m_dir, "_0", fields[0]);
    std::vector<int32_t> words;
    for (const TermPostings& term : text)
        words.push_back(term.term);
    EXPECT_EQ(words, (std::vector<int32_t>{WordId("中国人民银行"), WordId("北京"), WordId("北京大学"), WordId("学生")}));
    EXPECT_EQ(text[0].docs, (std::vector<uint32_t>{1}));
    EXPECT_EQ(text[1].positions[0], (std::vector<uint32_t>{1}));
    EXPECT_EQ(text[2].positions[0], (std::vector<uint32_t>{0}));
    EXPECT_EQ(text[3].positions[0], (std::vector<uint32_t>{1}));   // after the stop word, position 1

    std::vector<TermPostings> users = ReadFieldPostings(m_dir, "_0", fields[1]);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(std::min(Crc("alice"), Crc("bob")), users[0].term);
    EXPECT_FALSE(users[0].withPositions);

    std::vector<TermPostings> dates = ReadFieldPostings(m_dir, "_0", fields[3]);
    ASSERT_EQ(dates.size(), 1u);
    EXPECT_EQ(dates[0].term, 13938);
    EXPECT_EQ(dates[0].docs, (std::vector<uint32_t>{0, 1}));

    std::vector<TermPostings> senders = ReadFieldPostings(m_dir, "_0", fields[6]);
    ASSERT_EQ(senders.size(), 6u);
    for (const TermPostings& term : senders) {
        EXPECT_TRUE(term.withPositions);
        if (term.term == Crc("example.com")) {
            EXPECT_EQ(term.positions[0], (std::vector<uint32_t>{1}));
        }
        if (term.term == Crc("d")) {
            EXPECT_EQ(term.positions[0], (std::vector<uint32_t>{3}));
        }
    }

    std::vector<TermPostings> types = ReadFieldPostings(m_dir, "_0", fields[8]);
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].term, 0);
    EXPECT_EQ(types[1].term, 4);
    EXPECT_EQ(types[1].docs, (std::vector<uint32_t>{1}));

    std::vector<StoredDocument> stored = ReadStoredFields(m_dir, "_0", fields);
    ASSERT_EQ(stored.size(), 3u);
    ASSERT_EQ(stored[0].fields.size(), 2u);
    EXPECT_EQ(stored[0].fields[0].fieldId, 4u);
    EXPECT_EQ(stored[0].fields[0].text, "/data/a.txt");
    EXPECT_FALSE(stored[0].fields[0].compressed);
    EXPECT_TRUE(stored[0].fields[1].compressed);
    EXPECT_EQ(stored[0].fields[1].text, abstract);
    // An empty stored text keeps its zero byte (length 1); text that does not
    // shrink is stored raw with compressed size 0.
    EXPECT_FALSE(stored[1].fields[0].empty);
    EXPECT_EQ(stored[1].fields[0].text, "");
    EXPECT_FALSE(stored[1].fields[1].compressed);
    EXPECT_EQ(stored[1].fields[1].text, "ab");
    std::string sfd = ReadFile(m_dir + "/_0.sfd");
    EXPECT_NE(sfd.find(std::string("\x04\x01\x00", 3)), std::string::npos);       // path: length 1, the zero byte
    EXPECT_NE(sfd.find(std::string("\x05\x03\x00" "ab", 5)), std::string::npos);  // abstract: 3, 0, raw
    // Fields never set are stored as empty values.
    EXPECT_TRUE(stored[2].fields[0].empty);
    EXPECT_TRUE(stored[2].fields[1].empty);
    EXPECT_EQ(sfd.substr(sfd.size() - 5), std::string("\x02\x04\x00\x05\x00", 5));
    EXPECT_FALSE(FileExists(m_dir + "/_0.del"));
}

TEST_F(BarrelWriter, AModeWithoutIndexedFieldsOrWithoutStoredFields)
{
    CContentMode flat;
    flat.addItem(CModeItem("title", 16, 1));
    flat.addItem(CModeItem("path", 64, 1));
    CAnalysis none(flat);
    auto pWriter = Writer(flat);
    CContent document(flat);
    document.setFieldText(1, "p");
    Add(*pWriter, document, 0, none);
    pWriter->write();
    pWriter->close();
    DropTmpNames(m_dir);
    EXPECT_EQ(ReadFile(m_dir + "/_0.tid"), "");
    EXPECT_EQ(ReadFile(m_dir + "/_0.did"), "");
    EXPECT_EQ(ReadFile(m_dir + "/_0.pid"), "");
    // Names and flags only.
    EXPECT_EQ(ReadFile(m_dir + "/_0.fdi"),
              std::string("\0\0\0\x02\x05title\0\0\0\x11\x04path\x01\0\0\x41", 23));

    CContentMode textOnly;
    textOnly.addItem(CModeItem("text", 16, 2));
    CAnalysis analysis(textOnly);
    auto pSecond = Writer(textOnly, "_1");
    CContent second(textOnly);
    second.setFieldText(0, "abc");
    Add(*pSecond, second, 0, analysis);
    Add(*pSecond, second, 1, analysis);
    pSecond->write();
    pSecond->close();
    DropTmpNames(m_dir);
    // No stored field: VInt 0 per document, each with its .sfi entry.
    EXPECT_EQ(ReadFile(m_dir + "/_1.sfd"), std::string("\0\0", 2));
    EXPECT_EQ(ReadFile(m_dir + "/_1.sfi"), std::string("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01", 16));
    WriteFile(m_dir + "/index_status.xml", Status({{"_0", 1}, {"_1", 2}}));
    EXPECT_EQ(CheckIndex(m_dir), "");
}

TEST_F(BarrelWriter, TheNextBarrelStartsFromEmptyPostingsAndStatistics)
{
    CContentMode mode;
    mode.addItem(CModeItem("text", 64, 2));
    CAnalysis analysis(mode);
    auto pWriter = Writer(mode);
    CContent document(mode);
    document.setFieldText(0, Gbk("北京 中国").c_str());
    Add(*pWriter, document, 0, analysis);
    pWriter->write();
    pWriter->close();
    pWriter->reset();
    EXPECT_EQ(m_cache.allocate(32), m_cache.firstBlock());   // the cache was rewound

    // Barrel _1 comes with deletions of its own: they are written back at close.
    WriteFile(m_dir + "/_1.del", std::string("\x02\0\0\0\x01\0\0\0\x02", 9));
    pWriter->beginBarrel("_1");
    EXPECT_EQ(pWriter->getBarrelName(), "_1");
    ASSERT_NE(pWriter->getDocDeleted(), nullptr);
    document.setFieldText(0, Gbk("学生").c_str());
    Add(*pWriter, document, 0, analysis);
    document.setFieldText(0, Gbk("学生 北京").c_str());
    Add(*pWriter, document, 1, analysis);
    pWriter->write();
    pWriter->close();
    EXPECT_EQ(pWriter->getDocDeleted(), nullptr);
    DropTmpNames(m_dir);

    std::vector<FieldInfoRecord> fields = Fields("_1");
    EXPECT_EQ(fields[0].totalTerms, 3);
    std::vector<TermPostings> terms = ReadFieldPostings(m_dir, "_1", fields[0]);
    ASSERT_EQ(terms.size(), 2u);
    EXPECT_EQ(terms[0].term, WordId("北京"));
    EXPECT_EQ(terms[0].docs, (std::vector<uint32_t>{1}));
    EXPECT_EQ(terms[1].docs, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(ReadDeletedDocs(m_dir + "/_1.del").deleted, (std::vector<bool>{false, true}));
    EXPECT_FALSE(FileExists(m_dir + "/_0.del"));
    std::vector<StoredDocument> stored = ReadStoredFields(m_dir, "_1", fields);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].fields[0].text, Gbk("学生 北京"));
}

TEST_F(BarrelWriter, ACacheTooSmallForTheBarrelOverflowsAndStillWrites)
{
    CMemoryCache tiny(64);
    CContentMode mode;
    mode.addItem(CModeItem("text", 16, 2));
    CAnalysis analysis(mode);
    CIndexBarrelWriter writer("_0", &m_directory, &tiny);
    writer.setContentMode(&mode);
    writer.createFieldIndexers(Factories(mode));
    CContent document(mode);
    document.setFieldText(0, Gbk("中国 北京 学生").c_str());
    document.analyze(analysis.map());
    writer.addDocument(0, document);
    EXPECT_GT(tiny.overflowBlocks(), 0);   // what makes the index writer flush
    writer.write();
    writer.close();
    writer.reset();
    EXPECT_EQ(tiny.overflowBlocks(), 0);
    DropTmpNames(m_dir);
    WriteFile(m_dir + "/index_status.xml", Status({{"_0", 1}}));
    EXPECT_EQ(CheckIndex(m_dir), "");
}

TEST_F(BarrelWriter, ArgumentsAndStateChecks)
{
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { CIndexBarrelWriter w("_0", nullptr, &m_cache); }),
              "INVALID ARGUMENT: pDir");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { CIndexBarrelWriter w("_0", &m_directory, nullptr); }),
              "INVALID ARGUMENT: pMemory");
    CIndexBarrelWriter writer("_0", &m_directory, &m_cache);
    CContentMode empty;
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { writer.setContentMode(&empty); }), "ASSERT FAILED: modeCount>0");

    CContentMode mode;
    mode.addItem(CModeItem("text", 16, 2));
    writer.setContentMode(&mode);
    CContent document(mode);
    document.setFieldText(0, "abc");
    CAnalysis analysis(mode);
    document.analyze(analysis.map());
    // An indexed field without its indexer.
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { writer.addDocument(0, document); }),
              "ASSERT FAILED: m_fieldIndexers[fid]");

    // A document of a larger mode than the barrel's.
    CContentMode larger;
    larger.addItem(CModeItem("text", 16, 2));
    larger.addItem(CModeItem("more", 16, 1));
    writer.createFieldIndexers(Factories(mode));
    CContent wide(larger);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { writer.addDocument(0, wide); }),
              "INVALID ARGUMENT: pField->getFieldID()>=0 && pField->getFieldID()<m_nFieldInfoCount");

    class CBrokenFactory : public cs::index::CFieldFactory {
    public:
        const char* getName() const override { return "broken"; }
        cs::index::CFieldIndexer* createFieldIndexer(CMemoryCache*) override { return nullptr; }
        cs::index::CFieldMerger* createFieldMerger() override { return nullptr; }
        cs::index::CIndexTermReader* createTermReader() override { return nullptr; }
        bool keepsPositions(int) const override { return false; }
    } broken;
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { writer.createFieldIndexers({{0, &broken}}); }),
              "failed to create field indexer");
}

TEST_F(BarrelWriter, TooLittleDiskForTheCacheEndsBeforeAnyPostingFile)
{
    std::string disk = MakeTempDir("fulldisk");
    CFullDiskEnv fullDisk(disk, 64 * 1024);
    cs::platform::CEnvScope scope(fullDisk);
    std::string dir = disk + "/index";
    std::string text = cs::utility::CStringResource::instance().get("IDR_LACK_DISKSPACE");
    EXPECT_EXIT(
        {
            cs::store::CContentDirectory directory(dir, 1);
            CContentMode mode;
            mode.addItem(CModeItem("text", 16, 2));
            CIndexBarrelWriter writer("_0", &directory, &m_cache);
            writer.setContentMode(&mode);
            writer.write();
        },
        ::testing::ExitedWithCode(3), "^" + text + "\n$");
    EXPECT_FALSE(FileExists(dir + "/_0.tid.tmp"));
    std::remove((cs::utility::GetAppDir() + "errorreport.txt").c_str());
}

} // namespace
