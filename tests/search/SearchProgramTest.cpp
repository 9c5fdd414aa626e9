// cssearch as a process: the command line, UTF-8 queries against GBK
// documents, the text and JSON output with snippets, paging, and the exit
// codes.
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
    static std::string& File()
    {
        static std::string file;
        return file;
    }
    static void SetUpTestSuite()
    {
        std::string dir = MakeTempDir("search-program");
        Dir() = dir + "/index";
        // A file whose stored abstract holds only its start: the snippet
        // comes from the file, read again.
        File() = dir + "/deep.txt";
        std::string deep;
        for (int i = 0; i < 300; ++i)
            deep += "hello world ";
        WriteFile(File(), deep + "linux " + deep);
        WriteSampleIndex(Dir(),
                         {{{"text", "全文 检索 索引"}, {"path", "/docs/甲.txt"}, {"date", "2026-12-01"},
                           {"abstract", "全文检索的索引\n第二行"}},
                          {{"text", "计算机 软件"}, {"path", "/docs/b.txt"}, {"date", "2026-12-02"}, {"abstract", "计算机软件"}},
                          {{"text", "索引 索引 数据库"}, {"path", "/docs/c.txt"}, {"date", "2026-12-03"},
                           {"abstract", "数据库的索引"}},
                          {{"text", "hello world linux"}, {"path", File()}, {"date", "2026-12-04"}, {"abstract", "hello world"}}},
                         {4}, {}, &DatedMode());
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
    // Not on a terminal, the matched words stand in brackets.
    EXPECT_NE(lines[0].find("\t2026-12-03\t/docs/c.txt\t数据库的[索引]"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\t2026-12-01\t/docs/甲.txt\t全文检索的[索引] 第二行"), std::string::npos) << lines[1];
    EXPECT_EQ(result.err, "2 of 2 matching documents shown\n");

    ProcessResult second = search({"--offset", "1", "-n", "5", "索引"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, lines[1] + "\n");
    EXPECT_EQ(second.err, "1 of 2 matching documents shown, from number 2\n");
    ProcessResult past = search({"--offset", "2", "索引"});
    EXPECT_EQ(past.exitCode, 0) << "documents matched, though none is on this page";
    EXPECT_EQ(past.out, "");
    EXPECT_EQ(past.err, "0 of 2 matching documents shown\n");
}

TEST_F(SearchProgram, AWordDeepInAFileIsInTheSnippet)
{
    // The stored abstract lacks the word; the file, read again, has it.
    ProcessResult result = search({"linux"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.find("3\t"), 0u) << result.out;
    EXPECT_NE(result.out.find("\t2026-12-04\t" + File() + "\t…"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" world [linux] hello "), std::string::npos) << result.out;
}

TEST_F(SearchProgram, JsonLinesParse)
{
    ProcessResult result = search({"--json", "-n", "1", "索引", "OR", "软件"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::string file = MakeTempDir("search-json") + "/out.json";
    WriteFile(file, result.out);
    // Each mark is a byte range of the snippet's UTF-8.
    ProcessResult parsed = RunProcess(
        {"/usr/bin/python3", "-c",
         "import json,sys\n"
         "lines=[json.loads(l) for l in open(sys.argv[1],encoding='utf-8')]\n"
         "hits,summary=lines[:-1],lines[-1]\n"
         "h=hits[0]\n"
         "words=[h['snippet'].encode()[b:e].decode() for b,e in h['marks']]\n"
         "print(len(hits), h['doc'], h['path'], h['date'], h['snippet'], words, sorted(h), summary)",
         file});
    ASSERT_EQ(parsed.exitCode, 0) << parsed.err;
    EXPECT_EQ(parsed.out,
              "1 1 /docs/b.txt 2026-12-02 计算机软件 ['软件'] ['date', 'doc', 'marks', 'path', 'score', 'snippet'] "
              "{'total': 3, 'offset': 0, 'shown': 1}\n")
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
