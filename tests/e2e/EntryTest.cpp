#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "e2e/Sandbox.h"
#include "index/IndexLock.h"
#include "utility/StringConvertor.h"

using cs::test::CSandbox;
using cs::test::FileExists;
using cs::test::ListDir;
using cs::test::ProcessResult;
using cs::test::ReadFile;
using cs::test::WriteFile;

namespace {

const char kUsage[] = "welcome to use content indexer. version 1.0.0\n"
                      "usage:process-name <-d database-name> [-r] [-m] \n"
                      "-r: recreate index\n"
                      "-m: only merge index\n";
const char kGameOver[] = "congratulations, game over!\n";

std::string Today()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[32];
    std::strftime(name, sizeof(name), "%Y-%m-%d.log", &local);
    return name;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

bool Digits(const std::string& text, size_t from, size_t count)
{
    if (from + count > text.size())
        return false;
    for (size_t i = from; i < from + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// Splits a line of the form "%02d:%02d:%02d %-5s %s:%-4d message", whose
// location is a source file's base name ("IndexWriter.cpp:336").
bool SplitLogLine(const std::string& line, std::string& level, std::string& message)
{
    if (!Digits(line, 0, 2) || line[2] != ':' || !Digits(line, 3, 2) || line[5] != ':' || !Digits(line, 6, 2) ||
        line[8] != ' ' || line.size() < 17 || line[14] != ' ')
        return false;
    level = line.substr(9, 5);
    size_t colon = line.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_.", 15);
    if (colon == std::string::npos || line[colon] != ':')
        return false;
    std::string file = line.substr(15, colon - 15);
    if (!std::regex_match(file, std::regex("[A-Za-z0-9_]+\\.(cpp|h)")))
        return false;
    size_t digitsEnd = line.find_first_not_of("0123456789", colon + 1);
    if (digitsEnd == colon + 1 || digitsEnd == std::string::npos)
        return false;
    size_t field = std::max<size_t>(digitsEnd - colon - 1, 4);   // "%-4d"
    size_t start = colon + 1 + field;
    if (start >= line.size() || line.find_first_not_of(' ', digitsEnd) < start || line[start] != ' ')
        return false;
    message = line.substr(start + 1);
    return true;
}

// A line of `level` whose message holds `piece`.
bool HasLogLine(const std::string& log, const std::string& level, const std::string& piece)
{
    std::istringstream lines(log);
    std::string line, lineLevel, message;
    while (std::getline(lines, line)) {
        if (SplitLogLine(line, lineLevel, message) && lineLevel == (level + "    ").substr(0, 5) &&
            message.find(piece) != std::string::npos)
            return true;
    }
    return false;
}

class Entry : public ::testing::Test {
protected:
    CSandbox m_box;
    std::string statusFile() const { return m_box.indexRoot() + "/index.run"; }
};

} // namespace

TEST_F(Entry, UnknownWordPrintsTheUsage)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-x"}, {"-d", "alpha", "extra"}, {"-r", "d"}}) {
        ProcessResult result = m_box.run(args);
        EXPECT_EQ(result.exitCode, 1) << args[0];
        EXPECT_EQ(result.out, kUsage);
        // The word at fault is named.
        std::string word = args.back();
        EXPECT_EQ(result.err, m_box.name() + ": " + (word[0] == '-' ? "unknown option " : "unexpected argument ") +
                                  word + "\n");
    }
    // --help and --version answer on standard output and end with 0.
    ProcessResult help = m_box.run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind(kUsage, 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    ProcessResult version = m_box.run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, m_box.name() + " version 1.0.0\n");
    EXPECT_FALSE(FileExists(statusFile()));
}

TEST_F(Entry, DatabaseOptionNeedsAName)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-d"}, {"-d", "-r"}, {"-D", "-m"}, {"-r", "-d"}}) {
        ProcessResult result = m_box.run(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "invalid database name\n");
    }
}

TEST_F(Entry, ThreadsOptionTakesOneOrTwo)
{
    const struct {
        std::vector<std::string> args;
        const char* said;
    } cases[] = {
        {{"-j"}, "-j needs a number of threads, 1 or 2"},
        {{"-d", "alpha", "-j", "3"}, "-j takes 1 or 2 threads, not 3"},
        {{"-J", "-d", "alpha"}, "-j takes 1 or 2 threads, not -d"},
    };
    for (const auto& test : cases) {
        ProcessResult result = m_box.run(test.args);
        EXPECT_EQ(result.exitCode, 1) << test.said;
        EXPECT_EQ(result.out, kUsage);
        EXPECT_EQ(result.err, m_box.name() + ": " + test.said + "\n");
    }
    EXPECT_FALSE(FileExists(statusFile()));
}

