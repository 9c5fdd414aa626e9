// tools/make-dictionary.py on small word lists: selection, GBK conversion,
// order, the 300,000-line limit and stop words, and the analyzer reading what
// it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "analyze/GeneralAnalyzer.h"
#include "support/AnalyzerTestData.h"
#include "support/TestSupport.h"
#include "utility/ConfigPath.h"

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

// The tool run on a frequency list and an English list in `dir`, writing
// `dir`/dict.
cs::test::ProcessResult RunTool(const std::string& dir, const std::string& source, const std::string& english)
{
    WriteFile(dir + "/source.txt", source);
    WriteFile(dir + "/english.txt", english);
    return cs::test::RunProcess({"/usr/bin/python3", cs::test::SourcePath("tools/make-dictionary.py"), "--source",
                                 dir + "/source.txt", "--english", dir + "/english.txt", "--output", dir + "/dict"});
}

} // namespace

TEST(DictionaryTool, SelectsConvertsAndOrdersWords)
{
    const std::string dir = cs::test::MakeTempDir("dicttool");
    const std::string source =
        "中国 500 ns\n"
        "人民 900 n\n"
        "的 3000 uj\n"
        "银行 500 n\n"                // ties with 中国: GBK byte order
        "B超 300 n\n"                 // mixed classes: never matched whole
        "c++ 300 nz\n"
        "2008 300 m\n"
        "Linux 200 eng\n"             // letters only: kept, lower-cased
        "\xf0\xa0\x80\x80字 800 n\n"   // U+20000 is not in GBK: dropped whole
        "中国 20 ns\n"                 // listed again: the higher frequency counts
        "broken line\n"
        "\n";
    cs::test::ProcessResult result = RunTool(dir, source, "");
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
    EXPECT_EQ(paths.getPath("DICTIONARY_PATH"), cs::test::SourcePath("conf/dict/dictionary.txt"));
    EXPECT_EQ(paths.getPath("STOPWORD_PATH"), cs::test::SourcePath("conf/dict/stopwords.txt"));
    EXPECT_NE(ReadFile(cs::test::SourcePath("scripts/build.sh")).find("--output conf/dict"), std::string::npos);
}

