// Encoding detection over its 200-byte window, charset names, conversion to GBK.
#include <string>

#include <gtest/gtest.h>

#include "ParseTestKit.h"
#include "content/FileType.h"
#include "parse/TextEncoding.h"

using namespace cs::parse;
using cs::test::Big5;
using cs::test::Gbk;

namespace {

int32_t Detect(const std::string& text) { return DetectEncoding(text.data(), text.size()); }

std::string Repeat(const std::string& piece, size_t bytes)
{
    std::string text;
    while (text.size() < bytes)
        text += piece;
    return text;
}

std::string ToGbk(int32_t encoding, const std::string& text)
{
    std::string out = "stale";
    EXPECT_TRUE(ConvertToGbk(encoding, text.data(), text.size(), out));
    return out;
}

} // namespace

TEST(EncodingDetectionTest, AsciiAndThreeByteUtf8)
{
    EXPECT_EQ(Detect("hello, world"), cs::content::encoding::UTF8);
    EXPECT_EQ(Detect(""), cs::content::encoding::UTF8);
    EXPECT_EQ(Detect("\xE4\xB8\xAD\xE6\x96\x87 Chinese"), cs::content::encoding::UTF8);
    // The zero byte ends the walk with success, whatever follows.
    EXPECT_EQ(Detect(std::string("ok\0\xFF\xFE", 5)), cs::content::encoding::UTF8);
    // Two- and four-byte sequences fail the UTF-8 test.
    EXPECT_FALSE(IsUtf8Text("caf\xC3\xA9", 5));
    EXPECT_FALSE(IsUtf8Text("\xF0\x9F\x98\x80", 4));
    EXPECT_FALSE(IsUtf8Text("\xE4\x41\x42", 3));
}

TEST(EncodingDetectionTest, SequenceCutByTheWindowPasses)
{
    std::string text = std::string(198, 'a') + "\xE4\xB8\xAD" + "\xFF\xFF";
    EXPECT_EQ(Detect(text), cs::content::encoding::UTF8);
    // Beyond the window nothing is looked at.
    EXPECT_TRUE(IsUtf8Text(text.data(), text.size()));
    EXPECT_FALSE(IsUtf8Text(text.data(), text.size(), text.size()));
}

TEST(EncodingDetectionTest, ShortGbkTextIsUnknown)
{
    std::string shortGbk = Gbk("中文的一段短文字");
    ASSERT_LT(shortGbk.size(), ENCODING_WINDOW);
    EXPECT_EQ(Detect(shortGbk), cs::content::encoding::UNKNOWN);
    std::string longGbk = Repeat(Gbk("中文的文字，"), 300);
    EXPECT_EQ(Detect(longGbk), cs::content::encoding::GBK);
    // A zero byte inside the window stops the GBK walk short.
    std::string cut = longGbk;
    cut[100] = '\0';
    EXPECT_FALSE(IsGbkText(cut.data(), cut.size()));
}

TEST(EncodingDetectionTest, PairRules)
{
    std::string pairs = Repeat("\x81\x40", 200);
    EXPECT_TRUE(IsGbkText(pairs.data(), pairs.size()));
    std::string badTrail = Repeat("\xB0\xFF", 200);
    EXPECT_FALSE(IsGbkText(badTrail.data(), badTrail.size()));
    std::string leadFF = Repeat("\xFF\xA1", 200);
    EXPECT_FALSE(IsGbkText(leadFF.data(), leadFF.size()));
    EXPECT_FALSE(IsBig5Text(leadFF.data(), leadFF.size()));
    // Big5 trail bytes: 40 to 7E and A1 to FE.
    std::string big5 = Repeat("\xA4\x40\xA4\xA1", 200);
    EXPECT_TRUE(IsBig5Text(big5.data(), big5.size()));
    std::string notBig5 = Repeat("\xA4\x80", 200);
    EXPECT_FALSE(IsBig5Text(notBig5.data(), notBig5.size()));
    EXPECT_TRUE(IsGbkText(notBig5.data(), notBig5.size()));
    // Every Big5 pair is a GBK pair too, so Big5 text is taken for GBK.
    EXPECT_EQ(Detect(Repeat(Big5("中文字"), 300)), cs::content::encoding::GBK);
}

