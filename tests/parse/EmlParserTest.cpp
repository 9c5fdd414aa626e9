// The mail parser on stored mail files: part selection, transfer encodings,
// character sets, subjects, senders and recipients, size limits, scrambled
// files and refusals.
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/EmlParser.h"
#include "parse/ParserRegistry.h"
#include "support/TestSupport.h"

using namespace cs::parse;
using cs::test::FieldText;
using cs::test::Gbk;
using cs::test::NewDocument;

namespace {

std::string MailData(const std::string& relative)
{
    return cs::test::ReadFile(std::string(CS_TEST_DATA_DIR) + "/" + relative);
}

class EmlParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = cs::test::MakeTempDir("eml");
        m_parser.setContentMode(&cs::test::ParseTestMode());
        m_content = NewDocument(cs::content::filetype::EML, 'M');
    }

    // Parses a copy of a test-data mail ("mime/corpus/alternative.eml").
    int parseData(const std::string& relative, const std::string& name = "mail.eml")
    {
        return parse(name, MailData(relative));
    }

    // The parse result; the fields are in m_text, m_sender, m_recipients.
    int parse(const std::string& name, const std::string& mail)
    {
        std::string path = m_dir + "/" + name;
        cs::test::WriteFile(path, mail);
        return parsePath(path);
    }

    int parsePath(const std::string& path)
    {
        m_content->clear();
        m_content->setFileInput(path, 0);
        int result = m_parser.parse(m_content.get());
        m_text = FieldText(*m_content, "text");
        m_sender = FieldText(*m_content, "mail_send");
        m_recipients = FieldText(*m_content, "mail_recv");
        return result;
    }

    std::string m_dir;
    CEmlParser m_parser;
    std::unique_ptr<cs::content::CContent> m_content;
    std::string m_text;
    std::string m_sender;
    std::string m_recipients;
};

const char kAlternativeText[] =
    "会议纪要\n张三，你好：\n本周五下午三点在三楼会议室讨论第二季度的索引服务上线计划，请准时参加。\n议程见附件。\n"
    "李四 张三，你好： 本周五下午三点在三楼会议室讨论第二季度的索引服务上线计划，请准时参加。 李四 ";

} // namespace

TEST_F(EmlParserTest, AlternativeIndexesBothVersionsInPartOrder)
{
    // Plain text in quoted-printable UTF-8, then HTML in base64 UTF-8.
    ASSERT_EQ(parseData("mime/corpus/alternative.eml"), 1);
    EXPECT_EQ(m_text, Gbk(kAlternativeText));
    EXPECT_EQ(FieldText(*m_content, "abstract"), m_text);
    // "Li Si" <li.si@example.org>
    EXPECT_EQ(m_sender, "li.si@example.org");
    // To: two addresses with display names, Cc: one.
    EXPECT_EQ(m_recipients, "zhang.san@example.com;wang.wu@example.net;zhao.liu@example.com;");
    EXPECT_EQ(m_content->getEncoding(), cs::content::encoding::GBK);
    EXPECT_EQ(m_content->getState(), cs::content::CContent::STATE_PARSED);
}

TEST_F(EmlParserTest, AttachmentsSkippedAndGbkTakenAsItIs)
{
    // A quoted-printable gb2312 text, a PNG and an octet stream; the subject
    // is a GBK encoded word; "CC" in capitals.
    ASSERT_EQ(parseData("mime/corpus/attachments.eml"), 1);
    EXPECT_EQ(m_text, Gbk("三月巡检报告\n各位同事：\n附件是三月份的服务器巡检报告和机房照片，请查收。\n如有问题请回复本邮件。\n王五\n"));
    EXPECT_EQ(m_sender, "wang.wu@example.net");
    EXPECT_EQ(m_recipients, "ops-team@example.com;zhao.liu@example.com;");
}

