// The text parser on real files: size limit, encodings, scrambled files and
// buffer reuse from document to document.
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/TxtParser.h"
#include "support/TestSupport.h"

using namespace cs::parse;
using cs::test::FieldText;
using cs::test::Gbk;
using cs::test::NewDocument;

namespace {

class TxtParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = cs::test::MakeTempDir("txt");
        m_parser.setContentMode(&cs::test::ParseTestMode());
    }

    std::string write(const std::string& name, const std::string& content)
    {
        std::string path = m_dir + "/" + name;
        cs::test::WriteFile(path, content);
        return path;
    }

    int parse(const std::string& path, cs::content::CContent& content)
    {
        content.setFileInput(path, 0);
        return m_parser.parse(&content);
    }

    std::string m_dir;
    CTxtParser m_parser;
};

std::string LongGbkText()
{
    std::string text;
    while (text.size() < 400)
        text += Gbk("这是一段中文文字。\n");
    return text;
}

} // namespace

TEST_F(TxtParserTest, GbkTextKeepsItsTerminatingZero)
{
    std::string text = LongGbkText();
    auto content = NewDocument(cs::content::filetype::TXT);
    ASSERT_EQ(parse(write("gbk.txt", text), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), text + std::string(1, '\0'));
    EXPECT_EQ(FieldText(*content, "abstract"), FieldText(*content, "text"));
    EXPECT_EQ(content->getEncoding(), cs::content::encoding::GBK);
    EXPECT_EQ(content->getState(), cs::content::CContent::STATE_PARSED);
}

TEST_F(TxtParserTest, Utf8TextIsConverted)
{
    auto content = NewDocument(cs::content::filetype::TXT);
    ASSERT_EQ(parse(write("utf8.txt", "\xE4\xB8\xAD\xE6\x96\x87 text\n"), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), Gbk("中文 text\n") + std::string(1, '\0'));
    ASSERT_EQ(parse(write("ascii.txt", "plain ascii"), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), std::string("plain ascii", 12));
}

