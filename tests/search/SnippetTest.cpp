// The passage shown with a hit, over texts analysed by the general analyser
// with the test dictionary.
#include <gtest/gtest.h>

#include "analyze/GeneralAnalyzer.h"
#include "search/Snippet.h"
#include "support/AnalyzerTestData.h"
#include "utility/StringConvertor.h"

namespace {

using cs::search::CSearchHit;
using cs::search::SNIPPET_WIDTH;
using cs::test::Gbk;
using cs::test::WordId;

const std::string kEllipsis = Gbk("…");

class Snippet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { cs::test::InstallTestDictionary(); }

    // The snippet of `text` (GBK) for the words `wanted` (UTF-8); false when none matched.
    bool make(const std::string& text, const std::vector<std::string>& wanted)
    {
        cs::analyze::CTokenList<cs::analyze::wid_t> tokens;
        std::vector<cs::analyze::CTermSpan> spans;
        m_analyzer.analyzeSpans(text.data(), text.size(), &tokens, spans);
        std::set<int32_t> terms;
        for (const std::string& word : wanted)
            terms.insert(WordId(word));
        m_hit = CSearchHit();
        return cs::search::MakeSnippet(text, std::vector<int32_t>(tokens.begin(), tokens.end()), spans, terms, m_hit);
    }
    std::vector<std::string> marked() const
    {
        std::vector<std::string> words;
        for (const auto& mark : m_hit.marks)
            words.push_back(m_hit.snippet.substr(mark.first, mark.second - mark.first));
        return words;
    }

    cs::analyze::CGeneralAnalyzer m_analyzer;
    CSearchHit m_hit;
};

std::string Repeat(const std::string& piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST_F(Snippet, AWordDeepInTheTextIsShownWithItsSurroundings)
{
    std::string text = Repeat("hello world ", 200) + "the linux kernel " + Repeat("hello world ", 200);
    ASSERT_TRUE(make(text, {"linux"}));
    EXPECT_EQ(marked(), std::vector<std::string>{"linux"});
    EXPECT_EQ(m_hit.snippet.compare(0, kEllipsis.size(), kEllipsis), 0) << m_hit.snippet;
    EXPECT_EQ(m_hit.snippet.compare(m_hit.snippet.size() - kEllipsis.size(), kEllipsis.size(), kEllipsis), 0);
    EXPECT_LE(m_hit.snippet.size(), SNIPPET_WIDTH + 2 * kEllipsis.size());
    // The match stands in the middle, the cuts fall between words.
    size_t at = m_hit.marks[0].first;
    EXPECT_LT(at, m_hit.snippet.size() / 2 + 20);
    EXPECT_GT(at, m_hit.snippet.size() / 2 - 20);
    std::string inside = m_hit.snippet.substr(kEllipsis.size(), m_hit.snippet.size() - 2 * kEllipsis.size());
    EXPECT_TRUE(inside.compare(0, 5, "hello") == 0 || inside.compare(0, 5, "world") == 0) << inside;
    EXPECT_TRUE(inside.back() == 'o' || inside.back() == 'd') << inside;
}

TEST_F(Snippet, TheWindowWithMostDistinctWordsWins)
{
    std::string filler = Repeat(Gbk("天气很好。"), 40);
    std::string text = Gbk("北京 北京 北京") + filler + Gbk("北京大学的学生") + filler;
    ASSERT_TRUE(make(text, {"北京大学", "学生", "北京"}));
    EXPECT_EQ(marked(), (std::vector<std::string>{Gbk("北京大学"), Gbk("学生")}));
    // A phrase segmented into words that touch is one mark; never a cut character.
    ASSERT_TRUE(make(Repeat(Gbk("天气"), 200) + Gbk("全文检索") + Repeat(Gbk("天气"), 200), {"全文", "检索"}));
    EXPECT_EQ(marked(), std::vector<std::string>{Gbk("全文检索")});
    std::string utf8 = cs::utility::CStringConvertor("utf-8", "gbk").convert(m_hit.snippet);
    EXPECT_EQ(cs::utility::CStringConvertor("gbk", "utf-8").convert(utf8), m_hit.snippet)
        << "cut between characters, never inside one";
    EXPECT_EQ(m_hit.snippet.size() % 2, 0u);
}

TEST_F(Snippet, ShortTextsAndMisses)
{
    ASSERT_TRUE(make(Gbk("全文检索的索引"), {"索引"}));
    EXPECT_EQ(m_hit.snippet, Gbk("全文检索的索引")) << "nothing cut, no ellipsis";
    EXPECT_EQ(m_hit.marks, (std::vector<cs::search::Mark>{{10, 14}}));
    EXPECT_FALSE(make(Gbk("全文检索"), {"北京"}));
    EXPECT_TRUE(m_hit.snippet.empty());
    cs::search::LeadingSnippet(Repeat("hello world ", 100), m_hit);
    EXPECT_EQ(m_hit.snippet.compare(0, 11, "hello world"), 0);
    EXPECT_EQ(m_hit.snippet.substr(m_hit.snippet.size() - kEllipsis.size() - 5), "world" + kEllipsis) << m_hit.snippet;
    EXPECT_TRUE(m_hit.marks.empty());
}

} // namespace
