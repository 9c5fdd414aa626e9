#include <gtest/gtest.h>

#include "utility/StringConvertor.h"

using cs::utility::CStringConvertor;
using cs::utility::LowerAsciiLetters;
using cs::utility::toGbk;
using cs::utility::utf8ToGbk;

namespace {
const std::string kUtf8 = "\xe4\xb8\xad\xe6\x96\x87";   // 中文
const std::string kGbk = "\xd6\xd0\xce\xc4";
} // namespace

TEST(StringConvertor, EmptyInputGivesEmptyOutput)
{
    CStringConvertor convertor("gbk", "utf-8");
    EXPECT_EQ(convertor.convert(""), "");
    EXPECT_EQ(convertor.convert(nullptr, 0), "");
    EXPECT_EQ(utf8ToGbk(""), "");
}

TEST(StringConvertor, ConvertsBetweenSets)
{
    EXPECT_EQ(utf8ToGbk("abc" + kUtf8), "abc" + kGbk);
    EXPECT_EQ(toGbk("\xa4\xa4\xa4\xe5", "big5"), kGbk);
    CStringConvertor back("utf-8", "gbk");
    EXPECT_EQ(back.convert(kGbk), kUtf8);
}

TEST(StringConvertor, CutTailIsDropped)
{
    // The second character loses its last byte.
    EXPECT_EQ(utf8ToGbk(kUtf8.substr(0, 5)), "\xd6\xd0");
    EXPECT_EQ(utf8ToGbk("ab\xe4"), "ab");
}

TEST(StringConvertor, InvalidBytesAreDropped)
{
    EXPECT_EQ(utf8ToGbk("a\xff" "b" + kUtf8 + "\x80\xfe" "c"), "ab" + kGbk + "c");
}

TEST(StringConvertor, LongOutputIsAssembledInOrder)
{
    std::string input;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        input += kUtf8 + static_cast<char>('a' + i % 26);
        expected += kGbk + static_cast<char>('a' + i % 26);
        if (i % 97 == 0)
            input += "\xff";   // invalid bytes on the way
    }
    std::string output = utf8ToGbk(input);
    ASSERT_GT(output.size(), 4096u * 3);
    EXPECT_EQ(output, expected);
}

TEST(StringConvertor, UnknownSetRaisesBadEncoding)
{
    try {
        CStringConvertor convertor("gbk", "no-such-set");
        FAIL();
    } catch (const CStringConvertor::CBadEncoding& e) {
        EXPECT_STREQ(e.what(), "can't convert from no-such-set to gbk");
    }
    EXPECT_THROW(toGbk("x", "no-such-set"), std::runtime_error);
}

TEST(StringConvertor, ReopenReplacesTheConversion)
{
    CStringConvertor convertor("gbk", "utf-8");
    convertor.open("utf-8", "gbk");
    EXPECT_EQ(convertor.convert(kGbk), kUtf8);
    convertor.close();
    EXPECT_EQ(convertor.convert(kGbk), "");
}

TEST(StringConvertor, UserNamesLowerOnlySingleByteLetters)
{
    EXPECT_EQ(LowerAsciiLetters("Alice.WONG"), "alice.wong");
    // The second bytes of both characters of this GBK name are capital letters.
    EXPECT_EQ(LowerAsciiLetters("\xF1\x52\xC8\x41"), "\xF1\x52\xC8\x41");
    EXPECT_EQ(LowerAsciiLetters(utf8ToGbk("蘇州ADMIN")), utf8ToGbk("蘇州admin"));
    // A lead byte cut off at the end stays as it is.
    EXPECT_EQ(LowerAsciiLetters("AB\xC8"), "ab\xC8");
}