TEST_F(EmlParserTest, NestedPartsDepthFirstWithBig5)
{
    // mixed( alternative( 8bit UTF-8 plain, UTF-8 HTML ), Big5 plain, PDF );
    // the subject mixes ASCII with folded UTF-8 encoded words.
    ASSERT_EQ(parseData("mime/corpus/nested.eml"), 1);
    EXPECT_EQ(m_text, Gbk("Re: 版本发布说明 for build 2024.03\nRelease notes for build 2024.03:\n索引程序现在在后台合并分段。"
                          " Release notes for build 2024.03: 索引程序现在在后台合并分段。 臺灣分公司的季度報告已經完成，請參閱。\n"));
    // The display name is a GBK encoded word.
    EXPECT_EQ(m_sender, "chen.qi@example.cn");
    EXPECT_EQ(m_recipients, "zhang.san@example.com;wang.wu@example.net;");
}

TEST_F(EmlParserTest, Big5CharsetAsWritten)
{
    // charset="Big-5" in quoted-printable, charset=BIG5 in base64.
    ASSERT_EQ(parseData("eml/big5.eml"), 1);
    EXPECT_EQ(m_text, Gbk("maintenance notice\n各位好：\n下週一系統維護，郵件服務暫停兩小時。\n維護完成後請重新登入。"));
    EXPECT_EQ(m_sender, "chen.xm@example.com.tw");
    EXPECT_EQ(m_recipients, "staff@example.com.tw;");
}

TEST_F(EmlParserTest, UpperCaseQuotedUtf8Charset)
{
    // Content-Type: TEXT/PLAIN; CHARSET="UTF-8", BASE64 in capitals too.
    ASSERT_EQ(parseData("eml/upper-charset.eml"), 1);
    EXPECT_EQ(m_text, Gbk("周报\n周报：索引服务本周处理了一百二十万封邮件。\n"));
}

TEST_F(EmlParserTest, HtmlPartGivesItsVisibleText)
{
    // A lone GBK HTML part in quoted-printable, charset=" gbk " (blanks inside
    // the quotes), with a script and character references; the subject is a
    // gb2312 encoded word.
    ASSERT_EQ(parseData("eml/html-gbk.eml"), 1);
    EXPECT_EQ(m_text, Gbk("季度总结 季度总结 收入 增长 & 5% "));
    // From: "Wang, Wu" <wang.wu@example.net>; To: "Li Si" <li.si@example.org>; zhang.san@example.com
    EXPECT_EQ(m_sender, "wang.wu@example.net");
    EXPECT_EQ(m_recipients, "li.si@example.org;zhang.san@example.com;");
}

TEST_F(EmlParserTest, BareLineFeeds)
{
    ASSERT_EQ(parseData("mime/corpus/barelf.eml"), 1);
    EXPECT_EQ(m_text, Gbk("日报 2024-03-05\n今日完成：词典加载、停用词过滤。\n明日计划：合并策略的测试。\n"
                          "Long line that the mailer had to break with soft line breaks because it is longer than "
                          "seventy-six characters, 中文也一样。\n"));
    EXPECT_EQ(m_sender, "sun.ba@example.com");
    EXPECT_EQ(m_recipients, "zhou.jiu@example.com;");

    // The same mail with CR LF line ends gives the same text.
    std::string mail = MailData("mime/corpus/barelf.eml");
    std::string crlf;
    for (char c : mail)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string text = m_text;
    ASSERT_EQ(parse("crlf.eml", crlf), 1);
    EXPECT_EQ(m_text, text);
}

