#include <gtest/gtest.h>

#include "support/AnalyzerTestData.h"
#include "analyze/GeneralAnalyzer.h"
#include "support/TestSupport.h"

using cs::analyze::CGeneralAnalyzer;
using cs::analyze::wid_t;
using cs::test::Analyze;
using cs::test::Gbk;
using cs::test::WordId;
using Tokens = std::vector<wid_t>;

class GeneralAnalyzer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        cs::test::InstallTestDictionary();
        s_pAnalyzer = new CGeneralAnalyzer();
    }
    static void TearDownTestSuite()
    {
        delete s_pAnalyzer;
        s_pAnalyzer = nullptr;
    }
    static Tokens Run(const std::string& text, int* pCount = nullptr) { return Analyze(*s_pAnalyzer, text, pCount); }

    static CGeneralAnalyzer* s_pAnalyzer;
};

CGeneralAnalyzer* GeneralAnalyzer::s_pAnalyzer = nullptr;

TEST_F(GeneralAnalyzer, LettersNotInTheDictionaryAreCodedInGroupsOfFour)
{
    EXPECT_EQ(Run("abc"), (Tokens{310731}));
    EXPECT_EQ(Run("abcde"), (Tokens{329010, 310005}));
    EXPECT_EQ(Run("ABC"), Run("abc"));
    EXPECT_EQ(Run("aBcDe"), (Tokens{329010, 310005}));
    EXPECT_EQ(Run("zzzz"), (Tokens{785254}));
    EXPECT_EQ(Run("a"), (Tokens{310001}));
}

TEST_F(GeneralAnalyzer, DigitsAreCodedInGroupsOfFour)
{
    EXPECT_EQ(Run("12345"), (Tokens{301234, 300005}));
    EXPECT_EQ(Run("0012"), (Tokens{300012}));
    EXPECT_EQ(Run("123456789"), (Tokens{301234, 305678, 300009}));
    EXPECT_EQ(Run("0"), (Tokens{300000}));
}

TEST_F(GeneralAnalyzer, ClassChangesSplitWords)
{
    EXPECT_EQ(Run("abc123"), (Tokens{310731, 300123}));
    EXPECT_EQ(Run("12ab"), (Tokens{300012, 310028}));
    EXPECT_EQ(Run(Gbk("北京") + "abc" + Gbk("大学")), (Tokens{WordId("北京"), 310731, WordId("大学")}));
}

TEST_F(GeneralAnalyzer, DictionaryLetterWordIsOneToken)
{
    ASSERT_GE(WordId("internationalization"), 0);
    EXPECT_EQ(Run("internationalization"), (Tokens{WordId("internationalization")}));
    EXPECT_EQ(Run("Hello, WORLD!"), (Tokens{WordId("hello"), WordId("world")}));
    // A longer run is looked up whole: a dictionary prefix does not count.
    EXPECT_EQ(Run("helloo"), (Tokens{454312, 310405}));
}

TEST_F(GeneralAnalyzer, ForwardMaximumMatching)
{
    // The dictionary has 中国, 人民, 人口 and 中国人民银行, but not 中国人 nor 中国人民.
    ASSERT_EQ(WordId("中国人"), -1);
    ASSERT_EQ(WordId("中国人民"), -1);
    const wid_t china = WordId("中国"), people = WordId("人民");
    // The run ends inside the longer entry: the shorter word, then the rest.
    EXPECT_EQ(Run(Gbk("中国人民")), (Tokens{china, people}));
    // An extension fails inside the longer entry.
    EXPECT_EQ(Run(Gbk("中国人口")), (Tokens{china, WordId("人口")}));
    EXPECT_EQ(Run(Gbk("中国人民银行")), (Tokens{WordId("中国人民银行")}));
    // 成 is a word, 立 and 生 are not.
    ASSERT_EQ(WordId("立"), -1);
    ASSERT_EQ(WordId("生"), -1);
    EXPECT_EQ(Run(Gbk("中华人民共和国成立")), (Tokens{WordId("中华人民共和国"), WordId("成")}));
    EXPECT_EQ(Run(Gbk("北京大学生")), (Tokens{WordId("北京大学")}));
}

TEST_F(GeneralAnalyzer, CharacterStartingNoWordIsDropped)
{
    // U+4E02 is GBK 81 40: a trail byte in the ASCII range must not start a letter run.
    const std::string rare = "\x81\x40";
    ASSERT_EQ(WordId("\xe4\xb8\x82"), -1);
    EXPECT_EQ(Run(rare + Gbk("中国") + rare), (Tokens{WordId("中国")}));
    EXPECT_EQ(Run(rare + rare), Tokens{});
}

