// The HTML parser on real pages: declared and detected character sets, the
// keep rule, the size limit and failures to read.
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/HtmlParser.h"
#include "support/TestSupport.h"

using namespace cs::parse;
using cs::test::Big5;
using cs::test::FieldText;
using cs::test::Gbk;
using cs::test::NewDocument;

namespace {

class HtmlParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = cs::test::MakeTempDir("html");
        m_parser.setContentMode(&cs::test::ParseTestMode());
        m_content = NewDocument(cs::content::filetype::HTML);
    }

    // The parse result; the text is in m_text.
    int parse(const std::string& name, const std::string& page)
    {
        std::string path = m_dir + "/" + name;
        cs::test::WriteFile(path, page);
        m_content->clear();
        m_content->setFileInput(path, 0);
        int result = m_parser.parse(m_content.get());
        m_text = FieldText(*m_content, "text");
        return result;
    }

    std::string m_dir;
    CHtmlParser m_parser;
    std::unique_ptr<cs::content::CContent> m_content;
    std::string m_text;
};

std::string Page(const std::string& head, const std::string& body)
{
    return "<html><head>" + head + "</head><body>" + body + "</body></html>";
}

} // namespace

TEST_F(HtmlParserTest, VisibleTextCollapsed)
{
    ASSERT_EQ(parse("hello.html", Page("", "<p>Hello&nbsp;world</p>")), 1);
    EXPECT_EQ(m_text, " Hello world ");
    EXPECT_EQ(FieldText(*m_content, "abstract"), m_text);
    EXPECT_EQ(m_content->getEncoding(), cs::content::encoding::GBK);
    EXPECT_EQ(m_content->getState(), cs::content::CContent::STATE_PARSED);

    ASSERT_EQ(parse("lines.html", "<p>first\r\n  line</p><p>\n second\t\tpart\n</p>"), 1);
    EXPECT_EQ(m_text, "first line second part\n");
}

TEST_F(HtmlParserTest, LostText)
{
    ASSERT_EQ(parse("lost.html", "before the page<html><body><p>kept</p><script>var x = 1;</script>"
                                 "after script<p>also kept</p><!-- note -->after comment<b>end</b></body></html>"),
              1);
    EXPECT_EQ(m_text, " kept also kept end ");
}

TEST_F(HtmlParserTest, KeepRule)
{
    EXPECT_EQ(parse("one.html", "<p>x</p>"), 0);
    EXPECT_EQ(parse("spaced.html", Page("<title>x</title>", "")), 0);
    EXPECT_EQ(parse("two.html", "<p>xy</p>"), 1);
    EXPECT_EQ(m_text, "xy");
    EXPECT_EQ(parse("notags.html", "just text, no tags"), 0);
    EXPECT_EQ(parse("empty-tag.html", "<><p>text</p>"), 0);
}

TEST_F(HtmlParserTest, DeclaredAndDetectedCharsets)
{
    std::string gbkText = Gbk("中文网页的内容");
    // A declared character set is taken when the text is no UTF-8.
    ASSERT_EQ(parse("gbk.html", Page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">",
                                     "<p>" + gbkText + "</p>")),
              1);
    EXPECT_EQ(m_text, " " + gbkText + " ");
    ASSERT_EQ(parse("big5.html", Page("<META CONTENT=\"text/html; CHARSET=BIG5\">", "<p>" + Big5("繁體中文") + "</p>")), 1);
    EXPECT_EQ(m_text, " " + Gbk("繁體中文") + " ");
    // Text that passes the UTF-8 test is UTF-8, whatever the page says.
    ASSERT_EQ(parse("liar.html", Page("<meta charset=big5>", "<p>\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97</p>")), 1);
    EXPECT_EQ(m_text, " " + Gbk("中文字") + " ");
    // Without a declaration, text that is no UTF-8 is kept as it is.
    ASSERT_EQ(parse("plain.html", Page("<meta name=\"keywords\" content=\"x\">", "<p>" + gbkText + "</p>")), 1);
    EXPECT_EQ(m_text, " " + gbkText + " ");
    // The first meta tag naming a known set decides.
    ASSERT_EQ(parse("two-metas.html", Page("<meta charset=\"iso-8859-1\"><meta charset=\"big5\"><meta charset=\"gbk\">",
                                           "<p>" + Big5("體") + "</p>")),
              1);
    EXPECT_EQ(m_text, " " + Gbk("體") + " ");
}

