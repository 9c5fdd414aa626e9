// tools/make-dictionary.py on a small word list: selection, GBK conversion,
// order and stop words, and the analyzer reading what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/AnalyzerTestData.h"
#include "analyze/GeneralAnalyzer.h"
#include "config/ConfigPath.h"
#include "support/TestSupport.h"

using cs::analyze::wid_t;
using cs::test::Gbk;
using cs::test::ReadFile;
using cs::test::WriteFile;

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(DictionaryTool, SelectsConvertsAndOrdersWords)
{
    const std::string dir = cs::test::MakeTempDir("dicttool");
    WriteFile(dir + "/source.txt",
              "中国 500 ns\n"
              "人民 900 n\n"
              "的 3000 uj\n"
              "银行 500 n\n"              // ties with 中国: GBK byte order
              "B超 300 n\n"               // mixed classes: never matched whole
              "c++ 300 nz\n"
              "2008 300 m\n"
              "Linux 200 eng\n"            // letters only: kept, lower-cased
              "\xf0\xa0\x80\x80字 800 n\n"   // U+20000 is not in GBK: dropped whole
              "中国 20 ns\n"               // listed again: the higher frequency counts
              "broken line\n"
              "\n");
    cs::test::ProcessResult result = cs::test::RunProcess(
        {"/usr/bin/python3", cs::test::SourcePath("tools/make-dictionary.py"), "--source", dir + "/source.txt",
         "--output", dir + "/dict"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    std::vector<std::string> words = Lines(ReadFile(dir + "/dict/dictionary.txt"));
    ASSERT_GT(words.size(), 6u);
    // English function words come first, in the tool's order, then the source by frequency.
    EXPECT_EQ(words[0], "a");
    const size_t english = words.size() - 5;
    const std::vector<std::string> tail(words.begin() + static_cast<long>(english), words.end());
    const std::string china = Gbk("中国"), bank = Gbk("银行");
    EXPECT_EQ(tail, (std::vector<std::string>{Gbk("的"), Gbk("人民"), std::min(china, bank), std::max(china, bank),
                                              "linux"}));
    for (const std::string& word : words)
        EXPECT_FALSE(word.empty());

    // Stop words: ids of the function words present, one per line, ascending.
    std::vector<std::string> stopIds = Lines(ReadFile(dir + "/dict/stopwords.txt"));
    ASSERT_FALSE(stopIds.empty());
    EXPECT_EQ(stopIds.front(), "0");
    EXPECT_NE(std::find(stopIds.begin(), stopIds.end(), std::to_string(english)), stopIds.end());   // 的
    EXPECT_EQ(std::find(stopIds.begin(), stopIds.end(), std::to_string(english + 1)), stopIds.end());   // 人民

    // The analyzer reads both.
    cs::test::InstallDictionary(ReadFile(dir + "/dict/dictionary.txt"), ReadFile(dir + "/dict/stopwords.txt"));
    cs::analyze::CGeneralAnalyzer analyzer;
    const std::vector<wid_t> tokens = cs::test::Analyze(analyzer, Gbk("中国的人民") + " The LINUX");
    const wid_t chinaId = static_cast<wid_t>(english + (china < bank ? 2 : 3));
    EXPECT_EQ(tokens, (std::vector<wid_t>{chinaId, -1, static_cast<wid_t>(english + 1), -1,
                                          static_cast<wid_t>(english + 4)}));
}

TEST(DictionaryTool, SamplePathConfigurationNamesItsOutput)
{
    // scripts/build.sh writes conf/dict/; the checkout's pathconfig.xml (root "conf/") must point there.
    cs::utility::CConfigPath paths(cs::test::SourcePath("pathconfig.xml"));
    EXPECT_EQ(paths.getPath("DICTIONARY_PATH"), "conf/dict/dictionary.txt");
    EXPECT_EQ(paths.getPath("STOPWORD_PATH"), "conf/dict/stopwords.txt");
    EXPECT_NE(ReadFile(cs::test::SourcePath("scripts/build.sh")).find("--output conf/dict"), std::string::npos);
}
