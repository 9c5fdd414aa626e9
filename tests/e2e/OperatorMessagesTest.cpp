// Every way the three programs can fail, as an operator meets it: the exit
// code, the one line on standard error that names the thing at fault, and the
// line the log keeps. One table; each row arranges a sandbox, runs a program
// of it as a process and checks all three.
#include <filesystem>
#include <functional>
#include <regex>

#include <gtest/gtest.h>

#include "e2e/Sandbox.h"

using namespace cs::test;

namespace {

// A sandbox with copies of cssearch and cscheck beside the indexer, a few
// documents for the directory collection, and the build's dictionary.
class CToolSandbox : public CSandbox {
public:
    CToolSandbox()
    {
        writeGlobal(global("<system_status>1</system_status><source>" + docs() + "</source>"));
        WriteFile(docs() + "/a.txt", "hello world of the index\n");
        WriteFile(docs() + "/b.txt", std::string("phrase ") + Repeat("hello world ", 300) + "\n");
        for (const auto& [from, name] : {std::pair{CS_SEARCH_PATH, "cssearch"}, std::pair{CS_CHECK_PATH, "cscheck"}})
            std::filesystem::copy_file(from, dir() + "/" + name);
    }

    static std::string Repeat(const std::string& text, size_t times)
    {
        std::string out;
        for (size_t i = 0; i < times; ++i)
            out += text;
        return out;
    }

    std::string docs() const { return dir() + "/docs"; }
    std::string contentMode() const { return conf() + "/content_mode.xml"; }

    // An index of the documents, written by the indexer of the sandbox.
    void index() const { ASSERT_EQ(run({"-d", "alpha"}).exitCode, 0); }

    // content_mode.xml from the bundled one, with `from` replaced by `to`.
    void editContentMode(const std::string& from, const std::string& to) const
    {
        std::string text = ReadFile(SourcePath("conf/content_mode.xml"));
        size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        WriteFile(contentMode(), text.replace(at, from.size(), to));
    }

    // Every log line of every program of the sandbox.
    std::string allLogs() const
    {
        std::string text;
        if (!std::filesystem::is_directory(dir() + "/log"))
            return text;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir() + "/log")) {
            if (entry.is_regular_file())
                text += ReadFile(entry.path().string());
        }
        return text;
    }
};

struct Case {
    const char* name;
    std::function<void(CToolSandbox&)> arrange;
    const char* program;              // "csindexer", "cssearch" or "cscheck"
    std::function<std::vector<std::string>(const CToolSandbox&)> args;
    int exitCode;
    const char* err;                  // pattern of the whole of standard error; "" for none
    const char* log;                  // pattern of one log line; null: nothing to look for
    std::vector<std::string> limits = {};   // prlimit options the program runs under
};

std::vector<std::string> Args(std::vector<std::string> args) { return args; }

const std::string kName = "[a-z0-9-]+: ";   // the program's name before each line

} // namespace