TEST_F(EmlParserTest, SubjectEncodings)
{
    auto mail = [](const std::string& subject) {
        return "From: a@example.com\r\nSubject: " + subject + "\r\n\r\nbody\r\n";
    };
    // UTF-8 encoded word: converted.
    ASSERT_EQ(parse("utf8.eml", mail("=?UTF-8?B?5Lya6K6u57qq6KaB?=")), 1);
    EXPECT_EQ(m_text, Gbk("会议纪要\nbody\n"));
    // The same subject as a GBK encoded word: taken as it is.
    ASSERT_EQ(parse("gbk.eml", mail("=?GBK?B?u+HS6bzN0qo=?=")), 1);
    EXPECT_EQ(m_text, Gbk("会议纪要\nbody\n"));
    // The declared charset does not count: UTF-8 bytes declared as GBK are
    // converted from UTF-8.
    ASSERT_EQ(parse("liar.eml", mail("=?GBK?B?5Lya6K6u57qq6KaB?=")), 1);
    EXPECT_EQ(m_text, Gbk("会议纪要\nbody\n"));
    // Neither UTF-8 nor GBK (a lone lead byte): kept byte for byte.
    ASSERT_EQ(parse("junk.eml", mail("=?x-unknown?Q?ab=FF?=")), 1);
    EXPECT_EQ(m_text, "ab\xFF\nbody\n");
}

TEST_F(EmlParserTest, WordsOfSubjectAndPartsStayApart)
{
    // No line end after the subject, nor at the end of the body.
    ASSERT_EQ(parseData("eml/english.eml"), 1);
    EXPECT_EQ(m_text, "Quarterly numbers\nTotals are in the shared folder.");
    EXPECT_EQ(m_sender, "alice@example.org");
    EXPECT_EQ(m_recipients, "bob@example.org;");

    // A leading mailbox separator line is not the sender.
    ASSERT_EQ(parseData("mime/corpus/plain.eml"), 1);
    EXPECT_EQ(m_text, "lunch\nNoodles at twelve?\n");
    EXPECT_EQ(m_sender, "zhou.jiu@example.com");

    // Two base64 parts without line ends.
    std::string mail = "From: a@example.com\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
                       "--b\r\nContent-Transfer-Encoding: base64\r\n\r\nZmlyc3Q=\r\n"
                       "--b\r\nContent-Transfer-Encoding: base64\r\n\r\nc2Vjb25k\r\n--b--\r\n";
    ASSERT_EQ(parse("parts.eml", mail), 1);
    EXPECT_EQ(m_text, "first\nsecond");
}

TEST_F(EmlParserTest, SenderAndRecipientsOnlyWhenPresent)
{
    // No address in From, no To: neither field is set.
    ASSERT_EQ(parse("anon.eml", "From: Undisclosed Sender\r\nSubject: notice\r\n\r\nhello\r\n"), 1);
    EXPECT_EQ(m_text, "notice\nhello\n");
    EXPECT_EQ(m_sender, "<none>");
    EXPECT_EQ(m_recipients, "<none>");

    // The first word with "@" of From; every such word of To and Cc in order.
    ASSERT_EQ(parse("lists.eml", "From: list-bounce@example.com (on behalf of) owner@example.com\r\n"
                                 "To: <a@example.com>,b@example.com;\tnobody\r\n"
                                 "cc: \"x\" <c@example.com>\r\nSubject: s\r\n\r\nt\r\n"),
              1);
    EXPECT_EQ(m_sender, "list-bounce@example.com");
    EXPECT_EQ(m_recipients, "a@example.com;b@example.com;c@example.com;");
}

TEST_F(EmlParserTest, ImageOnlyMailWithoutSubjectIsDropped)
{
    cs::test::CLogCapture log;
    EXPECT_EQ(parseData("eml/image-only.eml"), 0);
    EXPECT_TRUE(log.logged("WARN", "the eml file content length is zero or too long"));
    EXPECT_EQ(m_content->getState(), cs::content::CContent::STATE_NEW);
    EXPECT_EQ(m_text, "<none>");
}

TEST_F(EmlParserTest, TenMebibytesAreDropped)
{
    const size_t limit = static_cast<size_t>(CEmlParser::MAX_MAIL_LENGTH);
    std::string header = "From: a@example.com\r\nTo: b@example.com\r\nSubject: big\r\n\r\n";
    std::string line = std::string(70, 'x') + "\r\n";
    std::string mail = header;
    mail.reserve(limit);
    size_t lines = 0;
    for (; mail.size() + line.size() < limit - 1; ++lines)
        mail += line;
    mail.append(limit - 1 - mail.size(), 'y');

    // "big", a line feed, and the body with each CR LF as a line feed.
    ASSERT_EQ(parse("almost.eml", mail), 1);
    EXPECT_EQ(m_text.size(), 4 + mail.size() - header.size() - lines);

    cs::test::CLogCapture log;
    EXPECT_EQ(parse("full.eml", mail + "y"), 0);
    EXPECT_TRUE(log.logged("WARN", "eml file " + m_dir + "/full.eml is too long while parsing"));
}