TEST_F(HtmlParserTest, CharacterReferencesDecoded)
{
    // Named (HTML 4) and numeric references become GBK characters, in UTF-8
    // pages and GBK pages alike; characters GBK lacks are dropped.
    const struct {
        std::string html;   // UTF-8 unless it names gbk
        std::string text;   // GBK as UTF-8
    } cases[] = {
        {"a &amp; b &lt;c&gt; &quot;d&quot;", "a & b <c> \"d\""},
        {"x&#8212;y &#x4E2D;&#X6587; &eacute;t&eacute; &euro;5", "x—y 中文 été €5"},
        {"&copy;2026 &#x1F600;&hearts; &#0;z", "2026 z"},
        {"&#160;&nbsp;w &#65&#66; q", "w AB q"},
        {"&bogus; a&b &amp &#; &#xZ; &;", "&bogus; a&b &amp &#; &#xZ; &;"},
        {"&amp;lt; stays &amp;lt;", "&lt; stays &lt;"},
        {"<meta charset=gbk>" + Gbk("中") + "&middot;" + Gbk("文"), "中·文"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(parse("refs.html", Page("", "<p>" + c.html + "</p>")), 1) << c.html;
        EXPECT_EQ(m_text, " " + Gbk(c.text) + " ") << c.html;
        EXPECT_EQ(FieldText(*m_content, "abstract"), m_text);
    }
}

TEST_F(HtmlParserTest, ScrambledPage)
{
    std::string page = Page("", "<p>secret words</p>");
    Unscramble(page.data(), page.size());
    ASSERT_EQ(parse("e_9.html", page), 1);
    EXPECT_EQ(m_text, " secret words ");
}

TEST_F(HtmlParserTest, TenMebibytesAreDropped)
{
    cs::test::CLogCapture log;
    std::string body = Page("", "");
    std::string page = "<p>" + std::string(static_cast<size_t>(CHtmlParser::MAX_PAGE_LENGTH) - 1 - 3 - body.size(), 'a') + body;
    ASSERT_EQ(page.size(), static_cast<size_t>(CHtmlParser::MAX_PAGE_LENGTH) - 1);
    ASSERT_EQ(parse("almost.html", page), 1);
    EXPECT_EQ(m_text.size(), page.size() - body.size() - 3 + 1);

    std::string path = m_dir + "/full.html";
    EXPECT_EQ(parse("full.html", page + " "), 0);
    EXPECT_TRUE(log.logged("WARN", "file " + path + " is too big.length:10485760"));
    EXPECT_EQ(m_content->getDropReason(), cs::content::DropReason::TOO_LARGE);
}

TEST_F(HtmlParserTest, Refusals)
{
    cs::test::CLogCapture log;
    EXPECT_EQ(parse("empty.html", ""), 0);
    EXPECT_TRUE(log.logged("DEBUG", "can't get file " + m_dir + "/empty.html's length or length is 0"));
    EXPECT_EQ(m_content->getDropReason(), cs::content::DropReason::NO_TEXT);

    m_content->setFileInput(m_dir, 0);
    EXPECT_EQ(m_parser.parse(m_content.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "fail to read file: " + m_dir));
    EXPECT_TRUE(log.logged("WARN", "info:Is a directory"));
    EXPECT_EQ(m_content->getDropReason(), cs::content::DropReason::UNREADABLE);

    auto txt = NewDocument(cs::content::filetype::TXT);
    EXPECT_EQ(m_parser.parse(txt.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "filetype is not HTML while parsing"));
}
