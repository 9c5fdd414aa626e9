#include <gtest/gtest.h>

#include "search/HitPrinter.h"
#include "support/AnalyzerTestData.h"

namespace {

using cs::search::CHitPrinter;
using cs::search::CSearchHit;
using cs::test::Gbk;

TEST(HitPrinter, TextAndJsonLines)
{
    CSearchHit hit;
    hit.doc = 1234567;
    hit.score = 2.5;
    hit.path = "/docs/报告.txt";               // a file name: UTF-8 already
    hit.abstract = Gbk("全文索引\t\"quoted\"\x1b[31m");
    EXPECT_EQ(CHitPrinter(false).line(hit), "1234567\t2.5000\t/docs/报告.txt\t全文索引 \"quoted\" [31m\n");
    EXPECT_EQ(CHitPrinter(true).line(hit),
              "{\"doc\":1234567,\"score\":2.5,\"path\":\"/docs/报告.txt\",\"abstract\":\"全文索引 \\\"quoted\\\" [31m\"}\n");
}

TEST(HitPrinter, StoredTextIsShownInUtf8AndCut)
{
    // A GBK path (not valid UTF-8) is converted; an abstract always is.
    EXPECT_EQ(CHitPrinter::displayText(Gbk("路径"), true, 0), "路径");
    std::string longText;
    for (int i = 0; i < 100; ++i)
        longText += "字";
    std::string shown = CHitPrinter::displayText(Gbk(longText), false, CHitPrinter::ABSTRACT_CHARACTERS);
    EXPECT_EQ(shown.size(), 3 * CHitPrinter::ABSTRACT_CHARACTERS) << "cut between characters, never inside one";
    EXPECT_EQ(CHitPrinter::jsonString("a\\b\n"), "\"a\\\\b\\u000a\"");
}

} // namespace
