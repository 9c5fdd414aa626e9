#include <gtest/gtest.h>

#include <string>

#include "parse/mime/FieldCodeAddress.h"
#include "parse/mime/FieldCodeBase.h"
#include "parse/mime/FieldCodeParameter.h"
#include "parse/mime/FieldCodeText.h"
#include "parse/mime/MimeCodeBase.h"
#include "parse/mime/MimeCodeBase64.h"
#include "parse/mime/MimeCodeQP.h"
#include "parse/mime/MimeEncodedWord.h"
#include "parse/mime/MimeMediaType.h"

using namespace cs::parse;

namespace {

std::string DecodeWith(const CMimeCodeBase& codec, const std::string& input)
{
    std::string out;
    codec.Decode(input.data(), input.data() + input.size(), out);
    return out;
}

std::string Base64(const std::string& input)
{
    return DecodeWith(CMimeCodeBase64(), input);
}

std::string QuotedPrintable(const std::string& input)
{
    return DecodeWith(CMimeCodeQP(), input);
}

std::string DecodeField(const std::string& name, std::string value, std::string* charset = nullptr)
{
    std::string named;
    CFieldCodeBase::ForField(name).Decode(value, named);
    if (charset)
        *charset = named;
    return value;
}

} // namespace

TEST(MimeCodeBase64, DecodesAcrossLineBreaksAndJunk)
{
    EXPECT_EQ(Base64("5Lit5paH"), u8"中文");
    EXPECT_EQ(Base64("5Lit\r\n5p*a H\n"), u8"中文");
    EXPECT_EQ(Base64("AAECAwQF/w=="), std::string("\0\1\2\3\4\5\xff", 7));
    EXPECT_EQ(Base64(""), "");
}

TEST(MimeCodeBase64, TruncatedGroupsKeepTheirWholeBytes)
{
    EXPECT_EQ(Base64("5Lit5paH5L"), u8"中文" "\xe4");   // two sextets: one byte
    EXPECT_EQ(Base64("5Lit5paH5Li"), u8"中文" "\xe4\xb8");
    EXPECT_EQ(Base64("5Lit5"), u8"中");                  // one sextet holds no byte
    EXPECT_EQ(Base64("QQ=="), "A");
}

TEST(MimeCodeBase64, PaddingClosesAGroupSoJoinedBlocksDecode)
{
    EXPECT_EQ(Base64("QQ==QUI="), "AAB");
    EXPECT_EQ(Base64("QUJD=QUJD"), "ABCABC");
}

TEST(MimeCodeQP, DecodesEscapesInEitherCase)
{
    EXPECT_EQ(QuotedPrintable("caf=C3=A9 au lait"), u8"café au lait");
    EXPECT_EQ(QuotedPrintable("caf=c3=a9"), u8"café");
    EXPECT_EQ(QuotedPrintable("a=3Db"), "a=b");
}

TEST(MimeCodeQP, SoftLineBreaksWithCrLfOrBareLf)
{
    EXPECT_EQ(QuotedPrintable("ab=\r\ncd"), "abcd");
    EXPECT_EQ(QuotedPrintable("ab=\ncd"), "abcd");
    EXPECT_EQ(QuotedPrintable("ab= \t\r\ncd"), "abcd");   // blanks added in transport
    EXPECT_EQ(QuotedPrintable("ab="), "ab");
}

TEST(MimeCodeQP, HardLineBreaksStayAndTrailingBlanksGo)
{
    EXPECT_EQ(QuotedPrintable("one  \r\ntwo\t\nthree  "), "one\r\ntwo\nthree");
    EXPECT_EQ(QuotedPrintable("a \t b"), "a \t b");
}

TEST(MimeCodeQP, MalformedEscapesStayLiteral)
{
    EXPECT_EQ(QuotedPrintable("a=ZZb"), "a=ZZb");
    EXPECT_EQ(QuotedPrintable("a=4"), "a=4");
    EXPECT_EQ(QuotedPrintable("=4x=\r"), "=4x=\r");
    EXPECT_EQ(QuotedPrintable("a=\rb"), "a=\rb");
}

TEST(MimeCodeQP, WordFormTurnsUnderscoreIntoSpace)
{
    CMimeCodeQP word(true);
    EXPECT_EQ(DecodeWith(word, "=D6=D0_=CE=C4"), "\xd6\xd0 \xce\xc4");
    EXPECT_EQ(DecodeWith(word, "a=\r\nb"), "a=\r\nb");   // no lines inside a word
}

