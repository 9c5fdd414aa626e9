// Files of unknown type and compressed files are indexed by name; records
// without a file by their buffer, unless they are noise.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/CompParser.h"
#include "parse/UnkownParser.h"
#include "support/TestSupport.h"

using namespace cs::parse;
using cs::test::FieldText;
using cs::test::Gbk;
using cs::test::NewDocument;

namespace {

class UnkownParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = cs::test::MakeTempDir("unknown");
        std::remove(trashFile().c_str());
    }
    void TearDown() override { std::remove(trashFile().c_str()); }

    static std::string trashFile() { return cs::test::TestRoot() + "/trashurl.xml"; }

    // A fresh parser, so that it reads the trash list anew.
    static std::unique_ptr<CUnkownParser> newParser()
    {
        auto parser = std::make_unique<CUnkownParser>();
        parser->setContentMode(&cs::test::ParseTestMode());
        return parser;
    }

    static std::unique_ptr<cs::content::CContent> record(uint16_t kind, const std::string& buffer)
    {
        auto content = NewDocument(cs::content::filetype::UNKNOWN, kind);
        content->setBufferInput(0, buffer.data(), buffer.size());
        return content;
    }

    std::string m_dir;
};

} // namespace

TEST_F(UnkownParserTest, FileIsIndexedByItsName)
{
    auto parser = newParser();
    std::string path = m_dir + "/setup.exe";
    cs::test::WriteFile(path, "MZ binary");
    auto content = NewDocument(cs::content::filetype::UNKNOWN);
    content->setFileInput(path, 0);
    ASSERT_EQ(parser->parse(content.get()), 1);
    EXPECT_EQ(FieldText(*content, "text"), "setup.exe");
    EXPECT_EQ(FieldText(*content, "abstract"), "setup.exe");
    EXPECT_EQ(content->getEncoding(), cs::content::encoding::GBK);

    // Names come in UTF-8 from the file system and are stored in GBK; bytes
    // that are no UTF-8 are taken as they are.
    std::string spaced = m_dir + "/my report \xE6\x8A\xA5\xE5\x91\x8A.bin";
    cs::test::WriteFile(spaced, "x");
    content->setFileInput(spaced, 0);
    ASSERT_EQ(parser->parse(content.get()), 1);
    EXPECT_EQ(FieldText(*content, "text"), "my report " + Gbk("报告") + ".bin");
    std::string gbkName = m_dir + "/" + Gbk("报告") + ".bin";
    cs::test::WriteFile(gbkName, "x");
    content->setFileInput(gbkName, 0);
    ASSERT_EQ(parser->parse(content.get()), 1);
    EXPECT_EQ(FieldText(*content, "text"), Gbk("报告") + ".bin");
}

TEST_F(UnkownParserTest, CompressedArchiveByName)
{
    CCompParser parser;
    parser.setContentMode(&cs::test::ParseTestMode());
    std::string path = m_dir + "/data.zip";
    cs::test::WriteFile(path, std::string("PK\x03\x04", 4));
    auto content = NewDocument(cs::content::filetype::COMP);
    content->setFileInput(path, 0);
    ASSERT_EQ(parser.parse(content.get()), 1);
    EXPECT_EQ(FieldText(*content, "text"), "data.zip");
    EXPECT_EQ(cs::test::LogicErrorText([&] { parser.setContentMode(nullptr); }).rfind("INVALID ARGUMENT: pMode", 0), 0u);
}

TEST_F(UnkownParserTest, NamesThatCannotBeTaken)
{
    cs::test::CLogCapture log;
    auto parser = newParser();
    auto content = NewDocument(cs::content::filetype::UNKNOWN);
    content->setFileInput(m_dir + "/missing.bin", 0);
    EXPECT_EQ(parser->parse(content.get()), 0);

    content->setFileInput(m_dir, 0);
    EXPECT_EQ(parser->parse(content.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "the path is a dir while parsing unknown type file " + m_dir));

    cs::test::WriteFile(cs::test::TestRoot() + "/plainname", "x");
    content->setFileInput("plainname", 0);
    EXPECT_EQ(parser->parse(content.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "can't get file name while  parsing unknown type file plainname"));

    // A backslash separates the name before any slash does.
    std::string windowsStyle = m_dir + "/dir\\name.bin";
    cs::test::WriteFile(windowsStyle, "x");
    content->setFileInput(windowsStyle, 0);
    ASSERT_EQ(parser->parse(content.get()), 1);
    EXPECT_EQ(FieldText(*content, "text"), "name.bin");

    // A backslash in a directory name makes the name span directories: more
    // than 510 bytes of it are refused.
    std::string part(200, 'n');
    std::string deep = m_dir + "/a\\" + part + "/" + part + "/" + part;
    cs::test::WriteFile(deep, "x");
    content->setFileInput(deep, 0);
    EXPECT_EQ(parser->parse(content.get()), 0);
    EXPECT_TRUE(log.logged("ERROR", "file " + deep + " name is too long"));
    EXPECT_EQ(cs::test::LogicErrorText([&] { parser->parse(nullptr); }).rfind("ASSERT FAILED: content", 0), 0u);
}

