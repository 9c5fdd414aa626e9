#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/mime/MailWords.h"
#include "parse/mime/MimeMediaType.h"
#include "parse/mime/MimeMessage.h"
#include "parse/mime/MimeExercise.h"
#include "parse/mime/MimeTestData.h"

using namespace cs::parse;
using cs::test::ReadCorpusMail;

namespace {

std::vector<const CMimeBody*> PartsOf(const CMimeMessage& message)
{
    std::vector<const CMimeBody*> parts;
    message.GetBodyPartList(parts);
    return parts;
}

class MimeMalformedTest : public ::testing::Test {
protected:
    int Load(const std::string& name)
    {
        m_text = ReadCorpusMail(name);
        int result = m_message.Load(m_text.data(), m_text.size());
        EXPECT_EQ(cs::test::ExerciseMime(m_message, m_text.size()), "");
        return result;
    }

    std::vector<char> m_text;
    CMimeMessage m_message;
};

// A multipart message nested `depth` levels deep with one text part at the bottom.
std::string NestedMessage(int depth)
{
    std::string text = "From: a@example.com\n";
    for (int level = 0; level < depth; ++level)
        text += "Content-Type: multipart/mixed; boundary=b" + std::to_string(level) + "\n\n--b" +
                std::to_string(level) + "\n";
    text += "Content-Type: text/plain\n\ndeepest\n";
    for (int level = depth - 1; level >= 0; --level)
        text += "--b" + std::to_string(level) + "--\n";
    return text;
}

int NestingOf(const CMimeBody& body)
{
    return body.GetChildren().empty() ? 0 : 1 + NestingOf(body.GetChildren()[0]);
}

} // namespace

TEST_F(MimeMalformedTest, MultipartWithoutBoundaryKeepsItsRawContentAndHasNoParts)
{
    ASSERT_EQ(Load("missing-boundary.eml"), 1);
    EXPECT_TRUE(m_message.GetChildren().empty());
    EXPECT_TRUE(PartsOf(m_message).empty());
    EXPECT_EQ(m_message.GetContent(), "--x\r\nContent-Type: text/plain\r\n\r\nlost part\r\n--x--\r\n");
}

TEST_F(MimeMalformedTest, BoundaryThatNeverClosesRunsToTheEnd)
{
    ASSERT_EQ(Load("unclosed-boundary.eml"), 1);
    auto parts = PartsOf(m_message);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0]->GetContent(), "first");
    EXPECT_EQ(parts[1]->GetContent(), u8"中文");
}

TEST_F(MimeMalformedTest, BadEncodedWordsStayAsWritten)
{
    ASSERT_EQ(Load("bad-encoded-words.eml"), 1);
    EXPECT_EQ(m_message.GetFieldValue("Subject"),
              u8"=?utf-8?X?abc?= =?utf-8?B?5Lit =??B?5Lit?= =?utf-8?Q?a b?= =?中=ZZ\xe4\xb8 end=?");
    EXPECT_EQ(m_message.GetFieldValue("From"), u8"张 <a@example.com>");
    EXPECT_EQ(m_message.GetContent(), "body\r\n");
}

TEST_F(MimeMalformedTest, TruncatedBase64KeepsTheWholeBytes)
{
    ASSERT_EQ(Load("truncated-base64.eml"), 1);
    EXPECT_EQ(m_message.GetContent(), u8"中文" "\xe4");
}

TEST_F(MimeMalformedTest, UnknownTransferEncodingIsTakenAsWritten)
{
    ASSERT_EQ(Load("unknown-encoding.eml"), 1);
    EXPECT_EQ(m_message.GetContent(), "=E4 stays as written\r\n");
}

TEST_F(MimeMalformedTest, NulBytesAreData)
{
    ASSERT_EQ(Load("nul-bytes.eml"), 1);
    EXPECT_EQ(m_message.GetFieldValue("From"), std::string("a@\0example.com", 14));
    EXPECT_EQ(FindMailSender(m_message.GetFieldValue("From")), std::string("a@\0example.com", 14));
    // The field name with a NUL is no field: the body starts there.
    EXPECT_EQ(m_message.GetFields().size(), 2u);
    EXPECT_EQ(m_message.GetContent(), std::string("X-Nul\0: bad name\r\n", 18));
    auto parts = PartsOf(m_message);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetContent(), std::string("before\0after", 12));
}

