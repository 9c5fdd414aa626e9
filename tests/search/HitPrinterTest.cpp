#include <gtest/gtest.h>

#include "search/HitPrinter.h"
#include "support/AnalyzerTestData.h"

namespace {

using cs::search::CHitPrinter;
using cs::search::CSearchHit;
using cs::test::Gbk;

TEST(HitPrinter, TextTerminalAndJsonLines)
{
    CSearchHit hit;
    hit.doc = 1234567;
    hit.score = 2.5;
    hit.path = "/docs/报告.txt";               // a file name: UTF-8 already
    hit.date = "2026-12-01";
    hit.snippet = Gbk("全文索引\t\"quoted\"\x1b[31m");
    hit.marks = {{0, 4}, {4, 8}, {9, 17}};      // 全文, 索引, "quoted"
    EXPECT_EQ(CHitPrinter(CHitPrinter::PLAIN).line(hit),
              "1234567\t2.5000\t2026-12-01\t/docs/报告.txt\t[全文][索引] [\"quoted\"] [31m\n");
    EXPECT_EQ(CHitPrinter(CHitPrinter::TERMINAL).line(hit),
              "1234567\t2.5000\t2026-12-01\t/docs/报告.txt\t\x1b[1m全文\x1b[0m\x1b[1m索引\x1b[0m "
              "\x1b[1m\"quoted\"\x1b[0m [31m\n");
    // Marks are byte ranges of the UTF-8 snippet: 全文 takes six bytes.
    EXPECT_EQ(CHitPrinter(CHitPrinter::JSON).line(hit),
              "{\"doc\":1234567,\"score\":2.5,\"path\":\"/docs/报告.txt\",\"date\":\"2026-12-01\","
              "\"snippet\":\"全文索引 \\\"quoted\\\" [31m\",\"marks\":[[0,6],[6,12],[13,21]]}\n");
    hit.marks.clear();
    EXPECT_EQ(CHitPrinter(CHitPrinter::PLAIN).line(hit),
              "1234567\t2.5000\t2026-12-01\t/docs/报告.txt\t全文索引 \"quoted\" [31m\n");
}

TEST(HitPrinter, SummaryGivesTheTotalAndThePage)
{
    EXPECT_EQ(CHitPrinter(CHitPrinter::PLAIN).summary(523, 0, 10), "10 of 523 matching documents shown\n");
    EXPECT_EQ(CHitPrinter(CHitPrinter::TERMINAL).summary(523, 20, 10),
              "10 of 523 matching documents shown, from number 21\n");
    EXPECT_EQ(CHitPrinter(CHitPrinter::PLAIN).summary(5, 20, 0), "0 of 5 matching documents shown\n");
    EXPECT_EQ(CHitPrinter(CHitPrinter::JSON).summary(523, 20, 10), "{\"total\":523,\"offset\":20,\"shown\":10}\n");
}

TEST(HitPrinter, StoredTextIsShownInUtf8)
{
    // A GBK path (not valid UTF-8) is converted; a snippet always is.
    EXPECT_EQ(CHitPrinter::displayText(Gbk("路径"), true), "路径");
    EXPECT_EQ(CHitPrinter::displayText("路径", true), "路径");
    EXPECT_EQ(CHitPrinter::displayText(Gbk("字\n字"), false), "字 字");
    EXPECT_EQ(CHitPrinter::jsonString("a\\b\n"), "\"a\\\\b\\u000a\"");
}

} // namespace
