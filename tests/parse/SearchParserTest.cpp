// Search words from search-engine request URLs: built-in and configured
// engines, start words, escapes, character sets and their switches.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/SearchParser.h"
#include "support/TestSupport.h"

using namespace cs::parse;
using cs::test::FieldText;
using cs::test::Gbk;
using cs::test::NewDocument;

namespace {

const char kUtf8Chinese[] = "%E4%B8%AD%E6%96%87";   // 中文 in UTF-8
const char kGbkChinese[] = "%D6%D0%CE%C4";          // 中文 in GBK

class SearchParserTest : public ::testing::Test {
protected:
    void SetUp() override { std::remove(configFile().c_str()); }
    void TearDown() override { std::remove(configFile().c_str()); }

    static std::string configFile() { return cs::test::TestRoot() + "/search_keywords.xml"; }

    static void writeConfig(const std::string& body)
    {
        cs::test::WriteFile(configFile(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>\n" + body + "</config>\n");
    }

    void makeParser()
    {
        m_parser = std::make_unique<CSearchParser>();
        m_parser->setContentMode(&cs::test::ParseTestMode());
    }

    // The stored words, or "<dropped>".
    std::string words(const std::string& url)
    {
        if (!m_parser)
            makeParser();
        auto content = NewDocument(cs::content::filetype::SEARCH, 'S');
        content->setBufferInput(0, url.data(), url.size());
        if (m_parser->parse(content.get()) != 1)
            return "<dropped>";
        EXPECT_EQ(content->getEncoding(), cs::content::encoding::GBK);
        EXPECT_EQ(FieldText(*content, "abstract"), FieldText(*content, "text"));
        return FieldText(*content, "text");
    }

    std::unique_ptr<CSearchParser> m_parser;
};

} // namespace

TEST_F(SearchParserTest, BuiltInEngines)
{
    std::string utf8Raw = "\xE4\xB8\xAD\xE6\x96\x87";
    EXPECT_EQ(words(std::string("http://www.google.com/search?hl=zh-CN&q=") + kUtf8Chinese + "&btnG=go"), utf8Raw);
    EXPECT_EQ(words(std::string("http://www.baidu.com/s?wd=") + kGbkChinese), Gbk("中文"));
    EXPECT_EQ(words("http://search.yahoo.com/search?p=hello+world&ei=UTF-8"), "hello world");
    EXPECT_EQ(words("http://search.live.com/results.aspx?q=abc&form=QBRE"), "abc");
    EXPECT_EQ(words(std::string("http://www.sogou.com/web?query=") + kGbkChinese), Gbk("中文"));
    EXPECT_EQ(words("http://so.163.com/search.php?q=news"), "news");
    EXPECT_EQ(words("http://www.iask.com/s?_searchkey=ask"), "ask");
    EXPECT_EQ(words("http://p.zhongsou.com/p?w=zs"), "zs");
    EXPECT_EQ(words("http://search.tom.com/search.php?w=tom"), "tom");
    EXPECT_EQ(words(std::string("http://www.yisou.com/search:") + kUtf8Chinese + "?source=x"), utf8Raw + "?source=x");
    EXPECT_EQ(words("http://www.soso.com/q?pid=s&w=soso"), "soso");
    // The engine may be named by the second or third label.
    EXPECT_EQ(words("http://e.pku.tianwang.com/cgi-bin/tw?word=tw"), "tw");
    EXPECT_EQ(words("http://www.google.com.hk/search?q=hk"), "hk");
}

TEST_F(SearchParserTest, StartWordMustBeAKeyOfItsOwn)
{
    EXPECT_EQ(words("http://www.google.com/search?aq=f&oq=x&q=real"), "real");
    EXPECT_EQ(words("http://www.google.com/search?faq=1"), "<dropped>");
    // The words end at the next "&", else at a space.
    EXPECT_EQ(words("http://www.google.com/search?q=one two"), "one");
    EXPECT_EQ(words("http://www.google.com/search?q=a b&x=1"), "a b");
}

TEST_F(SearchParserTest, PlusSpacesAndTrimming)
{
    // Trimming comes before "+" becomes a space.
    EXPECT_EQ(words("http://www.baidu.com/s?wd=%20+hello+world+"), " hello world ");
    EXPECT_EQ(words("http://www.baidu.com/s?wd=%20%09%0D%0A"), "<dropped>");
    EXPECT_EQ(words("http://www.baidu.com/s?wd=&ie=gbk"), "<dropped>");
    EXPECT_EQ(words(std::string("http://www.baidu.com/s?wd=") + kGbkChinese + "+%2B1"), Gbk("中文") + "  1");
}

TEST_F(SearchParserTest, UrlsWithoutAnEngineLabel)
{
    EXPECT_EQ(words("http://baidu.com/s?wd=x"), "<dropped>");          // the first label never counts
    EXPECT_EQ(words("http://www..baidu.com/s?wd=x"), "<dropped>");      // empty label
    EXPECT_EQ(words("http://www.baidu.com?wd=x"), "<dropped>");         // no "/" after the first "."
    EXPECT_EQ(words("localhost/s?wd=x"), "<dropped>");                  // no "."
    EXPECT_EQ(words("http://www.baidu.com/s?ie=gbk"), "<dropped>");     // no start word
}

TEST_F(SearchParserTest, UnknownEngineKeepsItsQueryDecoded)
{
    EXPECT_EQ(words(std::string("http://www.example.org/find?term=") + kUtf8Chinese + "&x=%41%42+c"),
              "?term=" + Gbk("中文") + "&x=AB c");
    // Escapes that are no UTF-8 are decoded as they are.
    EXPECT_EQ(words(std::string("http://search.example.org/go?k=") + kGbkChinese), std::string("?k=") + "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(words("http://www.example.org/find"), "<dropped>");
}

TEST_F(SearchParserTest, Utf8SwitchOn)
{
    writeConfig("  <utf8>1</utf8>\n");
    EXPECT_EQ(words(std::string("http://www.google.com/search?q=") + kUtf8Chinese + "+abc"), Gbk("中文") + " abc");
}

TEST_F(SearchParserTest, SwitchesOffAndUnparsable)
{
    writeConfig("  <utf8>yes</utf8>\n  <big5>0</big5>\n  <ucs2>0</ucs2>\n");
    makeParser();
    EXPECT_FALSE(m_parser->convertsUtf8());
    EXPECT_FALSE(m_parser->convertsBig5());
    EXPECT_FALSE(m_parser->convertsUcs2());
}

TEST_F(SearchParserTest, ConfiguredEngines)
{
    writeConfig("  <search_top>\n"
                "    <engine domain=\"bing\" startword=\"q=\" charset=\"utf-8\"/>\n"
                "    <engine domain=\"google\" startword=\"zz=\" charset=\"gbk\"/>\n"
                "    <engine domain=\"tw\" startword=\"kw=\" charset=\"BIG5\"/>\n"
                "    <engine domain=\"wide\" startword=\"s=\" charset=\"usc2\"/>\n"
                "    <engine domain=\"raw\" startword=\"s=\" charset=\"latin1\"/>\n"
                "    <engine startword=\"s=\" charset=\"gbk\"/>\n"
                "  </search_top>\n"
                "  <utf8>1</utf8>\n");
    EXPECT_EQ(words(std::string("http://cn.bing.com/search?q=") + kUtf8Chinese), Gbk("中文"));
    // A configured "google" gives way to the built-in one.
    EXPECT_EQ(words(std::string("http://www.google.com/search?zz=1&q=") + kUtf8Chinese), Gbk("中文"));
    EXPECT_EQ(words("http://search.tw.example/s?kw=%A4%A4%A4%E5"), Gbk("中文"));
    EXPECT_EQ(words("http://www.wide.example/s?s=%2D%4E%87%65"), Gbk("中文"));
    EXPECT_EQ(words("http://www.raw.example/s?s=%E9t%E9"), "\xE9t\xE9");
    EXPECT_EQ(m_parser->engines().count(""), 0u);
    EXPECT_EQ(m_parser->engines().size(), 12u + 4u);
}

TEST_F(SearchParserTest, AtMostAThousandConfiguredEngines)
{
    std::string engines = "  <search_top>\n";
    for (int i = 1; i <= 1500; ++i)
        engines += "    <engine domain=\"e" + std::to_string(i) + "\" startword=\"q=\" charset=\"gbk\"/>\n";
    writeConfig(engines + "  </search_top>\n");
    cs::test::CLogCapture log;
    makeParser();
    EXPECT_TRUE(log.logged("INFO", "the number of search config is more than 1000.only use first 1000"));
    EXPECT_EQ(m_parser->engines().size(), 1000u + 12u);
    EXPECT_EQ(words("http://www.e1000.example/s?q=last"), "last");
    EXPECT_EQ(words("http://www.e1001.example/s?q=over"), "?q=over");
}

TEST_F(SearchParserTest, BrokenConfigurationLeavesTheBuiltInEngines)
{
    cs::test::WriteFile(configFile(), "<config><search_top><engine domain=\"bing\"");
    makeParser();
    EXPECT_EQ(m_parser->engines().size(), 12u);
    EXPECT_FALSE(m_parser->convertsUtf8());
    EXPECT_TRUE(m_parser->convertsBig5());
    EXPECT_TRUE(m_parser->convertsUcs2());
}

TEST_F(SearchParserTest, Refusals)
{
    cs::test::CLogCapture log;
    makeParser();
    auto web = NewDocument(cs::content::filetype::UNKNOWN, 'S');
    EXPECT_EQ(m_parser->parse(web.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "content is not searching key words"));
    auto noBuffer = NewDocument(cs::content::filetype::SEARCH, 'S');
    EXPECT_EQ(m_parser->parse(noBuffer.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "content has no buffer data while parsing searching key words"));
    EXPECT_EQ(cs::test::LogicErrorText([&] { m_parser->parse(nullptr); }).rfind("ASSERT FAILED: content", 0), 0u);
    EXPECT_EQ(cs::test::LogicErrorText([&] { m_parser->setContentMode(nullptr); }).rfind("INVALID ARGUMENT: pMode", 0), 0u);
}