TEST(MimeCodeBase, TransferEncodingNamesIgnoreCase)
{
    EXPECT_NE(dynamic_cast<const CMimeCodeBase64*>(&CMimeCodeBase::ForEncoding(" Base64 ")), nullptr);
    EXPECT_NE(dynamic_cast<const CMimeCodeQP*>(&CMimeCodeBase::ForEncoding("Quoted-Printable")), nullptr);
    // Everything else is taken as written.
    for (const char* name : {"", "7bit", "8bit", "binary", "x-uuencode", "base64x"})
        EXPECT_EQ(DecodeWith(CMimeCodeBase::ForEncoding(name), "=E4 5Lit"), "=E4 5Lit") << name;
}

TEST(MimeEncodedWord, DecodesBAndQWords)
{
    CMimeEncodedWord word;
    std::string text = "=?UTF-8?B?5Lit5paH?=rest";
    const char* end = text.data() + text.size();
    EXPECT_EQ(word.Parse(text.data(), end), end - 4);
    EXPECT_EQ(word.GetBytes(), u8"中文");
    EXPECT_EQ(word.GetCharset(), "UTF-8");

    text = "=?gbk?q?=D6=D0_=CE=C4?=";
    EXPECT_EQ(word.Parse(text.data(), text.data() + text.size()), text.data() + text.size());
    EXPECT_EQ(word.GetBytes(), "\xd6\xd0 \xce\xc4");
    EXPECT_EQ(word.GetCharset(), "gbk");

    text = "=?utf-8*zh-cn?B?5Lit?=";
    ASSERT_NE(word.Parse(text.data(), text.data() + text.size()), nullptr);
    EXPECT_EQ(word.GetCharset(), "utf-8");
    EXPECT_EQ(word.GetBytes(), u8"中");
}

TEST(MimeEncodedWord, RejectsMalformedWords)
{
    CMimeEncodedWord word;
    for (std::string text : {"=?utf-8?X?abc?=", "=?utf-8?B?5Lit", "=??B?5Lit?=", "=?utf-8?Q?a b?=", "=?utf 8?B?5Lit?=",
                             "=?*zh?B?5Lit?=", "=?utf-8?B5Lit?=", "=?utf-8", "=?", "=?u?B?", "=?u?B?x?"}) {
        EXPECT_EQ(word.Parse(text.data(), text.data() + text.size()), nullptr) << text;
    }
    // The range, not a terminator, bounds the word.
    std::string text = "=?utf-8?B?5Lit?=";
    EXPECT_EQ(word.Parse(text.data(), text.data() + text.size() - 1), nullptr);
}

TEST(FieldCodeText, DecodesWordsAndDropsTheBlanksBetweenThem)
{
    std::string charset;
    EXPECT_EQ(DecodeField("Subject", "=?utf-8?B?5Lit?= \t =?GBK?Q?=CE=C4?=", &charset), u8"中" "\xce\xc4");
    EXPECT_EQ(charset, "utf-8");   // the first word's
    EXPECT_EQ(DecodeField("Comments", "Re: =?utf-8?B?5Lit?= and =?utf-8?B?5paH?=!"), u8"Re: 中 and 文!");
    EXPECT_EQ(DecodeField("Subject", "plain text", &charset), "plain text");
    EXPECT_EQ(charset, "");
    EXPECT_EQ(DecodeField("Content-Description", "=?x?Q?bad word?= =?utf-8?B?5Lit?="), u8"=?x?Q?bad word?= 中");
}

TEST(FieldCodeAddress, UnquotesDisplayNamesAndDecodesWords)
{
    std::string charset;
    EXPECT_EQ(DecodeField("From", "\"Doe, John\" <john@example.com>"), "Doe, John <john@example.com>");
    EXPECT_EQ(DecodeField("To", "\"=?utf-8?B?5byg5LiJ?=\" <z@example.com>", &charset), u8"张三 <z@example.com>");
    EXPECT_EQ(charset, "utf-8");
    EXPECT_EQ(DecodeField("Cc", "\"a \\\"b\\\"\" <c@d.com>"), "a \"b\" <c@d.com>");
    EXPECT_EQ(DecodeField("Reply-To", "\"never closed <x@y.com>"), "never closed <x@y.com>");
}