TEST_F(MimeMalformedTest, NestingIsCutAtTheDepthLimit)
{
    ASSERT_EQ(Load("deep-nesting.eml"), 1);
    EXPECT_EQ(NestingOf(m_message), CMimeBody::kMaxDepth);
    EXPECT_TRUE(PartsOf(m_message).empty());

    std::string deep = NestedMessage(20000);
    ASSERT_EQ(m_message.Load(deep.data(), deep.size()), 1);
    EXPECT_EQ(NestingOf(m_message), CMimeBody::kMaxDepth);

    std::string shallow = NestedMessage(CMimeBody::kMaxDepth);
    ASSERT_EQ(m_message.Load(shallow.data(), shallow.size()), 1);
    auto parts = PartsOf(m_message);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetContent(), "deepest");
}

TEST_F(MimeMalformedTest, PartsPastTheLimitAreDropped)
{
    ASSERT_EQ(Load("many-parts.eml"), 1);
    EXPECT_EQ(m_message.GetChildren().size(), static_cast<size_t>(CMimeBody::kMaxParts));
    EXPECT_EQ(m_message.GetChildren().back().GetContent(), "x");
}

TEST_F(MimeMalformedTest, HeaderWithoutBodyAndTextWithoutHeader)
{
    ASSERT_EQ(Load("header-only.eml"), 1);
    EXPECT_EQ(m_message.GetFieldValue("Subject"), "cut off");
    EXPECT_EQ(m_message.GetContent(), "");
    EXPECT_EQ(Load("no-header.eml"), 0);
    EXPECT_EQ(m_message.Load(nullptr, 10), 0);
    EXPECT_EQ(m_message.Load("From: a@b", 0), 0);
}

TEST(MimeDelimiter, OnlyWholeDelimiterLinesSplitParts)
{
    // "--outer_b" and an indented "--outer" are content; a boundary that is
    // a prefix of the inner one does not cut the inner part.
    std::string text = "Content-Type: multipart/mixed; boundary=outer\n\n"
                       "--outer\nContent-Type: multipart/alternative; boundary=outer_b\n\n"
                       "--outer_b\n\none\n --outer\n--outer_b\n\ntwo\n--outer_b--\n"
                       "--outer  \r\n\nthree\n--outer--\nepilogue\n";
    CMimeMessage message;
    ASSERT_EQ(message.Load(text.data(), text.size()), 1);
    auto parts = PartsOf(message);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0]->GetContent(), "one\n --outer");
    EXPECT_EQ(parts[1]->GetContent(), "two");
    EXPECT_EQ(parts[2]->GetContent(), "three");
}

TEST(MimeDelimiter, EmptyPartsAndDelimitersAtTheVeryEnd)
{
    CMimeMessage message;
    for (std::string text : {"Content-Type: multipart/mixed; boundary=b\n\n--b\n--b\n--b--",
                             "Content-Type: multipart/mixed; boundary=b\n\n--b\n--b\n--b",
                             "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n--b\r\n--b\r"}) {
        std::vector<char> exact(text.begin(), text.end());
        ASSERT_EQ(message.Load(exact.data(), exact.size()), 1) << text;
        ASSERT_EQ(message.GetChildren().size(), 2u) << text;
        EXPECT_EQ(message.GetChildren()[0].GetContent(), "");
        EXPECT_TRUE(message.GetChildren()[0].GetFields().empty());
    }
}

// Every file of the seed corpus and every reproducer the fuzzer found loads
// without a fault, whole and cut off at every length.
TEST(MimeCorpus, EveryFileAndEveryTruncationLoads)
{
    size_t files = 0;
    for (const char* folder : {"corpus", "crashes"}) {
        for (const std::string& name : cs::test::ListDir(cs::test::MimeDataDir(folder))) {
            std::vector<char> text = cs::test::ReadMail(cs::test::MimeDataDir(folder) + "/" + name);
            CMimeMessage message;
            for (size_t length = 0; length <= text.size(); ++length) {
                std::vector<char> prefix(text.begin(), text.begin() + length);
                if (message.Load(prefix.data(), prefix.size()) > 0) {
                    ASSERT_EQ(cs::test::ExerciseMime(message, length), "") << folder << "/" << name << " at " << length;
                }
            }
            ++files;
        }
    }
    EXPECT_GE(files, 10u);
}