TEST_F(EmlParserTest, ScrambledMail)
{
    std::string mail = MailData("mime/corpus/alternative.eml");
    Unscramble(mail.data(), mail.size());
    ASSERT_EQ(parse("e_20240305_0001.eml", mail), 1);
    EXPECT_EQ(m_text, Gbk(kAlternativeText));
    EXPECT_EQ(m_sender, "li.si@example.org");
}

TEST_F(EmlParserTest, Refusals)
{
    cs::test::CLogCapture log;
    auto txt = NewDocument(cs::content::filetype::TXT);
    txt->setFileInput(m_dir + "/x.eml", 0);
    EXPECT_EQ(m_parser.parse(txt.get()), 0);
    EXPECT_TRUE(log.logged("WARN", "filetype is not EML while parsing"));

    EXPECT_EQ(parsePath(m_dir + "/missing.eml"), 0);
    EXPECT_TRUE(log.logged("DEBUG", "can't get file " + m_dir + "/missing.eml length or file length is zero"));
    EXPECT_EQ(parse("empty.eml", ""), 0);
    EXPECT_TRUE(log.logged("DEBUG", "can't get file " + m_dir + "/empty.eml length or file length is zero"));

    std::string dir = cs::test::MakeTempDir("eml-dir");
    EXPECT_EQ(parsePath(dir), 0);
    EXPECT_TRUE(log.logged("WARN", " read file " + dir + " error! while parsing"));

    // Text that is no mail does not load and is dropped without a word.
    std::string before = log.text();
    EXPECT_EQ(parseData("mime/corpus/no-header.eml"), 0);
    EXPECT_EQ(parse("binary.eml", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), 0);
    EXPECT_EQ(log.text(), before);
    EXPECT_EQ(m_content->getState(), cs::content::CContent::STATE_NEW);

    // The parser goes on with the next document.
    ASSERT_EQ(parseData("mime/corpus/header-only.eml"), 1);
    EXPECT_EQ(m_text, "cut off");
    EXPECT_EQ(m_recipients, "<none>");
}

TEST_F(EmlParserTest, BuffersReusedBetweenMails)
{
    std::string big = "From: a@example.com\r\nSubject: big\r\n\r\n" + std::string(100000, 'z') + "\r\n";
    ASSERT_EQ(parse("big.eml", big), 1);
    ASSERT_EQ(parseData("eml/upper-charset.eml"), 1);
    EXPECT_EQ(m_text, Gbk("周报\n周报：索引服务本周处理了一百二十万封邮件。\n"));
    ASSERT_EQ(parse("big.eml", big), 1);
    EXPECT_EQ(m_text.size(), 3 + 1 + 100000 + 1u);
}

TEST_F(EmlParserTest, RegisteredForMail)
{
    std::unique_ptr<CParser> parser = CParserRegistry::instance().findByFileType(cs::content::filetype::EML)->create();
    ASSERT_NE(dynamic_cast<CEmlParser*>(parser.get()), nullptr);
    parser->setContentMode(&cs::test::ParseTestMode());
    m_content->setFileInput(cs::test::SourcePath("tests/data/mime/corpus/attachments.eml"), 0);
    ASSERT_EQ(parser->parse(m_content.get()), 1);
    EXPECT_EQ(FieldText(*m_content, "mail_recv"), "ops-team@example.com;zhao.liu@example.com;");
    std::string error = cs::test::LogicErrorText([&] { parser->setContentMode(nullptr); });
    EXPECT_EQ(error.rfind("INVALID ARGUMENT: pMode", 0), 0u);
}