TEST(FieldCodeBase, CodecIsChosenByNameWithoutRegardToCase)
{
    for (const char* name : {"Subject", "SUBJECT", "comments", "Content-Description"})
        EXPECT_NE(dynamic_cast<const CFieldCodeText*>(&CFieldCodeBase::ForField(name)), nullptr) << name;
    for (const char* name : {"From", "to", "Resent-To", "Cc", "CC", "Resent-Cc", "Bcc", "Resent-Bcc", "Reply-To",
                             "Resent-Reply-To"})
        EXPECT_NE(dynamic_cast<const CFieldCodeAddress*>(&CFieldCodeBase::ForField(name)), nullptr) << name;
    for (const char* name : {"Content-Type", "content-disposition"})
        EXPECT_NE(dynamic_cast<const CFieldCodeParameter*>(&CFieldCodeBase::ForField(name)), nullptr) << name;
    // Other fields keep encoded words as written.
    EXPECT_EQ(DecodeField("X-Mailer", "=?utf-8?B?5Lit?="), "=?utf-8?B?5Lit?=");
    EXPECT_EQ(DecodeField("Content-Type", "text/plain; name=\"=?utf-8?B?5Lit?=\""),
              "text/plain; name=\"=?utf-8?B?5Lit?=\"");
}

TEST(FieldCodeParameter, FindsParametersByNameWithoutRegardToCase)
{
    std::string value;
    ASSERT_TRUE(CFieldCodeParameter::FindParameter("text/plain; charset=\"UTF-8\"", "charset", value));
    EXPECT_EQ(value, "UTF-8");
    const char* multipart = "multipart/mixed;\tBOUNDARY = \"a;b=c\" ; charset=gbk ";
    ASSERT_TRUE(CFieldCodeParameter::FindParameter(multipart, "boundary", value));
    EXPECT_EQ(value, "a;b=c");
    ASSERT_TRUE(CFieldCodeParameter::FindParameter(multipart, "Charset", value));
    EXPECT_EQ(value, "gbk");
    ASSERT_TRUE(CFieldCodeParameter::FindParameter("a/b; name=\"x\\\"y\"", "name", value));
    EXPECT_EQ(value, "x\"y");
    ASSERT_TRUE(CFieldCodeParameter::FindParameter("a/b; charset=", "charset", value));
    EXPECT_EQ(value, "");
}

TEST(FieldCodeParameter, MissingParametersAreNotFound)
{
    std::string value = "kept";
    EXPECT_FALSE(CFieldCodeParameter::FindParameter("text/plain", "charset", value));
    EXPECT_FALSE(CFieldCodeParameter::FindParameter("text/plain; charset", "charset", value));
    EXPECT_FALSE(CFieldCodeParameter::FindParameter("text/plain; charset*=utf-8''x", "charset", value));
    EXPECT_FALSE(CFieldCodeParameter::FindParameter("text/plain; name=\"charset=gbk\"", "charset", value));
    EXPECT_FALSE(CFieldCodeParameter::FindParameter("", "charset", value));
    EXPECT_EQ(value, "kept");
}

TEST(MimeMediaType, MatchesTheTableAgainstTheValuesBeginning)
{
    EXPECT_EQ(FindMimeMediaType("Text/Plain; charset=gbk"), MIME_TEXT);
    EXPECT_EQ(FindMimeMediaType("IMAGE/png"), MIME_IMAGE);
    EXPECT_EQ(FindMimeMediaType("audio/mpeg"), MIME_AUDIO);
    EXPECT_EQ(FindMimeMediaType("vedio/x"), MIME_VEDIO);
    EXPECT_EQ(FindMimeMediaType("application/pdf"), MIME_APPLICATION);
    EXPECT_EQ(FindMimeMediaType("multipart/mixed"), MIME_MULTIPART);
    EXPECT_EQ(FindMimeMediaType("message/rfc822"), MIME_MESSAGE);
    EXPECT_EQ(FindMimeMediaType(" \ttext/html"), MIME_TEXT);
    EXPECT_EQ(FindMimeMediaType(""), MIME_TEXT);
    EXPECT_EQ(FindMimeMediaType("video/mp4"), MIME_UNKNOWN);   // the table spells it "vedio"
    EXPECT_EQ(FindMimeMediaType("font/woff"), MIME_UNKNOWN);
}