TEST_F(UnkownParserTest, RecordBuffer)
{
    auto parser = newParser();
    auto chat = record('C', "  hello there \n");
    ASSERT_EQ(parser->parse(chat.get()), 1);
    EXPECT_EQ(FieldText(*chat, "text"), std::string("  hello there \n", 16));
    EXPECT_EQ(chat->getEncoding(), cs::content::encoding::UNKNOWN);

    // A file reference whose path was cleared counts as none.
    chat->setFileInput("", 0);
    EXPECT_EQ(parser->parse(chat.get()), 1);
}

TEST_F(UnkownParserTest, RecordsThatAreSkipped)
{
    cs::test::CLogCapture log;
    auto parser = newParser();
    EXPECT_EQ(parser->parse(record('C', " \t\r\n ").get()), 0);
    EXPECT_TRUE(log.logged("DEBUG", "record's buffer is empty, we skip to it"));
    EXPECT_EQ(parser->parse(NewDocument(cs::content::filetype::UNKNOWN, 'C').get()), 0);
    EXPECT_EQ(parser->parse(record('W', "http://example.com/page").get()), 0);
}

TEST_F(UnkownParserTest, BuiltInTrashFragments)
{
    cs::test::CLogCapture log;
    auto parser = newParser();
    EXPECT_EQ(parser->parse(record('U', "POST http://AUTOUPDATE.example.com/check").get()), 0);
    EXPECT_TRUE(log.logged("DEBUG", "record include trash url, we skip to it"));
    EXPECT_EQ(parser->parse(record('U', "POST http://Telemetry.example.net/").get()), 0);
    EXPECT_EQ(parser->parse(record('U', "POST http://upload.example.com/form").get()), 1);
    // Only uploads are checked.
    EXPECT_EQ(parser->parse(record('C', "autoupdate.example.com").get()), 1);
}

TEST_F(UnkownParserTest, TrashFragmentsFromTheFile)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>\n  <url>tracker.example</url>\n  <url> </url>\n";
    for (int i = 0; i < 1500; ++i)
        xml += "  <url>host" + std::to_string(i) + ".invalid</url>\n";
    xml += "</config>\n";
    cs::test::WriteFile(trashFile(), xml);
    auto parser = newParser();
    EXPECT_EQ(parser->parse(record('U', "http://TRACKER.example/x").get()), 0);
    EXPECT_EQ(parser->parse(record('U', "http://host997.invalid/x").get()), 0);
    // Only the first 1000 entries are read; the built-in list is not used.
    EXPECT_EQ(parser->parse(record('U', "http://host998.invalid/x").get()), 1);
    EXPECT_EQ(parser->parse(record('U', "http://autoupdate.example.com/").get()), 1);
    // The blank entry matches nothing.
    EXPECT_EQ(parser->parse(record('U', "plain upload").get()), 1);
}

TEST_F(UnkownParserTest, BrokenTrashFileFallsBackToTheBuiltInList)
{
    cs::test::WriteFile(trashFile(), "<config><url>tracker.example</url>");
    auto parser = newParser();
    EXPECT_EQ(parser->parse(record('U', "http://tracker.example/").get()), 1);
    EXPECT_EQ(parser->parse(record('U', "http://crashreport.example/").get()), 0);

    cs::test::WriteFile(trashFile(), "<?xml version=\"1.0\"?><other><url>tracker.example</url></other>");
    parser = newParser();
    EXPECT_EQ(parser->parse(record('U', "http://liveupdate.example/").get()), 0);
}
