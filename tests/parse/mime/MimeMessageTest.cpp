#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/mime/MailWords.h"
#include "parse/mime/MimeMediaType.h"
#include "parse/mime/MimeMessage.h"
#include "parse/mime/MimeTestData.h"
#include "utility/StringConvertor.h"

using namespace cs::parse;
using cs::test::ReadCorpusMail;

namespace {

class MimeMessageTest : public ::testing::Test {
protected:
    // Loads a mail of the test data and lists its leaf parts.
    void Load(const std::string& name)
    {
        m_text = ReadCorpusMail(name);
        ASSERT_GT(m_message.Load(m_text.data(), m_text.size()), 0);
        m_parts.clear();
        m_message.GetBodyPartList(m_parts);
    }

    std::string Parameter(const CMimeHeader& header, const char* field, const char* name)
    {
        std::string value;
        EXPECT_TRUE(header.GetParameter(field, name, value)) << field << " " << name;
        return value;
    }

    std::string Recipients()
    {
        std::string recipients;
        AppendMailRecipients(m_message.GetFieldValue("To"), recipients);
        AppendMailRecipients(m_message.GetFieldValue("CC"), recipients);
        return recipients;
    }

    std::vector<char> m_text;
    CMimeMessage m_message;
    std::vector<const CMimeBody*> m_parts;
};

std::string FromUtf8(const char* utf8, const char* charset)
{
    return cs::utility::CStringConvertor(charset, "utf-8").convert(utf8);
}

} // namespace

TEST_F(MimeMessageTest, AlternativePlainAndHtmlInPartOrder)
{
    Load("alternative.eml");
    EXPECT_EQ(m_message.GetMediaType(), MIME_MULTIPART);
    EXPECT_EQ(m_message.GetContent(), "This is a multi-part message in MIME format.\r\n");
    ASSERT_EQ(m_parts.size(), 2u);
    const CMimeBody& plain = *m_parts[0];
    EXPECT_EQ(plain.GetFieldValue("Content-Type"), "text/plain; charset=UTF-8");
    EXPECT_EQ(Parameter(plain, "Content-Type", "charset"), "UTF-8");
    EXPECT_EQ(plain.GetContent(), u8"张三，你好：\r\n\r\n本周五下午三点在三楼会议室讨论第二季度的索引服务上线计划，"
                                  u8"请准时参加。\r\n议程见附件。\r\n\r\n李四\r\n");
    const CMimeBody& html = *m_parts[1];
    EXPECT_EQ(Parameter(html, "content-type", "CHARSET"), "utf-8");
    EXPECT_EQ(html.GetContent(),
              u8"<html><head><meta charset=\"utf-8\"><style>p{margin:0}</style></head><body><p>张三，你好：</p>"
              u8"<p>本周五下午三点在三楼会议室讨论第二季度的索引服务上线计划，请准时参加。</p><p>李四</p></body></html>\r\n");
    EXPECT_EQ(m_message.GetChildren().size(), 2u);
    EXPECT_EQ(&m_message.GetChildren()[1], m_parts[1]);
}

TEST_F(MimeMessageTest, HeaderFieldsDecodedUnfoldedAndFoundWithoutRegardToCase)
{
    Load("alternative.eml");
    EXPECT_EQ(m_message.GetFields().size(), 10u);
    EXPECT_EQ(m_message.GetFields()[0].m_name, "Return-Path");
    EXPECT_EQ(m_message.GetFieldValue("Received"),
              "from mail.example.org (mail.example.org [192.0.2.10])\tby mx.example.com with ESMTP id 4F2A1; Tue, 5 "
              "Mar 2024 09:12:44 +0800");
    const CMimeHeader::CField* subject = m_message.FindField("SUBJECT");
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->m_value, u8"会议纪要");
    EXPECT_EQ(subject->m_charset, "UTF-8");
    EXPECT_EQ(m_message.GetFieldValue("from"), "Li Si <li.si@example.org>");
    // Written "Cc", looked up as "CC".
    ASSERT_NE(m_message.FindField("CC"), nullptr);
    EXPECT_EQ(m_message.FindField("CC")->m_name, "Cc");
    EXPECT_EQ(m_message.FindField("Bcc"), nullptr);
    EXPECT_EQ(m_message.GetFieldValue("Bcc"), "");
}

TEST_F(MimeMessageTest, SenderAndRecipientsFromAddressFields)
{
    Load("alternative.eml");
    EXPECT_EQ(FindMailSender(m_message.GetFieldValue("From")), "li.si@example.org");
    EXPECT_EQ(Recipients(), "zhang.san@example.com;wang.wu@example.net;zhao.liu@example.com;");
}