TEST(DictionaryTool, AddsTheEnglishWordsTheAnalyzerUsesWhole)
{
    const std::string dir = cs::test::MakeTempDir("dicttool");
    cs::test::ProcessResult result = RunTool(dir, "人民 900 n\nLinux 200 eng\n",
                                             "zebra\n"
                                             "documentation\n"
                                             "Documentation\n"   // capitalised: a name or a sentence start
                                             "Einstein\n"
                                             "index's\n"         // possessive
                                             "index\n"
                                             "index\n"
                                             "disk\n"            // four letters are one term already
                                             "caf\xc3\xa9\n"
                                             "e-mail\n"
                                             "abcde1\n"
                                             "\xff\xfe" "broken\n"
                                             "which\n"           // a stop word, which leads the dictionary
                                             "linux\n"           // in the frequency list: keeps its place there
                                             "harbor\r\n"
                                             "apple\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;

    std::vector<std::string> words = Lines(ReadFile(dir + "/dict/dictionary.txt"));
    const auto people = std::find(words.begin(), words.end(), Gbk("人民"));
    ASSERT_NE(people, words.end());
    const std::vector<std::string> tail(people, words.end());
    EXPECT_EQ(tail, (std::vector<std::string>{Gbk("人民"), "linux", "apple", "documentation", "harbor", "index",
                                              "zebra"}));
    EXPECT_EQ(std::count(words.begin(), words.end(), "which"), 1);

    // "documentation" is now one term; "disks" is still coded four letters at a time.
    cs::test::InstallDictionary(ReadFile(dir + "/dict/dictionary.txt"), ReadFile(dir + "/dict/stopwords.txt"));
    cs::analyze::CGeneralAnalyzer analyzer;
    const wid_t first = static_cast<wid_t>(people - words.begin());
    EXPECT_EQ(cs::test::Analyze(analyzer, "Documentation of the INDEX disks"),
              (std::vector<wid_t>{first + 3, -1, -1, first + 5, 310000 + ((4 * 26 + 9) * 26 + 19) * 26 + 11,
                                  310000 + 19}));
}

TEST(DictionaryTool, RarestWordsGiveWayToEnglishWordsWithinTheLimit)
{
    // Letters of `n` in base 26, `width` of them.
    auto letters = [](int n, int width) {
        std::string text(static_cast<size_t>(width), 'a');
        for (int i = width - 1; i >= 0; --i, n /= 26)
            text[static_cast<size_t>(i)] = static_cast<char>('a' + n % 26);
        return text;
    };
    const std::string dir = cs::test::MakeTempDir("dicttool");
    std::string source, english;
    for (int i = 0; i < 298000; ++i)
        source += "fa" + letters(i, 4) + " 50 n\n";
    source += "tailz 7 n\ntailaa 7 n\ntai 7 n\ntailb 7 n\n";   // ties: shorter first, then byte order
    std::vector<std::string> rare;
    for (int i = 0; i < 2000; ++i)
        rare.push_back("g" + letters(i, 3 + i % 3));
    for (const std::string& word : rare)
        source += word + " 3 n\n";
    for (int i = 999; i >= 0; --i)
        english += "zq" + letters(i, 4) + "\n";
    cs::test::ProcessResult result = RunTool(dir, source, english);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // 300,000 lines, ids 0..299999: the limit filled exactly, never passed.
    const std::vector<std::string> words = Lines(ReadFile(dir + "/dict/dictionary.txt"));
    ASSERT_EQ(words.size(), 300000u);
    const auto common = std::find(words.begin(), words.end(), "faaaaa");
    ASSERT_NE(common, words.end());
    ASSERT_LT(common - words.begin(), 200);   // after the English function words
    EXPECT_TRUE(std::is_sorted(common, common + 298000));
    EXPECT_EQ(*(common + 297999), "fa" + letters(297999, 4));
    const auto ties = common + 298000;
    EXPECT_EQ(std::vector<std::string>(ties, ties + 4), (std::vector<std::string>{"tai", "tailb", "tailz", "tailaa"}));

    // Every English word, in byte order, at the end.
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(words[299000 + static_cast<size_t>(i)], "zq" + letters(i, 4));

    // The rarest words fill what is left, shorter first, and the rest give way.
    std::sort(rare.begin(), rare.end(), [](const std::string& a, const std::string& b) {
        return a.size() < b.size() || (a.size() == b.size() && a < b);
    });
    const size_t kept = static_cast<size_t>(words.begin() + 299000 - (ties + 4));
    ASSERT_GT(kept, 0u);
    ASSERT_LT(kept, rare.size());
    EXPECT_EQ(std::vector<std::string>(ties + 4, words.begin() + 299000),
              std::vector<std::string>(rare.begin(), rare.begin() + static_cast<long>(kept)));
    EXPECT_NE(result.out.find("1000 words of " + dir + "/english.txt; " + std::to_string(rare.size() - kept) +
                              " of " + dir + "/source.txt left out"),
              std::string::npos)
        << result.out;
}

TEST(DictionaryTool, MissingWordListIsAClearErrorAndWritesNothing)
{
    const std::string dir = cs::test::MakeTempDir("dicttool");
    WriteFile(dir + "/source.txt", "人民 900 n\n");
    for (const auto& [option, package] :
         {std::pair{"--english", "wamerican"}, std::pair{"--source", "python3-jieba"}}) {
        std::vector<std::string> argv = {"/usr/bin/python3", cs::test::SourcePath("tools/make-dictionary.py"),
                                         "--source", dir + "/source.txt", "--english", dir + "/source.txt",
                                         "--output", dir + "/dict"};
        const auto at = std::find(argv.begin(), argv.end(), option);
        *(at + 1) = dir + "/missing.txt";
        cs::test::ProcessResult result = cs::test::RunProcess(argv);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_NE(result.err.find("cannot read the word list " + dir + "/missing.txt (No such file or directory)"),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find(std::string("install ") + package), std::string::npos) << result.err;
        EXPECT_FALSE(cs::test::FileExists(dir + "/dict/dictionary.txt"));
        EXPECT_FALSE(cs::test::FileExists(dir + "/dict/stopwords.txt"));
    }
}