TEST_F(GeneralAnalyzer, StopWordsStayAsMinusOneAndCount)
{
    int count = 0;
    Tokens tokens = Run(Gbk("我们的数据库和索引"), &count);
    EXPECT_EQ(tokens, (Tokens{WordId("我们"), -1, WordId("数据库"), -1, WordId("索引")}));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(Run("The Linux and the index", &count), (Tokens{-1, WordId("linux"), -1, -1, 477757, 310024}));
    EXPECT_EQ(count, 6);
}

TEST_F(GeneralAnalyzer, NothingToIndex)
{
    int count = -1;
    EXPECT_EQ(Run("", &count), Tokens{});
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Run(" \t\r\n,.;!?-+()", &count), Tokens{});
    EXPECT_EQ(count, 0);
}

TEST_F(GeneralAnalyzer, ZeroByteOrLengthEndsTheText)
{
    const std::string text("abc\0def", 7);
    EXPECT_EQ(Run(text), (Tokens{310731}));
    cs::analyze::CTokenList<wid_t> tokens;
    EXPECT_EQ(s_pAnalyzer->analyze("12345", 2, &tokens), 1);
    EXPECT_EQ(tokens[0], 300012);
}

TEST_F(GeneralAnalyzer, TrailingLoneLeadByteIsDropped)
{
    // The copy is exactly the text, so a read past it is caught by the sanitizer.
    for (const std::string& text : {Gbk("中国") + "\xd6", std::string("\xd6"), "ab" + std::string("\xd6"),
                                    Gbk("中国") + std::string("\xd6\0", 2)}) {
        std::vector<char> exact(text.begin(), text.end());
        cs::analyze::CTokenList<wid_t> tokens;
        s_pAnalyzer->analyze(exact.data(), exact.size(), &tokens);
        Tokens expected = text[0] == 'a' ? Tokens{310028} : text.size() > 2 ? Tokens{WordId("中国")} : Tokens{};
        EXPECT_EQ(Tokens(tokens.begin(), tokens.end()), expected);
    }
}

TEST_F(GeneralAnalyzer, AppendsToAListThatAlreadyHoldsTokens)
{
    cs::analyze::CTokenList<wid_t> tokens;
    tokens.push_back(-1);
    tokens.push_back(WordId("的"));
    EXPECT_EQ(s_pAnalyzer->analyze("abc", 3, &tokens), 1);
    // Earlier tokens are neither filtered again nor counted.
    EXPECT_EQ(Tokens(tokens.begin(), tokens.end()), (Tokens{-1, WordId("的"), 310731}));
}

TEST_F(GeneralAnalyzer, RefusesOtherTokenLists)
{
    struct COtherList : cs::analyze::CTokenListBase {
        size_t size() const override { return 0; }
    } other;
    try {
        s_pAnalyzer->analyze("abc", 3, &other);
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("INVALID ARGUMENT: dynamic_cast<CTokenList<wid_t> *>(basetokens) != NULL"),
                  std::string::npos);
    }
}

TEST_F(GeneralAnalyzer, SpansTellWhereEachTermLies)
{
    // Every kind of term, a stop word and a dropped character among them;
    // the terms are those analyze() gives.
    const std::string rare = "\x81\x40";
    const std::string text = "Hello, " + Gbk("我们的") + rare + Gbk("中国人民") + " abcde 123456";
    cs::analyze::CTokenList<wid_t> tokens;
    std::vector<cs::analyze::CTermSpan> spans;
    ASSERT_TRUE(s_pAnalyzer->analyzeSpans(text.data(), text.size(), &tokens, spans));
    EXPECT_EQ(Tokens(tokens.begin(), tokens.end()), Run(text));
    std::vector<std::string> pieces;
    for (const auto& span : spans)
        pieces.push_back(text.substr(span.begin, span.end - span.begin));
    EXPECT_EQ(pieces, (std::vector<std::string>{"Hello", Gbk("我们"), Gbk("的"), Gbk("中国"), Gbk("人民"), "abcd", "e",
                                                "1234", "56"}));
    // A later plain analysis records nothing.
    s_pAnalyzer->analyze("more", 4, &tokens);
    EXPECT_EQ(spans.size(), 9u);
}