TEST_F(MimeMessageTest, AttachmentsBesideGbkQuotedPrintableText)
{
    Load("attachments.eml");
    const CMimeHeader::CField* subject = m_message.FindField("Subject");
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->m_value, FromUtf8(u8"三月巡检报告", "gbk"));   // raw GBK bytes, not converted
    EXPECT_EQ(subject->m_charset, "GBK");
    // Written "CC", looked up as "Cc".
    EXPECT_EQ(m_message.GetFieldValue("Cc"), "Zhao Liu <zhao.liu@example.com>");
    EXPECT_EQ(Recipients(), "ops-team@example.com;zhao.liu@example.com;");

    ASSERT_EQ(m_parts.size(), 3u);
    EXPECT_EQ(m_parts[0]->GetMediaType(), MIME_TEXT);
    EXPECT_EQ(Parameter(*m_parts[0], "Content-Type", "charset"), "gb2312");
    const std::string gbk = FromUtf8(u8"各位同事：\r\n\r\n附件是三月份的服务器巡检报告和机房照片，请查收。\r\n"
                                     u8"如有问题请回复本邮件。\r\n\r\n王五\r\n",
                                     "gbk");
    EXPECT_EQ(gbk.size(), 96u);
    EXPECT_EQ(m_parts[0]->GetContent(), gbk);

    EXPECT_EQ(m_parts[1]->GetMediaType(), MIME_IMAGE);
    EXPECT_EQ(Parameter(*m_parts[1], "Content-Disposition", "filename"), "room.png");
    const std::string png("\x89PNG\x0d\x0a\x1a\x0a\x00\x00\x00\x0dIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00"
                          "\x00\x90wS\xde\x00\x00\x00\x0cIDATx\x9c" "c\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92"
                          "\xef\x00\x00\x00\x00IEND\xae" "B`\x82",
                          69);
    EXPECT_EQ(m_parts[1]->GetContent(), png);

    EXPECT_EQ(m_parts[2]->GetMediaType(), MIME_APPLICATION);
    std::string everyByte;
    for (int round = 0; round < 2; ++round) {
        for (int byte = 0; byte < 256; ++byte)
            everyByte += static_cast<char>(byte);
    }
    EXPECT_EQ(m_parts[2]->GetContent(), everyByte);
    EXPECT_EQ(m_parts[2]->GetContent().c_str()[everyByte.size()], '\0');
}

