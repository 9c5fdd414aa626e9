// Visible text of HTML and white-space collapsing, on strings.
#include <string>

#include <gtest/gtest.h>

#include "parse/HtmlText.h"

using cs::parse::CollapseWhiteSpace;
using cs::parse::ExtractVisibleText;

namespace {

std::string Visible(const std::string& html)
{
    std::string out;
    ExtractVisibleText(html.data(), html.size(), out);
    return out;
}

std::string Collapsed(const std::string& text, size_t* pRuns = nullptr)
{
    std::string out;
    size_t runs = CollapseWhiteSpace(text.data(), text.size(), out);
    if (pRuns)
        *pRuns = runs;
    return out;
}

} // namespace

TEST(HtmlTextTest, TextAfterOrdinaryTags)
{
    EXPECT_EQ(Visible("<p>Hello&nbsp;world</p>"), "Hello world ");
    EXPECT_EQ(Visible("lost<html><b>a</b>b<i>c</i>after last"), " a b c ");
    EXPECT_EQ(Visible("<p>&nbsp;&nbsp;x&amp;y</p>"), "  x&amp;y ");
    EXPECT_EQ(Visible("<  p\tclass=x>t</p>"), "t ");
    EXPECT_EQ(Visible(std::string("<p>a\0b</p>", 10)), std::string("a\0b ", 4));
}

TEST(HtmlTextTest, ScriptsStylesAndComments)
{
    EXPECT_EQ(Visible("<p>one</p><script>var a = '<p>';</script>lost<p>two</p>"), "one  two ");
    EXPECT_EQ(Visible("<p>one<STYLE type=x>p{}</Style >lost<p>two</p>"), "one two ");
    EXPECT_EQ(Visible("<p>one<!-- <p>hidden</p> -->lost<p>two</p>"), "one two ");
    // An element that is never closed is an ordinary tag.
    EXPECT_EQ(Visible("<p>a<script>b<p>c</p>"), "a b c ");
    EXPECT_EQ(Visible("<p>a<!--b<p>c</p>"), "a c ");
    // "<!--" needs more than two characters after "<": "<!-" is ordinary.
    EXPECT_EQ(Visible("<p>a<!->b<p>c</p>"), "a b c ");
}

TEST(HtmlTextTest, WhereTheScanEnds)
{
    EXPECT_EQ(Visible("no tags at all"), "");
    EXPECT_EQ(Visible("<p>a<>b<p>c</p>"), "a ");
    EXPECT_EQ(Visible("<p>a<"), "a ");
    EXPECT_EQ(Visible("<p>a<b"), "a ");
    EXPECT_EQ(Visible("<p>a<script>x</script"), "a ");
}

TEST(HtmlTextTest, Collapse)
{
    size_t runs = 0;
    EXPECT_EQ(Collapsed("  a \t b\r\n\nc \n d  ", &runs), " a b\nc d ");
    EXPECT_EQ(runs, 5u);
    EXPECT_EQ(Collapsed("a\r\n \r b", &runs), "a b");
    EXPECT_EQ(runs, 1u);
    EXPECT_EQ(Collapsed("", &runs), "");
    EXPECT_EQ(runs, 0u);
    EXPECT_EQ(Collapsed("nospace", &runs), "nospace");
    EXPECT_EQ(runs, 0u);
}
