#include <gtest/gtest.h>

#include <tuple>

#include "config/GlobalConfig.h"
#include "support/TestSupport.h"

using cs::test::CLogCapture;
using cs::test::MakeTempDir;
using cs::test::WriteFile;
using cs::utility::CGlobalConfig;

namespace {

// Writes a global configuration whose <config> holds `body` and loads it.
CGlobalConfig Load(const std::string& body)
{
    std::string path = MakeTempDir("global") + "/global.xml";
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>" + body + "</config>\n");
    CGlobalConfig config;
    config.load(path);
    return config;
}

std::string Index(const std::string& body) { return "<index>" + body + "</index>"; }
std::string Merge(const std::string& body) { return "<advanced><merge>" + body + "</merge></advanced>"; }

const char* const kFull =
    "<index><system_status>1</system_status><memory>200000000</memory><source>/data/docs</source>"
    "<path>/data/index</path><date>2024-01-02</date><weekday>3</weekday><adjusttime>04:15:00</adjusttime>"
    "<maxIndexTerms>500</maxIndexTerms><cachednum>600</cachednum><threads>1</threads></index>"
    "<search><results>20</results><sort>2</sort><memory>700</memory></search>"
    "<advanced><mms><word_way>exp:16:2</word_way><document_way>exp:8:2</document_way></mms>"
    "<merge><m>4</m><c>5</c><s>6</s><recycleStrategy>1</recycleStrategy><recycleParam>0.25</recycleParam></merge>"
    "</advanced><log><level>warn</level></log>"
    "<recreate><records>1234</records><delpercent>30</delpercent></recreate>";

} // namespace

TEST(GlobalConfig, TakesEveryPresentKeyWithoutMessages)
{
    CLogCapture log;
    CGlobalConfig config = Load(kFull);
    EXPECT_EQ(config.systemStatus(), 1);
    EXPECT_EQ(config.indexMemory(), 200000000u);
    EXPECT_EQ(config.indexThreads(), 1);
    EXPECT_EQ(config.sourceDir(), "/data/docs");
    EXPECT_EQ(config.indexPath(), "/data/index");
    EXPECT_EQ(config.date(), "2024-01-02");
    EXPECT_EQ(config.weekday(), 3u);
    EXPECT_EQ(config.adjustTime(), "04:15:00");
    EXPECT_EQ(config.maxIndexTerms(), 500);
    EXPECT_EQ(config.cachedNum(), 600);
    EXPECT_EQ(config.searchResults(), 20);
    EXPECT_EQ(config.searchSort(), 2);
    EXPECT_EQ(config.searchMemory(), 700);
    EXPECT_EQ(config.wordWay(), "exp:16:2");
    EXPECT_EQ(config.documentWay(), "exp:8:2");
    EXPECT_EQ(config.mergeM(), 4u);
    EXPECT_EQ(config.mergeC(), 5u);
    EXPECT_EQ(config.mergeS(), 6u);
    EXPECT_EQ(config.recycleStrategy(), 1);
    EXPECT_FLOAT_EQ(config.recycleParamRatio(), 0.25f);
    EXPECT_EQ(config.logLevel(), "warn");
    EXPECT_EQ(config.recreateRecords(), 1234u);
    EXPECT_EQ(config.recreateDelPercent(), 30u);
    EXPECT_EQ(log.text(), "");
}

TEST(GlobalConfig, MissingKeysTakeTheirFallbacksWithWarnings)
{
    CLogCapture log;
    CGlobalConfig config = Load("");
    EXPECT_EQ(config.systemStatus(), 0);   // indexing switched off
    EXPECT_EQ(config.sourceDir(), "");
    EXPECT_EQ(config.indexPath(), "");
    EXPECT_EQ(config.date(), "");
    EXPECT_EQ(config.weekday(), 6u);
    EXPECT_EQ(config.adjustTime(), "00:30:00");
    EXPECT_EQ(config.indexMemory(), 100000000u);
    EXPECT_EQ(config.indexThreads(), 2);   // without a line: older files lack the key
    EXPECT_EQ(config.maxIndexTerms(), 0);
    EXPECT_EQ(config.cachedNum(), 0);
    EXPECT_EQ(config.searchResults(), 0);
    EXPECT_EQ(config.searchSort(), 0);
    EXPECT_EQ(config.searchMemory(), 0);
    EXPECT_EQ(config.wordWay(), "");
    EXPECT_EQ(config.mergeM(), 3u);
    EXPECT_EQ(config.mergeC(), 2u);
    EXPECT_EQ(config.mergeS(), 1u);
    EXPECT_EQ(config.recycleStrategy(), 0);
    EXPECT_EQ(config.recycleParamCount(), 0);
    EXPECT_EQ(config.logLevel(), "");
    EXPECT_EQ(config.recreateRecords(), 10000000u);
    EXPECT_EQ(config.recreateDelPercent(), 50u);

    std::string text = log.text();
    const char* const warnings[] = {
        "can't get Node:/config/index/weekday,user default:6",
        "can't rightly get the value of Node:/config/index/memory. Use default:100000000",
        "can't rightly get the value of Node:config/advanced/merge/m. Use default:3",
        "can't rightly get the value of Node:config/advanced/merge/c. Use default:1",
        "can't rightly get the value of Node:config/advanced/merge/s. Use default:4",
        "can't rightly get the value of Node:config/advanced/merge/recycleStrategy. Use default:0",
        "can't rightly get value:config/recreate/records",
        "can't rightly get value:config/recreate/delpercent",
    };
    size_t position = 0;
    for (const char* warning : warnings) {
        // In the order of the key table, each on a WARN line.
        size_t found = text.find(warning, position);
        ASSERT_NE(found, std::string::npos) << warning;
        EXPECT_TRUE(log.logged("WARN", warning));
        position = found;
    }
    EXPECT_EQ(text.find("recycleParam"), std::string::npos);
    EXPECT_EQ(text.find("threads"), std::string::npos);
}