TEST(CharsetNameTest, TableWithItsSpellings)
{
    EXPECT_EQ(EncodingOfCharset("UTF-8"), cs::content::encoding::UTF8);
    EXPECT_EQ(EncodingOfCharset("utf8"), cs::content::encoding::UTF8);
    EXPECT_EQ(EncodingOfCharset("GB2312"), cs::content::encoding::GBK);
    EXPECT_EQ(EncodingOfCharset("gbk"), cs::content::encoding::GBK);
    EXPECT_EQ(EncodingOfCharset("Big-5"), cs::content::encoding::BIG5);
    EXPECT_EQ(EncodingOfCharset("big5"), cs::content::encoding::BIG5);
    EXPECT_EQ(EncodingOfCharset("usc2"), cs::content::encoding::UCS2);
    EXPECT_EQ(EncodingOfCharset("UCS-2"), cs::content::encoding::UCS2);
    EXPECT_EQ(EncodingOfCharset("ucs2"), cs::content::encoding::UNKNOWN);
    EXPECT_EQ(EncodingOfCharset("unkown"), cs::content::encoding::UNKNOWN);
    EXPECT_EQ(EncodingOfCharset(""), cs::content::encoding::UNKNOWN);
}

TEST(GbkConversionTest, ByEncodingNumber)
{
    EXPECT_EQ(ToGbk(cs::content::encoding::UTF8, "\xE4\xB8\xAD\xE6\x96\x87 ok"), Gbk("中文 ok"));
    EXPECT_EQ(ToGbk(cs::content::encoding::BIG5, Big5("中文字")), Gbk("中文字"));
    EXPECT_EQ(ToGbk(cs::content::encoding::UCS2, std::string("\x2D\x4E\x87\x65", 4)), Gbk("中文"));
    EXPECT_EQ(ToGbk(cs::content::encoding::GBK, Gbk("不变")), Gbk("不变"));
    EXPECT_EQ(ToGbk(cs::content::encoding::UTF8, ""), "");
    std::string out = "stale";
    EXPECT_FALSE(ConvertToGbk(cs::content::encoding::UNKNOWN, "abc", 3, out));
    EXPECT_EQ(out, "");
}

TEST(GbkConversionTest, UnmappableAndInvalidInput)
{
    // A145 (U+2027) has no GBK form: a question mark takes its place.
    EXPECT_EQ(ToGbk(cs::content::encoding::BIG5, Big5("中") + "\xA1\x45" + Big5("文") + "!"), Gbk("中") + "?" + Gbk("文") + "!");
    // Invalid UTF-8 and characters GBK lacks are dropped.
    EXPECT_EQ(ToGbk(cs::content::encoding::UTF8, "a\xFF" "b\xF0\x9F\x98\x80" "c"), "abc");
    // A zero byte does not cut the text.
    EXPECT_EQ(ToGbk(cs::content::encoding::UTF8, std::string("a\0b", 3)), std::string("a\0b", 3));
    std::string text = "\xE4\xB8\xAD";
    Utf8ToGbkInPlace(text);
    EXPECT_EQ(text, Gbk("中"));
}

TEST(GbkConversionTest, LongBig5TextKeepsItsOrder)
{
    std::string piece = Big5("繁體中文") + "\xA1\x45";
    std::string big5;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        big5 += piece;
        expected += Gbk("繁體中文") + "?";
    }
    EXPECT_EQ(ToGbk(cs::content::encoding::BIG5, big5), expected);
}

TEST(FileNameUtf8Test, StrictValidity)
{
    EXPECT_TRUE(IsValidUtf8("plain", 5));
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE6\x8A\xA5 \xF0\x9F\x98\x80", 14));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF", 2));           // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80", 3));       // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE6\x8A", 2));           // cut short
    EXPECT_FALSE(IsValidUtf8("\xB1\xA8\xB8\xE6", 4));   // GBK bytes
}