TEST(OperatorMessages, EveryFailureIsOneLineOnStandardErrorAndALogLine)
{
    const auto none = [](CToolSandbox&) {};
    const auto indexed = [](CToolSandbox& box) { box.index(); };
    // A query as arguments (one argument may not pass 128 KiB), which
    // cssearch joins with blanks.
    const auto search = [](std::vector<std::string> query) {
        return [query](const CToolSandbox& box) {
            std::vector<std::string> args{"-i", box.indexRoot()};
            args.insert(args.end(), query.begin(), query.end());
            return args;
        };
    };
    const std::vector<Case> cases = {
        // Command lines.
        {"unknown option", none, "csindexer", [](const CToolSandbox&) { return Args({"-x"}); }, 1,
         "unknown option -x\n", "ERROR .*unknown option -x"},
        {"word after the options", none, "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha", "extra"}); },
         1, "unexpected argument extra\n", "ERROR .*unexpected argument extra"},
        {"-d without a name", none, "csindexer", [](const CToolSandbox&) { return Args({"-d"}); }, 1,
         "-d needs a database name\n", "ERROR .*-d needs a database name"},
        {"help", none, "csindexer", [](const CToolSandbox&) { return Args({"--help"}); }, 0, "", nullptr},
        {"version", none, "cssearch", [](const CToolSandbox&) { return Args({"--version"}); }, 0, "", nullptr},
        {"mistyped search option", indexed, "cssearch",
         [](const CToolSandbox& box) { return Args({"-i", box.indexRoot(), "--jsn", "hello"}); }, 2,
         "unknown option --jsn \\(cssearch --help shows the usage\\)\n", "ERROR .*unknown option --jsn"},
        {"check option", none, "cscheck", [](const CToolSandbox&) { return Args({"--quiet"}); }, 2,
         "unknown option --quiet \\(cscheck --help shows the usage\\)\n", "ERROR .*unknown option --quiet"},
        // Configuration.
        {"misspelt collection", [](CToolSandbox& box) { box.editContentMode("directory.collection", "directory.colection"); },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "collection name is error: unknown collection identifier \"directory.colection\" \\(collection\\) in "
         "/.*/conf/content_mode.xml\n",
         "ERROR .*collection name is error: unknown collection identifier \"directory.colection\""},
        {"unknown analyser", [](CToolSandbox& box) { box.editContentMode("crc.analyzer", "crc.analyser"); }, "csindexer",
         [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "unknown analyzer identifier \"crc.analyser\" \\(mode_item user\\) in /.*/content_mode.xml\n",
         "ERROR .*unknown analyzer identifier \"crc.analyser\""},
        {"unknown indexer",
         [](CToolSandbox& box) {
             box.editContentMode("<component name=\"indexer\">text</component>",
                                 "<component name=\"indexer\">txt</component>");
         },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "unknown indexer identifier \"txt\" \\(mode_item text\\) in /.*/content_mode.xml\n",
         "ERROR .*unknown indexer identifier \"txt\""},
        {"content mode without items",
         [](CToolSandbox& box) {
             WriteFile(box.contentMode(), "<argument><collection><identifier>directory.collection</identifier>"
                                          "</collection><parser><identifier>txt.parser</identifier></parser>"
                                          "<analyzer><identifier>general.analyzer</identifier></analyzer>"
                                          "<content_mode/></argument>");
         },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "the content mode of /.*/content_mode.xml has no mode_item\n", "ERROR .*has no mode_item"},
        {"content mode not well formed", [](CToolSandbox& box) { WriteFile(box.contentMode(), "<argument>\n<collection>"); },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "contentMode configurate file can't be read: /.*/content_mode.xml \\(line 2: .*\\)\n",
         "ERROR .*contentMode configurate file can't be read"},
        {"missing dictionary", [](CToolSandbox& box) { std::filesystem::remove(box.conf() + "/dictionary.txt"); },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "build dictionary failed: /.*/conf/dictionary.txt \\(No such file or directory\\)\n",
         "ERROR .*build dictionary failed: /.*dictionary.txt \\(No such file or directory\\)"},
        {"missing global configuration", [](CToolSandbox& box) { std::filesystem::remove(box.conf() + "/global.xml"); },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 1,
         "logger: global config file not found: /.*/conf/global.xml \\(No such file or directory\\)\n", nullptr},
        {"string resource with a conversion too many",
         [](CToolSandbox& box) {
             std::string path = box.conf() + "/strres.xml";
             std::string text = ReadFile(path);
             WriteFile(path, text.replace(text.find("done: "), 6, "done: %s%n"));
         },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 0, "",
         "WARN .*string resource IDR_INDEXING_GATEWAY of .*the built-in text \"indexing database: %s, done: \" is used"},
        {"settings out of range",
         [](CToolSandbox& box) {
             box.writeGlobal(box.global("<system_status>1</system_status><source>" + box.docs() + "</source>",
                                        "<level>loud</level><maxdays>0</maxdays>"));
         },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 0, "",
         "WARN .*setting /config/log/level: given \"loud\", using info"},
        {"check of a sound configuration",
         [](CToolSandbox& box) { WriteFile(box.contentMode(), ReadFile(SourcePath("conf/content_mode.xml"))); },
         "csindexer", [](const CToolSandbox&) { return Args({"--check-config"}); },
         0, "", nullptr},
        {"check of a faulty configuration",
         [](CToolSandbox& box) { box.editContentMode("txt.parser", "text.parser"); }, "csindexer",
         [](const CToolSandbox&) { return Args({"--check-config"}); }, 1,
         "the configuration has 1 problem \\(listed on standard output\\)\n", "ERROR .*the configuration has 1 problem"},
        // Files and the index.
        {"index root not creatable",
         [](CToolSandbox& box) {
             WriteFile(box.dir() + "/file", "");
             box.writeGlobal(box.global("<system_status>1</system_status><path>" + box.dir() + "/file/index</path>"));
         },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 1,
         "CreateMutex\\(\\) failed at EnsureSingleInstance\\(\\): /.*/file/index/index.lock \\(Not a directory\\)\n",
         "ERROR .*CreateMutex\\(\\) failed at EnsureSingleInstance\\(\\): /.*/file/index/index.lock \\(Not a directory\\)"},
        {"merge of no index", [](CToolSandbox& box) { std::filesystem::create_directories(box.indexRoot()); }, "csindexer", [](const CToolSandbox&) { return Args({"-m"}); }, 255,
         "open index file failed: no readable index_status.xml in /.*/index\n", "ERROR .*open index file failed: "},
        {"merge only", indexed, "csindexer", [](const CToolSandbox&) { return Args({"-m"}); }, 1,
         "merge only \\(-m\\): the index in /.*/index is merged; this mode always ends with exit status 1\n",
         "INFO  .*merge only \\(-m\\)"},
        {"index of another version",
         [](CToolSandbox& box) {
             box.index();
             std::string path = box.indexRoot() + "/index_status.xml";
             std::string text = ReadFile(path);
             WriteFile(path, text.replace(text.find("cs.1.0.0"), 8, "cs.0.9.0"));
         },
         "csindexer", [](const CToolSandbox&) { return Args({"-d", "alpha"}); }, 255,
         "creating indexer failed: versions don't match between program and the index file : /.*/index is of "
         "version \"cs.0.9.0\", the program's is \"cs.1.0.0\"\n",
         "ERROR .*versions don't match between program and the index file : "},
        {"damaged deletions file",
         [](CToolSandbox& box) {
             box.index();
             WriteFile(box.indexRoot() + "/_0.del", std::string("\x09\x00\x00\x00\x01\x00\x00", 7));
         },
         "cscheck", [](const CToolSandbox& box) { return Args({box.indexRoot()}); }, 1,
         "1 problem found \\(listed on standard output\\)\n", "ERROR .*1 problem found"},
        {"folder of documents", none, "cscheck", [](const CToolSandbox& box) { return Args({box.docs()}); }, 2,
         "/.*/docs: holds no index \\(no index_status.xml and no barrel files\\) \\(cscheck --help shows the usage\\)\n",
         "ERROR .*/docs: holds no index"},
        // Searches past the bounds.
        {"deep parentheses", indexed, "cssearch", search({CToolSandbox::Repeat("(", 30000) + "hello"}), 2,
         "query: the query nests '\\(' and NOT deeper than 1000 levels\n", "ERROR .*deeper than 1000 levels"},
        {"NOT upon NOT", indexed, "cssearch", search({CToolSandbox::Repeat("NOT ", 25000), CToolSandbox::Repeat("NOT ", 25000) + "hello"}), 2,
         "query: the query nests '\\(' and NOT deeper than 1000 levels\n", "ERROR .*deeper than 1000 levels"},
        {"query of 1 MB", indexed, "cssearch",
         search(std::vector<std::string>(16, CToolSandbox::Repeat("hello ", 10923))), 2,
         "query: the query is 1048623 bytes long, more than the 262144 a query may have\n",
         "ERROR .*1048623 bytes long"},
        {"phrase of 600 terms", indexed, "cssearch",
         search({"\"" + CToolSandbox::Repeat("hello world ", 300) + "\""}), 0, "1 of 1 matching documents shown\n",
         nullptr, {"--nofile=64"}},
    };
    for (const Case& c : cases) {
        CToolSandbox box;
        c.arrange(box);
        std::vector<std::string> argv = c.args(box);
        argv.insert(argv.begin(), std::string(c.program) == "csindexer" ? box.program() : box.dir() + "/" + c.program);
        if (!c.limits.empty()) {
            argv.insert(argv.begin(), c.limits.begin(), c.limits.end());
            argv.insert(argv.begin(), "/usr/bin/prlimit");
        }
        ProcessResult result = RunProcess(argv, box.dir());
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << ": " << result.err;
        // The programs' own lines carry the program's name; the logger's and
        // the search count stand alone.
        std::string err = c.err;
        bool named = !err.empty() && err.rfind("logger: ", 0) != 0 && err.find("matching documents shown") == std::string::npos;
        EXPECT_TRUE(std::regex_match(result.err, std::regex((named ? kName : "") + err))) << c.name << ": " << result.err;
        if (c.log) {
            EXPECT_TRUE(std::regex_search(box.allLogs(), std::regex(std::string("(^|\n)[0-9:]+ ") + c.log)))
                << c.name << ":\n" << box.allLogs();
        }
    }
}