TEST(GlobalConfig, UnparsableNumbersTakeTheirOwnFallbacks)
{
    CLogCapture log;
    CGlobalConfig config = Load(Index("<system_status>abc</system_status><weekday>abc</weekday><memory>abc</memory>"
                                      "<maxIndexTerms>abc</maxIndexTerms><cachednum></cachednum>"
                                      "<threads>two</threads>") +
                                "<search><results>x</results><sort>abc</sort><memory>-</memory></search>" +
                                Merge("<m>abc</m><c>abc</c><s>abc</s><recycleStrategy>abc</recycleStrategy>") +
                                "<recreate><records>abc</records><delpercent>abc</delpercent></recreate>");
    EXPECT_EQ(config.systemStatus(), 0);
    EXPECT_EQ(config.weekday(), 6u);
    EXPECT_EQ(config.indexMemory(), 100000000u);
    EXPECT_EQ(config.indexThreads(), 2);
    EXPECT_EQ(config.maxIndexTerms(), 1000000);
    EXPECT_EQ(config.cachedNum(), 10000);
    EXPECT_EQ(config.searchResults(), 10);
    EXPECT_EQ(config.searchSort(), 1);
    EXPECT_EQ(config.searchMemory(), 104857600);
    EXPECT_EQ(config.mergeM(), 3u);
    EXPECT_EQ(config.mergeC(), 2u);
    EXPECT_EQ(config.mergeS(), 1u);
    EXPECT_EQ(config.recycleStrategy(), 0);
    EXPECT_EQ(config.recreateRecords(), 10000000u);
    EXPECT_EQ(config.recreateDelPercent(), 50u);
    EXPECT_TRUE(log.contains("can't rightly get the value of Node:/config/index/memory. Use default:100000000"));
    EXPECT_TRUE(log.contains("can't rightly get value:config/recreate/delpercent"));
    EXPECT_TRUE(log.logged("WARN", "setting /config/index/threads: given \"two\", using 2"));
}

TEST(GlobalConfig, NumbersAreReadByStreamExtraction)
{
    CGlobalConfig config = Load(Index("<system_status> 1 </system_status><memory>\n  20000000 bytes</memory>"
                                      "<weekday>2nd</weekday><maxIndexTerms>+77</maxIndexTerms>"
                                      "<cachednum>0x10</cachednum>"));
    EXPECT_EQ(config.systemStatus(), 1);
    EXPECT_EQ(config.indexMemory(), 20000000u);
    EXPECT_EQ(config.weekday(), 2u);
    EXPECT_EQ(config.maxIndexTerms(), 77);
    EXPECT_EQ(config.cachedNum(), 0);   // decimal only: "0" then text
}