// Texts too short for the window's tests are told by their whole text:
// valid UTF-8 first, then GBK; only what is neither is dropped, said at INFO.
TEST_F(TxtParserTest, ShortTextsAreToldByTheirWholeTextAndOnlyUnknownOnesDropped)
{
    cs::test::CLogCapture log;
    auto content = NewDocument(cs::content::filetype::TXT);
    const std::string note = Gbk("企鹅 are birds of the south!!");
    ASSERT_EQ(note.size(), 29u);
    ASSERT_EQ(parse(write("short-gbk.txt", note), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), note + std::string(1, '\0'));
    content->clear();
    ASSERT_EQ(parse(write("short-utf8.txt", "caf\xC3\xA9 cr\xC3\xA8me"), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), Gbk("café crème") + std::string(1, '\0'));
    EXPECT_EQ(content->getEncoding(), cs::content::encoding::GBK);
    content->clear();

    std::string photo = write("photo.txt", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    EXPECT_EQ(parse(photo, *content), 0);
    EXPECT_EQ(FieldText(*content, "text"), "<none>");
    EXPECT_EQ(content->getDropReason(), cs::content::DropReason::UNKNOWN_ENCODING);
    EXPECT_TRUE(log.logged("INFO", "can't tell the text encoding of file " + photo));
}

TEST_F(TxtParserTest, ScrambledFileIsReadUnscrambled)
{
    std::string text = LongGbkText();
    std::string scrambled = text;
    Unscramble(scrambled.data(), scrambled.size());
    auto content = NewDocument(cs::content::filetype::TXT);
    ASSERT_EQ(parse(write("e_123.txt", scrambled), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), text + std::string(1, '\0'));
}

TEST_F(TxtParserTest, SizeLimit)
{
    std::string line = std::string(99, 'a') + "\n";
    std::string exact;
    exact.reserve(CTxtParser::MAX_TEXT_LENGTH + 1);
    while (exact.size() + line.size() <= static_cast<size_t>(CTxtParser::MAX_TEXT_LENGTH))
        exact += line;
    exact.append(CTxtParser::MAX_TEXT_LENGTH - exact.size(), 'b');

    cs::test::CLogCapture log;
    auto content = NewDocument(cs::content::filetype::TXT);
    ASSERT_EQ(parse(write("exact.txt", exact), *content), 1);
    EXPECT_EQ(FieldText(*content, "text").size(), exact.size() + 1);
    EXPECT_FALSE(log.contains("too big"));

    std::string longer = exact + "c";
    std::string path = write("longer.txt", longer);
    ASSERT_EQ(parse(path, *content), 1);
    std::string text = FieldText(*content, "text");
    EXPECT_EQ(text.size(), exact.size() + 1);
    EXPECT_EQ(text.substr(text.size() - 2), std::string("b\0", 2));
    EXPECT_TRUE(log.logged("WARN", "txt parser find file: " + path + " too big(length:10485760)"));
}

TEST_F(TxtParserTest, BuffersAreReused)
{
    auto content = NewDocument(cs::content::filetype::TXT);
    ASSERT_EQ(parse(write("big.txt", LongGbkText()), *content), 1);
    content->clear();
    // Bytes left in the buffer by the longer file must not count.
    ASSERT_EQ(parse(write("small.txt", "hi"), *content), 1);
    EXPECT_EQ(FieldText(*content, "text"), std::string("hi", 3));
}

TEST_F(TxtParserTest, Refusals)
{
    cs::test::CLogCapture log;
    auto html = NewDocument(cs::content::filetype::HTML);
    EXPECT_EQ(parse(write("wrong.txt", "text"), *html), 0);
    EXPECT_TRUE(log.logged("WARN", "filetype is not TXT while parsing"));

    auto content = NewDocument(cs::content::filetype::TXT);
    std::string missing = m_dir + "/missing.txt";
    EXPECT_EQ(parse(missing, *content), 0);
    EXPECT_TRUE(log.logged("DEBUG", "can't get the file " + missing + " length"));
    EXPECT_EQ(content->getDropReason(), cs::content::DropReason::UNREADABLE);

    EXPECT_EQ(parse(m_dir, *content), 0);
    EXPECT_TRUE(log.logged("WARN", " read file " + m_dir + " while parsing "));

    auto noFile = NewDocument(cs::content::filetype::TXT);
    EXPECT_EQ(m_parser.parse(noFile.get()), 0);
    EXPECT_EQ(cs::test::LogicErrorText([&] { m_parser.parse(nullptr); }).rfind("ASSERT FAILED: content", 0), 0u);
    EXPECT_EQ(cs::test::LogicErrorText([&] { m_parser.setContentMode(nullptr); }).rfind("INVALID ARGUMENT: pMode", 0), 0u);
}

TEST_F(TxtParserTest, PathWithoutSlashIsAProgrammingError)
{
    cs::test::WriteFile(cs::test::TestRoot() + "/bare.txt", "text");
    auto content = NewDocument(cs::content::filetype::TXT);
    EXPECT_EQ(cs::test::LogicErrorText([&] { parse("bare.txt", *content); }).rfind("ASSERT FAILED: begin", 0), 0u);
}

TEST_F(TxtParserTest, ModeWithoutAbstract)
{
    cs::content::CContentMode mode;
    mode.addItem(cs::content::CModeItem("text", cs::content::CModeItem::STORE_NO, cs::content::CModeItem::INDEX_ANALYZE));
    CTxtParser parser;
    parser.setContentMode(&mode);
    cs::content::CContent content(mode);
    content.setFileType(cs::content::filetype::TXT);
    content.setFileInput(write("only-text.txt", "words"), 0);
    ASSERT_EQ(parser.parse(&content), 1);
    EXPECT_EQ(std::string(content.field(0).getText(), content.field(0).getTextLength()), std::string("words", 6));
}
