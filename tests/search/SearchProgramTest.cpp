// cssearch as a process: the command line, UTF-8 queries against GBK
// documents, the text and JSON output, and the exit codes.
#include <gtest/gtest.h>

#include "support/SampleIndex.h"
#include "support/TestSupport.h"

namespace {

using namespace cs::test;

struct SearchProgram : ::testing::Test {
    static std::string& Dir()
    {
        static std::string dir;
        return dir;
    }
    static void SetUpTestSuite()
    {
        Dir() = MakeTempDir("search-program") + "/index";
        WriteSampleIndex(Dir(),
                         {{{"text", "全文 检索 索引"}, {"path", "/docs/甲.txt"}, {"abstract", "全文检索的索引\n第二行"}},
                          {{"text", "计算机 软件"}, {"path", "/docs/b.txt"}, {"abstract", "计算机软件"}},
                          {{"text", "索引 索引 数据库"}, {"path", "/docs/c.txt"}, {"abstract", "数据库的索引"}}},
                         {3});
    }
    ProcessResult search(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {CS_SEARCH_PATH, "-i", Dir()});
        return RunProcess(arguments);
    }
};

TEST_F(SearchProgram, TextLinesBestFirst)
{
    ProcessResult result = search({"索引"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = result.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(result.out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 2u) << result.out;
    EXPECT_EQ(lines[0].substr(0, 2), "2\t") << "two occurrences rank first";
    EXPECT_NE(lines[0].find("\t/docs/c.txt\t数据库的索引"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\t/docs/甲.txt\t全文检索的索引 第二行"), std::string::npos) << lines[1];
    EXPECT_EQ(result.err, "2 of 2 matching documents shown\n");
}

TEST_F(SearchProgram, JsonLinesParse)
{
    ProcessResult result = search({"--json", "-n", "1", "索引", "OR", "软件"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string file = MakeTempDir("search-json") + "/out.json";
    WriteFile(file, result.out);
    ProcessResult parsed = RunProcess(
        {"/usr/bin/python3", "-c",
         "import json,sys\n"
         "hits=[json.loads(l) for l in open(sys.argv[1],encoding='utf-8')]\n"
         "print(len(hits), hits[0]['doc'], hits[0]['path'], hits[0]['abstract'], sorted(hits[0]))",
         file});
    ASSERT_EQ(parsed.exitCode, 0) << parsed.err;
    EXPECT_EQ(parsed.out, "1 1 /docs/b.txt 计算机软件 ['abstract', 'doc', 'path', 'score']\n")
        << "the rarer term weighs more";
}

TEST_F(SearchProgram, ExitCodes)
{
    EXPECT_EQ(search({"北京"}).exitCode, 1) << "nothing matched";
    ProcessResult query = search({"(索引"});
    EXPECT_EQ(query.exitCode, 2);
    EXPECT_EQ(query.err, "cssearch: query: unbalanced '('\n");
    ProcessResult value = search({"type:video"});
    EXPECT_EQ(value.exitCode, 2);
    EXPECT_EQ(value.err, "cssearch: 'video' is no value of field type\n");
    ProcessResult usage = RunProcess({CS_SEARCH_PATH, "索引"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.err, "cssearch: name the index with -d or -i (cssearch --help shows the usage)\n");
    ProcessResult missing = RunProcess({CS_SEARCH_PATH, "-i", Dir() + "/none", "索引"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.find("cssearch: directory: "), 0u) << missing.err;
}

} // namespace