TEST(GlobalConfig, ValuesAreClamped)
{
    {
        CLogCapture log;
        CGlobalConfig config = Load(Index("<memory>5000000</memory><weekday>9</weekday><system_status>5</system_status>"
                                          "<threads>3</threads>") +
                                    "<search><sort>3</sort></search>" + Merge("<c>25</c>") +
                                    "<recreate><delpercent>0</delpercent></recreate>");
        EXPECT_EQ(config.indexMemory(), 10485760u);
        EXPECT_EQ(config.indexThreads(), 2);
        EXPECT_EQ(config.weekday(), 6u);
        EXPECT_EQ(config.systemStatus(), 1);
        EXPECT_EQ(config.searchSort(), 1);
        EXPECT_EQ(config.mergeC(), 20u);
        EXPECT_EQ(config.recreateDelPercent(), 50u);
        std::string text = log.text();
        EXPECT_TRUE(log.logged("INFO", "the value inf /config/index/memory is less than 10M. Use 10M"));
        EXPECT_TRUE(log.logged("INFO", "merge config c is more than 20.only use 20"));
        // Every setting changed says so, with the value given and the one used.
        for (const char* line : {"setting /config/index/memory: given \"5000000\", using 10485760",
                                 "setting /config/index/weekday: given \"9\", using 6",
                                 "setting /config/index/system_status: given \"5\", using 1",
                                 "setting /config/index/threads: given \"3\", using 2",
                                 "setting /config/search/sort: given \"3\", using 1",
                                 "setting /config/advanced/merge/c: given \"25\", using 20",
                                 "setting /config/recreate/delpercent: given \"0\", using 50"})
            EXPECT_TRUE(log.logged("WARN", line)) << line << "\n" << text;
    }
    for (const auto& [merge, c, s, line] :
         {std::tuple{"<c>0</c>", 2u, 1u, "setting /config/advanced/merge/c: given \"0\", using 2"},
          std::tuple{"<c>1</c>", 2u, 1u, "setting /config/advanced/merge/c: given \"1\", using 2"},
          std::tuple{"<c>100000</c>", 20u, 1u, "setting /config/advanced/merge/c: given \"100000\", using 20"},
          std::tuple{"<s>0</s>", 2u, 1u, "setting /config/advanced/merge/s: given \"0\", using 1"},
          std::tuple{"<s>-3</s>", 2u, 1u, "setting /config/advanced/merge/s: given \"-3\", using 1"}}) {
        CLogCapture log;
        CGlobalConfig config = Load(Merge(merge));
        EXPECT_EQ(config.mergeC(), c) << merge;
        EXPECT_EQ(config.mergeS(), s) << merge;
        EXPECT_TRUE(log.logged("WARN", line)) << log.text();
    }
    for (const char* memory : {"-1", "4294967295"}) {
        CLogCapture log;
        EXPECT_EQ(Load(Index(std::string("<memory>") + memory + "</memory>")).indexMemory(), 2147483648u);
        EXPECT_TRUE(log.logged("WARN", std::string("setting /config/index/memory: given \"") + memory +
                                           "\", using 2147483648 (one cache block's most)"));
    }
    // The comparisons are unsigned: negative values count as above the bound.
    CGlobalConfig negative = Load(Index("<weekday>-1</weekday><system_status>-1</system_status>") +
                                  Merge("<c>-1</c>") + "<recreate><delpercent>-3</delpercent></recreate>");
    EXPECT_EQ(negative.weekday(), 6u);
    EXPECT_EQ(negative.systemStatus(), 1);
    EXPECT_EQ(negative.mergeC(), 20u);
    EXPECT_EQ(negative.recreateDelPercent(), 50u);

    CGlobalConfig edges = Load(Index("<memory>10485760</memory><weekday>6</weekday><system_status>0</system_status>") +
                               Merge("<c>20</c>") + "<recreate><delpercent>99</delpercent></recreate>");
    EXPECT_EQ(edges.indexMemory(), 10485760u);
    EXPECT_EQ(edges.weekday(), 6u);
    EXPECT_EQ(edges.systemStatus(), 0);
    EXPECT_EQ(edges.mergeC(), 20u);
    EXPECT_EQ(edges.recreateDelPercent(), 99u);
    EXPECT_EQ(Load("<recreate><delpercent>100</delpercent></recreate>").recreateDelPercent(), 50u);
}

TEST(GlobalConfig, UnknownElementsAreNamed)
{
    CLogCapture log;
    CGlobalConfig config = Load(Index("<sourse>docs</sourse><memory>20000000</memory>") + "<logg/>");
    EXPECT_EQ(config.indexMemory(), 20000000u);
    EXPECT_TRUE(log.logged("WARN", "unknown element /config/index/sourse in ")) << log.text();
    EXPECT_TRUE(log.logged("WARN", "unknown element /config/logg in "));
    EXPECT_FALSE(log.contains("unknown element /config/index/memory"));
}