TEST_F(MimeMessageTest, NestedMixedHoldingAlternativeBig5PartAndAttachment)
{
    Load("nested.eml");
    // The quoted boundary follows the blank line directly: no preamble.
    EXPECT_EQ(m_message.GetContent(), "");
    ASSERT_EQ(m_message.GetChildren().size(), 3u);
    const CMimeBody& alternative = m_message.GetChildren()[0];
    EXPECT_EQ(alternative.GetMediaType(), MIME_MULTIPART);
    EXPECT_EQ(alternative.GetChildren().size(), 2u);

    ASSERT_EQ(m_parts.size(), 4u);
    EXPECT_EQ(m_parts[0], &alternative.GetChildren()[0]);
    EXPECT_EQ(m_parts[0]->GetContent(), u8"Release notes for build 2024.03:\r\n索引程序现在在后台合并分段。\r\n");
    EXPECT_EQ(m_parts[1]->GetContent(),
              u8"<html><body><p>Release notes for build 2024.03:</p><p>索引程序现在在后台合并分段。</p></body></html>");
    EXPECT_EQ(Parameter(*m_parts[2], "Content-Type", "charset"), "big5");
    EXPECT_EQ(m_parts[2]->GetContent(), FromUtf8(u8"臺灣分公司的季度報告已經完成，請參閱。\r\n", "big5"));
    EXPECT_EQ(m_parts[3]->GetMediaType(), MIME_APPLICATION);
    EXPECT_EQ(m_parts[3]->GetContent(),
              "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
}

TEST_F(MimeMessageTest, FoldedHeadersWithTabsAndSpaces)
{
    Load("nested.eml");
    // A word folded with a space, the rest with a tab: the blank between the
    // two words goes, the tab before plain text stays.
    EXPECT_EQ(m_message.GetFieldValue("Subject"), u8"Re: 版本发布说明\tfor build 2024.03");
    EXPECT_EQ(m_message.GetFieldValue("To"), "Zhang San <zhang.san@example.com>,\tWang Wu <wang.wu@example.net>");
    EXPECT_EQ(Parameter(m_message, "Content-Type", "boundary"), "mixed-7f3a");
    const CMimeHeader::CField* from = m_message.FindField("From");
    ASSERT_NE(from, nullptr);
    EXPECT_EQ(from->m_value, FromUtf8(u8"陈七", "gbk") + " <chen.qi@example.cn>");
    EXPECT_EQ(from->m_charset, "GBK");
    EXPECT_EQ(FindMailSender(from->m_value), "chen.qi@example.cn");
    EXPECT_EQ(Recipients(), "zhang.san@example.com;wang.wu@example.net;");
}

TEST_F(MimeMessageTest, BareLineFeedsWorkLikeCrLf)
{
    Load("barelf.eml");
    EXPECT_EQ(m_message.GetFieldValue("Subject"), u8"日报  2024-03-05");
    EXPECT_EQ(m_message.GetFieldValue("To"), "zhou.jiu@example.com");
    ASSERT_EQ(m_parts.size(), 2u);
    EXPECT_EQ(m_parts[0]->GetContent(), u8"今日完成：词典加载、停用词过滤。\n明日计划：合并策略的测试。\n");
    EXPECT_EQ(m_parts[1]->GetContent(), u8"Long line that the mailer had to break with soft line breaks because it "
                                        u8"is longer than seventy-six characters, 中文也一样。\n");
}

TEST_F(MimeMessageTest, SinglePartWithoutContentTypeIsText)
{
    Load("plain.eml");
    // The mailbox separator line before the header is not a field.
    EXPECT_EQ(m_message.GetFields().size(), 3u);
    EXPECT_EQ(m_message.GetFieldValue("From"), "zhou.jiu@example.com");
    EXPECT_EQ(m_message.GetMediaType(), MIME_TEXT);
    ASSERT_EQ(m_parts.size(), 1u);
    EXPECT_EQ(m_parts[0], &m_message);
    EXPECT_EQ(m_message.GetContent(), "Noodles at twelve?\r\n");
}

TEST(MimeMessage, MailboxSeparatorIsSkippedButAnObsoleteFromFieldIsNot)
{
    CMimeMessage message;
    std::string text = "From sender@example.com Tue Mar  5 10:00:00 2024\nSubject: s\n\nbody";
    ASSERT_EQ(message.Load(text.data(), text.size()), 1);
    EXPECT_EQ(message.FindField("From"), nullptr);
    EXPECT_EQ(message.GetContent(), "body");
    // A blank before the colon is the obsolete form of a field.
    text = "From :\t\"Li Si\" <li.si@example.org>\n\nbody";
    ASSERT_EQ(message.Load(text.data(), text.size()), 1);
    EXPECT_EQ(message.GetFieldValue("From"), "Li Si <li.si@example.org>");
    text = "From ";
    EXPECT_EQ(message.Load(text.data(), text.size()), 0);
}

TEST_F(MimeMessageTest, ReloadingReplacesTheWholeMessage)
{
    Load("nested.eml");
    Load("plain.eml");
    EXPECT_TRUE(m_message.GetChildren().empty());
    EXPECT_EQ(m_message.FindField("Content-Type"), nullptr);
    std::string none = "no header here\r\n";
    EXPECT_EQ(m_message.Load(none.data(), none.size()), 0);
    EXPECT_TRUE(m_message.GetFields().empty());
    EXPECT_EQ(m_message.GetContent(), "");
}

TEST(MimeHeader, LoadReturnsWhereTheBodyStarts)
{
    CMimeHeader header;
    std::string text = "A: 1\r\nB :\t two \r\n\r\nbody";
    const char* body = header.Load(text.data(), text.data() + text.size());
    EXPECT_EQ(std::string(body), "body");
    ASSERT_EQ(header.GetFields().size(), 2u);
    EXPECT_EQ(header.GetFields()[1].m_name, "B");
    EXPECT_EQ(header.GetFields()[1].m_value, "two");

    // A line that is no field ends the header without a blank line.
    text = "A: 1\nnot a field\nC: 3\n";
    body = header.Load(text.data(), text.data() + text.size());
    EXPECT_EQ(std::string(body), "not a field\nC: 3\n");
    EXPECT_EQ(header.GetFields().size(), 1u);

    // A header running to the end of the text.
    text = "A: 1\r\nB: 2\r";
    body = header.Load(text.data(), text.data() + text.size());
    EXPECT_EQ(body, text.data() + text.size());
    EXPECT_EQ(header.GetFieldValue("b"), "2");

    // Folded lines, empty values, a blank line made of a lone CR at the end.
    text = "Subject:\r\n  folded\r\n\tvalue\r\nEmpty:\r\n\r";
    body = header.Load(text.data(), text.data() + text.size());
    EXPECT_EQ(body, text.data() + text.size());
    EXPECT_EQ(header.GetFieldValue("Subject"), "folded\tvalue");
    ASSERT_NE(header.FindField("Empty"), nullptr);
    EXPECT_EQ(header.GetFieldValue("Empty"), "");
}

TEST(MimeHeader, FieldsPastTheLimitAreReadOverAndDropped)
{
    std::string text;
    for (size_t i = 0; i < CMimeHeader::kMaxFields + 10; ++i)
        text += "X-Field-" + std::to_string(i) + ": v\r\n";
    text += "\r\nbody";
    CMimeHeader header;
    const char* body = header.Load(text.data(), text.data() + text.size());
    EXPECT_EQ(std::string(body), "body");
    EXPECT_EQ(header.GetFields().size(), CMimeHeader::kMaxFields);
}