TEST_F(Entry, MergeOnlyEndsWithCodeOne)
{
    // An index with no barrels to merge (a missing one would end the process
    // through the guard).
    WriteFile(m_box.indexRoot() + "/index_status.xml",
              "<?xml version=\"1.0\"?>\n<database><version>cs.1.0.0</version><barrel_counter>0</barrel_counter>"
              "<barrel_count>0</barrel_count><barrels/><content_mode><mode_item><name>text</name><store>no</store>"
              "<index>analyze</index><components><component name=\"analyzer\">general.analyzer</component>"
              "<component name=\"analyzer_parameter\"/><component name=\"indexer\">text</component>"
              "</components><index_way>0</index_way><boost>1.00</boost></mode_item></content_mode></database>\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-m"}, {"-M"}, {"-d", "alpha", "-m"}, {"-m", "-x"}}) {
        ProcessResult result = m_box.run(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");   // later arguments are not examined
    }
    EXPECT_FALSE(FileExists(statusFile()));   // no database was run
    EXPECT_TRUE(HasLogLine(m_box.logText(), "INFO", "indexing begin"));
}

TEST_F(Entry, RunsTheNamedDatabase)
{
    ProcessResult result = m_box.run({"-D", "alpha", "-R"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kGameOver);
    EXPECT_EQ(ReadFile(statusFile()), "indexing database: Alpha, done: ");
    std::string log = m_box.logText();
    EXPECT_TRUE(HasLogLine(log, "INFO", "allocate 20000000 index memory"));
    EXPECT_LT(log.find("indexing begin"), log.find("indexing end"));

    // "all" without regard to case runs every database in file order.
    EXPECT_EQ(m_box.run({"-d", "ALL"}).exitCode, 0);
    EXPECT_EQ(ReadFile(statusFile()), "indexing database: Beta, done: ");
}

TEST_F(Entry, NameMatchesExactly)
{
    // "Alpha" is no database of the file, which holds "alpha": refused.
    ProcessResult result = m_box.run({"-d", "Alpha"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("holds no database Alpha; nothing was indexed. The configured databases: alpha, beta"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(FileExists(statusFile()));
}

TEST_F(Entry, NoArgumentsRunsOnlyNamelessEntries)
{
    ProcessResult result = m_box.run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kGameOver);
    EXPECT_FALSE(FileExists(statusFile()));

    // dbcount 2 with one name: the second entry has an empty name.
    m_box.writeDbInfo("dbcount=2\ndbname0=alpha\ndbdepict1=Nameless\n");
    EXPECT_EQ(m_box.run({}).exitCode, 0);
    EXPECT_EQ(ReadFile(statusFile()), "indexing database: Nameless, done: ");
}

TEST_F(Entry, DescriptionReachesTheStatusFileInGbk)
{
    m_box.writeDbInfo("dbcount=1\r\ndbname0=alpha\r\ndbdepict0=\xe6\xb5\x8b\xe8\xaf\x95\r\n");
    EXPECT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    EXPECT_EQ(ReadFile(statusFile()), "indexing database: \xb2\xe2\xca\xd4, done: ");
}

TEST_F(Entry, SecondCopyInTheSameHomeStepsBack)
{
    // The test holds the lock a running copy would hold.
    cs::index::CIndexLock home(m_box.dir());
    ASSERT_TRUE(home.held());
    ProcessResult result = m_box.run({"-d", "alpha"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "there is another instance already: " + m_box.dir() + " is being written by process " +
                              std::to_string(::getpid()) + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(FileExists(statusFile()));

    CSandbox other;   // another home runs
    EXPECT_EQ(other.run({"-d", "alpha"}).exitCode, 0);
}

TEST_F(Entry, StringResourcesAreRequired)
{
    std::string resources = m_box.conf() + "/strres.xml";
    for (const std::string& content : {std::string(), std::string("<string_resource><en/></string_resource>"),
                                       std::string("<string_resource><chs>")}) {
        if (content.empty())
            std::remove(resources.c_str());
        else
            WriteFile(resources, content);
        ProcessResult result = m_box.run({"-d", "alpha"});
        EXPECT_EQ(result.exitCode, 255) << content;   // -1
        EXPECT_TRUE(HasLogLine(m_box.logText(), "ERROR", "failed to load string resource: " + resources + " (")) << content;
        EXPECT_EQ(result.err.rfind(m_box.name() + ": failed to load string resource: " + resources + " (", 0), 0u)
            << result.err;
        EXPECT_FALSE(FileExists(statusFile()));
    }
}

TEST_F(Entry, NoConfiguredDatabaseEndsWithTheFatalReport)
{
    std::string text = "no database yet: 100% of %s and %d stay as they are";
    WriteFile(m_box.conf() + "/strres.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><string_resource><chs><IDR_LACK_MEMORY>m %u</IDR_LACK_MEMORY>"
              "<IDR_NEED_CONFIGDB>" + text + "</IDR_NEED_CONFIGDB></chs></string_resource>");
    for (const char* dbinfo : {"dbcount=0\ndbname0=alpha", "host=h", "dbcount=-1"}) {
        std::remove((m_box.dir() + "/errorreport.txt").c_str());
        m_box.writeDbInfo(dbinfo);
        ProcessResult result = m_box.run({"-d", "alpha"});
        EXPECT_EQ(result.exitCode, 3) << dbinfo;
        EXPECT_EQ(result.err, text + "\n");
        EXPECT_EQ(ReadFile(m_box.dir() + "/errorreport.txt"), text);
        EXPECT_TRUE(HasLogLine(m_box.logText(), "ERROR", text));
    }
}

TEST_F(Entry, UnreadableDatabaseInformationIsAnError)
{
    for (const char* dbinfo : {"dbcount=1\n\ndbname0=alpha\n", "", "no pairs here"}) {
        m_box.writeDbInfo(dbinfo);
        ProcessResult result = m_box.run({"-d", "alpha"});
        EXPECT_EQ(result.exitCode, 255);
        std::string log = m_box.logText();
        EXPECT_TRUE(HasLogLine(log, "ERROR", "set config information error!"));
        EXPECT_TRUE(HasLogLine(log, "ERROR", "read global config failed: " + m_box.conf() + "/dbinfo.txt (file: "));
    }
    std::remove((m_box.conf() + "/dbinfo.txt").c_str());
    EXPECT_EQ(m_box.run({"-d", "alpha"}).exitCode, 255);
    EXPECT_TRUE(HasLogLine(m_box.logText(), "ERROR", "open db info config error!"));
}

TEST_F(Entry, SwitchedOffIndexingSkipsEveryDatabase)
{
    m_box.writeGlobal(m_box.global(""));   // no system_status
    ProcessResult result = m_box.run({"-d", "all"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kGameOver);
    EXPECT_FALSE(FileExists(statusFile()));
    std::string log = m_box.logText();
    size_t first = log.find("system has been forbidden \n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("system has been forbidden \n", first + 1), std::string::npos);   // at each database
}

TEST_F(Entry, LogLinesGoToTheDayFileOfTheProgram)
{
    std::string before = Today();
    EXPECT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    std::string after = Today();
    std::vector<std::string> files = ListDir(m_box.logDir());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0] == before || files[0] == after) << files[0];
    std::istringstream lines(m_box.logText());
    std::string text, level, message;
    int count = 0;
    while (std::getline(lines, text)) {
        // The database file echo runs over several lines; every other line has a header.
        if (text.empty() || text.find('=') != std::string::npos || text.find("db config information") == 0)
            continue;
        ASSERT_TRUE(SplitLogLine(text, level, message)) << text;
        EXPECT_TRUE(level == "DEBUG" || level == "INFO " || level == "WARN " || level == "ERROR") << text;
        ++count;
    }
    EXPECT_GE(count, 3);
}

TEST_F(Entry, OldDayFilesAreRemovedBeyondTheDaysToKeep)
{
    for (const std::string maxdays : {"7", "400"}) {
        std::string dir = m_box.logDir();
        for (const std::string& name : ListDir(dir))
            std::remove((dir + name).c_str());
        for (int day = 1; day <= 10; ++day)
            WriteFile(dir + "2000-01-" + (day < 10 ? "0" : "") + std::to_string(day) + ".log", "old\n");
        WriteFile(dir + "notes.txt", "");
        WriteFile(dir + "2000-01-01.log.bak", "");
        m_box.writeGlobal(m_box.global("<system_status>1</system_status>",
                                       "<level>debug</level><maxdays>" + maxdays + "</maxdays>"));
        EXPECT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
        std::vector<std::string> expected{"2000-01-01.log.bak", "2000-01-05.log", "2000-01-06.log", "2000-01-07.log",
                                          "2000-01-08.log",     "2000-01-09.log", "2000-01-10.log", Today(),
                                          "notes.txt"};
        std::vector<std::string> left = ListDir(dir);
        EXPECT_EQ(left, expected) << maxdays;
    }
}

TEST_F(Entry, LogLevelFiltersLines)
{
    struct Case {
        const char* level;
        bool debug;
        bool info;
    };
    for (const Case& c : {Case{"<level>WARN</level>", false, false}, Case{"<level>2</level>", false, true},
                          Case{"<level>chatty</level>", false, true}, Case{"", true, true}}) {
        CSandbox box;
        box.writeGlobal(box.global("<system_status>1</system_status>", c.level));
        EXPECT_EQ(box.run({"-d", "alpha"}).exitCode, 0);
        std::string log = box.logText();
        EXPECT_EQ(HasLogLine(log, "INFO", "indexing begin"), c.info) << c.level;
        EXPECT_EQ(HasLogLine(log, "DEBUG", ""), c.debug) << c.level;
    }
}

TEST_F(Entry, GlobalConfigurationMissingOrUnparsableStopsAtTheFirstLogLine)
{
    std::string global = m_box.conf() + "/global.xml";
    for (const std::string& content : {std::string(), std::string("<config><index>")}) {
        if (content.empty())
            std::remove(global.c_str());
        else
            WriteFile(global, content);
        ProcessResult result = m_box.run({"-d", "alpha"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, content.empty() ? "logger: global config file not found: " + global +
                                                    " (No such file or directory)\n"
                                              : "logger: global config file format wrong: " + global +
                                                    " (line 1: Premature end of data in tag index line 1)\n");
        EXPECT_EQ(result.out, "");
    }
    std::remove(global.c_str());
    std::filesystem::create_directory(global);   // unreadable
    EXPECT_EQ(m_box.run({"-d", "alpha"}).err, "logger: global config file format wrong: " + global + " (Is a directory)\n");
}

TEST_F(Entry, LogDirectoryIsCreatedOneLevelOnly)
{
    std::string logDir = m_box.dir() + "/no/such/log/";
    m_box.writeGlobal(Replace(m_box.global(), "<path>" + m_box.dir() + "/log</path>", "<path>" + logDir + "</path>"));
    ProcessResult result = m_box.run({"-d", "alpha"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "logger: failed to create log directory: " + logDir + " (No such file or directory)\n");
}

TEST_F(Entry, MalformedPathConfigurationStopsTheProgram)
{
    std::string file = m_box.dir() + "/pathconfig.xml";
    m_box.writePathConfig("<pathconfig><root>conf</root>");
    ProcessResult result = m_box.run({"-d", "alpha"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "logger: failed to parse " + file + "\n");

    m_box.writePathConfig("<pathconfig><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH></pathconfig>");
    result = m_box.run({"-d", "alpha"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "logger: pathconfig.xml format wrong\n");

    std::remove(file.c_str());
    result = m_box.run({"-d", "alpha"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "logger: not found pathconfig.xml\n");
}

TEST_F(Entry, PathConfigurationOfTheCurrentDirectoryWithARelativeRoot)
{
    // The checkout's layout: pathconfig.xml in the current directory, root "conf/".
    std::string work = m_box.dir() + "/work";
    std::filesystem::create_directories(work);
    std::filesystem::rename(m_box.conf(), work + "/conf");
    std::filesystem::rename(m_box.dir() + "/pathconfig.xml", work + "/pathconfig.xml");
    WriteFile(work + "/pathconfig.xml", Replace(ReadFile(work + "/pathconfig.xml"), "<root>" + m_box.conf() + "</root>",
                                                "<root>conf/</root>"));
    ProcessResult result = cs::test::RunProcess({m_box.program(), "-d", "alpha"}, work);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(statusFile()), "indexing database: Alpha, done: ");
}

TEST_F(Entry, SmallIndexMemoryIsRaisedTo10MiB)
{
    m_box.writeGlobal(Replace(m_box.global(), "<memory>20000000</memory>", "<memory>5000000</memory>"));
    EXPECT_EQ(m_box.run({"-d", "alpha"}).exitCode, 0);
    std::string log = m_box.logText();
    EXPECT_TRUE(HasLogLine(log, "INFO", "the value inf /config/index/memory is less than 10M. Use 10M"));
    EXPECT_TRUE(HasLogLine(log, "INFO", "allocate 10485760 index memory"));
}