TEST(GlobalConfig, RecycleParameterFollowsTheStrategy)
{
    {
        CLogCapture log;
        CGlobalConfig ratio = Load(Merge("<recycleStrategy>1</recycleStrategy>"));
        EXPECT_FLOAT_EQ(ratio.recycleParamRatio(), 0.5f);
        EXPECT_TRUE(log.logged("WARN", "can't rightly get the value of Node:config/advanced/merge/recycleParam. Use default:0.5"));
    }
    {
        CLogCapture log;
        CGlobalConfig count = Load(Merge("<recycleStrategy>2</recycleStrategy><recycleParam>x</recycleParam>"));
        EXPECT_EQ(count.recycleParamCount(), 10000);
        EXPECT_TRUE(log.logged("WARN", "can't rightly get the value of Node:config/advanced/merge/recycleParam. Use default:10000"));
    }
    EXPECT_EQ(Load(Merge("<recycleStrategy>2</recycleStrategy><recycleParam>500</recycleParam>")).recycleParamCount(), 500);
    EXPECT_FLOAT_EQ(Load(Merge("<recycleStrategy>1</recycleStrategy><recycleParam>0.75x</recycleParam>"))
                        .recycleParamRatio(), 0.75f);
    // Any other strategy leaves the parameter alone, present or not.
    CLogCapture log;
    EXPECT_EQ(Load(Merge("<recycleStrategy>0</recycleStrategy><recycleParam>500</recycleParam>")).recycleParamCount(), 0);
    EXPECT_EQ(Load(Merge("<recycleStrategy>3</recycleStrategy>")).recycleParamCount(), 0);
    EXPECT_FALSE(log.contains("recycleParam"));
}

TEST(GlobalConfig, PresentEmptyTextKeysStayEmpty)
{
    CGlobalConfig config = Load(Index("<path></path><adjusttime></adjusttime>") + "<log><level/></log>");
    EXPECT_EQ(config.indexPath(), "");
    EXPECT_EQ(config.adjustTime(), "");   // present: no fallback
    EXPECT_EQ(config.logLevel(), "");
}

TEST(GlobalConfig, TextIsConvertedToGbk)
{
    CGlobalConfig config = Load(Index("<source>/data/\xe6\x96\x87\xe6\xa1\xa3</source>"));
    EXPECT_EQ(config.sourceDir(), "/data/\xce\xc4\xb5\xb5");
}

TEST(GlobalConfig, MissingFileAppliesTheNoFileDefaults)
{
    CLogCapture log;
    std::string path = MakeTempDir("global") + "/absent.xml";
    CGlobalConfig config;
    config.load(path);
    EXPECT_TRUE(log.logged("WARN", "system configurate file doesn't exist.Using default config."));
    EXPECT_EQ(config.filePath(), path);
    EXPECT_EQ(config.systemStatus(), 1);
    EXPECT_EQ(config.sourceDir(), "d:/test");
    EXPECT_EQ(config.indexPath(), "d:/index");
    EXPECT_EQ(config.date(), "all");
    EXPECT_EQ(config.weekday(), 0u);
    EXPECT_EQ(config.adjustTime(), "");
    EXPECT_EQ(config.indexMemory(), 100000000u);
    EXPECT_EQ(config.maxIndexTerms(), 1000000);
    EXPECT_EQ(config.cachedNum(), 10000);
    EXPECT_EQ(config.searchResults(), 10);
    EXPECT_EQ(config.searchSort(), 1);
    EXPECT_EQ(config.searchMemory(), 104857600);
    EXPECT_EQ(config.wordWay(), "exp:32:2");
    EXPECT_EQ(config.documentWay(), "exp:32:2");
    EXPECT_EQ(config.mergeM(), 3u);
    EXPECT_EQ(config.mergeC(), 2u);
    EXPECT_EQ(config.mergeS(), 1u);
    EXPECT_EQ(config.recycleStrategy(), 0);
    EXPECT_EQ(config.recycleParamCount(), 0);
    EXPECT_EQ(config.logLevel(), "debug");
    EXPECT_EQ(config.recreateRecords(), 10000000u);
    EXPECT_EQ(config.recreateDelPercent(), 50u);
}

TEST(GlobalConfig, UnparsableOrUnreadableFileLeavesEverythingZero)
{
    std::string dir = MakeTempDir("global");
    WriteFile(dir + "/broken.xml", "<config><index><system_status>1</system_status></index>");
    for (const std::string& path : {dir + "/broken.xml", dir /* a directory cannot be read */}) {
        CLogCapture log;
        CGlobalConfig config;
        config.load(path);
        EXPECT_TRUE(log.logged("ERROR", "global config file doesn't exist!")) << path;
        EXPECT_EQ(config.filePath(), path);
        EXPECT_EQ(config.systemStatus(), 0);
        EXPECT_EQ(config.indexMemory(), 0u);
        EXPECT_EQ(config.weekday(), 0u);
        EXPECT_EQ(config.adjustTime(), "");
        EXPECT_EQ(config.mergeC(), 0u);
        EXPECT_EQ(config.recreateDelPercent(), 0u);
        EXPECT_EQ(config.logLevel(), "");
    }
}