#if !defined(__SANITIZE_ADDRESS__)   // the sanitizer's shadow memory needs more address space than any limit here
TEST(OperatorMessages, MemoryRunningOutEndsWithTheLackOfMemoryReport)
{
    // The address space is narrowed step by step from plenty: the first
    // limit the run does not get through with is one it meets half way.
    CToolSandbox box;
    box.writeGlobal(box.global("<system_status>1</system_status><source>" + box.docs() + "</source>"));
    std::string config = ReadFile(box.conf() + "/global.xml");
    WriteFile(box.conf() + "/global.xml", config.replace(config.find("20000000"), 8, "80000000"));
    ProcessResult result;
    int64_t limit = 200 << 20;
    for (; limit > (80 << 20); limit -= 2 << 20) {
        std::filesystem::remove_all(box.indexRoot());
        result = RunProcess({"/usr/bin/prlimit", "--as=" + std::to_string(limit), box.program(), "-d", "alpha"}, box.dir());
        if (result.exitCode != 0)
            break;
    }
    ASSERT_GT(limit, 80 << 20) << "no limit made the run fail";
    EXPECT_EQ(result.exitCode, 3) << limit << ": " << result.err;
    EXPECT_TRUE(std::regex_match(result.err, std::regex("not enough memory for the index cache: 76 MiB configured in "
                                                        "/config/index/memory \\(a request for [0-9]+ bytes failed\\)\n")))
        << limit << ": " << result.err;
    EXPECT_EQ(ReadFile(box.dir() + "/errorreport.txt") + "\n", result.err);
}
#endif
