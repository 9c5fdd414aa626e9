// The dictionary and stop-word files as they come: blank and over-long lines,
// bad numbers, missing files.
#include <functional>

#include <gtest/gtest.h>

#include "analyze/AnalyzerRegistry.h"
#include "analyze/GeneralAnalyzer.h"
#include "support/AnalyzerTestData.h"
#include "support/TestSupport.h"
#include "utility/ConfigPath.h"

using cs::analyze::CGeneralAnalyzer;
using cs::analyze::wid_t;
using cs::test::Analyze;
using cs::test::Gbk;
using cs::test::InstallDictionary;
using Tokens = std::vector<wid_t>;

namespace {

std::string Message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return std::string();
}

} // namespace

TEST(DictionaryFile, BlankFirstLineGivesFirstWordIdOne)
{
    InstallDictionary("\n" + Gbk("中国") + "\n\r\n" + Gbk("人民") + "\r\n");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, Gbk("中国人民")), (Tokens{1, 3}));
}

TEST(DictionaryFile, CarriageReturnAndLastLineWithoutLineFeed)
{
    InstallDictionary("alpha\r\nbeta\n\r\ngamma");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, "gamma Beta ALPHA"), (Tokens{3, 1, 0}));
}

TEST(DictionaryFile, WordListedTwiceKeepsItsLaterLine)
{
    InstallDictionary("word\nother\nWORD\n");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, "word"), (Tokens{2}));
}

TEST(DictionaryFile, OverLongLineIsReadInPiecesEachALine)
{
    // 5000 letters: a piece of 4095, then the rest of 905 with its line feed.
    const std::string longLine(5000, 'x');
    InstallDictionary(longLine + "\nafter\n" + std::string(4095, 'y') + "\nlast\n");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, "after last"), (Tokens{2, 5}));
    EXPECT_EQ(Analyze(analyzer, std::string(4095, 'x')), (Tokens{0}));
    EXPECT_EQ(Analyze(analyzer, std::string(905, 'x')), (Tokens{1}));
    // A line of exactly 4095 bytes leaves its line feed as an empty piece.
    EXPECT_EQ(Analyze(analyzer, std::string(4095, 'y')), (Tokens{3}));
}

TEST(DictionaryFile, LoneLeadByteAtTheEndOfAWordIsIgnored)
{
    InstallDictionary(Gbk("中国") + "\xd6\n" + "\xd6\n");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, Gbk("中国")), (Tokens{0}));
}

TEST(DictionaryFile, MissingDictionaryFailsTheAnalyzer)
{
    const std::string path = cs::utility::CConfigPath::instance().getPath("DICTIONARY_PATH");
    std::remove(path.c_str());
    cs::test::CLogCapture log;
    EXPECT_NE(Message([] { CGeneralAnalyzer analyzer; }).find("build dictionary failed"), std::string::npos);
    // Through the registry: no analyzer, the error already logged.
    auto* pCreator = cs::analyze::CAnalyzerRegistry::instance().find("general.analyzer");
    ASSERT_NE(pCreator, nullptr);
    EXPECT_EQ(pCreator->create(), nullptr);
    EXPECT_TRUE(log.logged("ERROR", "build dictionary failed"));
}

TEST(StopWordFile, MissingFileMeansNoStopWords)
{
    InstallDictionary("the\n");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, "the"), (Tokens{0}));
}

TEST(StopWordFile, IdsSeparatedByAnyWhiteSpace)
{
    InstallDictionary("a\nb\nc\nd\n", " 0\t2\r\n\n999999 \n");
    CGeneralAnalyzer analyzer;
    EXPECT_EQ(Analyze(analyzer, "a b c d"), (Tokens{-1, 1, -1, 3}));
}

TEST(StopWordFile, NegativeOrNonNumberIsFormatWrong)
{
    const std::string path = cs::utility::CConfigPath::instance().getPath("STOPWORD_PATH");
    for (const char* content : {"1 2 -3\n", "1 two 3\n", "1,2\n"}) {
        InstallDictionary("a\n", content);
        EXPECT_NE(Message([] { CGeneralAnalyzer analyzer; }).find(path + " format wrong"), std::string::npos) << content;
    }
}

TEST(StopWordFile, IdOfOneMillionIsOutOfRange)
{
    for (const char* content : {"1000000\n", "5 99999999999\n"}) {
        InstallDictionary("a\n", content);
        try {
            CGeneralAnalyzer analyzer;
            FAIL() << content;
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "invalid bitset<N> position");
        }
    }
}
