// The status line of a run started from a terminal: the indexer runs with
// standard error on a pseudo-terminal and draws one line in place; with
// standard error on a file it writes nothing there at all.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <regex>

#include <gtest/gtest.h>

#include "e2e/ActivitySandbox.h"
#include "support/Corpus.h"
#include "support/IndexFiles.h"
#include "utility/Format.h"

using namespace cs::test;

namespace {

const char kGameOver[] = "congratulations, game over!\n";

struct TerminalRun {
    int exitCode = -1;
    std::string out;      // standard output, a file
    std::string screen;   // every byte written to the terminal
};

// Runs `argv` in `cwd` with standard error on a new pseudo-terminal (raw, so
// the bytes arrive as written) and standard output on a file.
TerminalRun RunOnTerminal(const std::vector<std::string>& argv, const std::string& cwd)
{
    TerminalRun run;
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return run;
    termios mode{};
    ::tcgetattr(slave, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(slave, TCSANOW, &mode);
    std::string outFile = MakeTempDir("terminal") + "/out";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        int in = ::open("/dev/null", O_RDONLY);
        int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(slave, 2);
        ::close(master);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(slave);
    // Read until every holder of the terminal's other end has closed it.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    char buffer[4096];
    for (;;) {
        pollfd poller{master, POLLIN, 0};
        if (::poll(&poller, 1, 1000) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                break;
            }
            continue;
        }
        ssize_t got = ::read(master, buffer, sizeof(buffer));
        if (got <= 0)
            break;   // EIO once the terminal has no other end
        run.screen.append(buffer, static_cast<size_t>(got));
    }
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadFile(outFile);
    return run;
}

// The figures of the last state of the line, which ends the screen.
struct StatusLine {
    long items = -1;
    std::string unit;
    std::string megabytes;
    long barrels = -1;
    long merges = -1;
    std::string summary;   // what a directory run did, in words
};

::testing::AssertionResult LastStatusLine(const std::string& screen, StatusLine& line)
{
    if (screen.empty() || screen.back() != '\n')
        return ::testing::AssertionFailure() << "the line is not ended: " << screen;
    size_t start = screen.rfind('\r');
    if (start == std::string::npos)
        return ::testing::AssertionFailure() << "no line drawn in place: " << screen;
    std::string last = screen.substr(start + 1, screen.size() - start - 2);
    static const std::regex form(
        R"((\d+) (\w+), (\d+\.\d) MB read, \d+ (\w+)/s, (\d+) barrels?, (\d+) merges?(; ([^;]*[^ ]))? *)");
    std::smatch match;
    if (!std::regex_match(last, match, form) || match[2] != match[4])
        return ::testing::AssertionFailure() << "not a status line: [" << last << "]";
    line.items = std::stol(match[1]);
    line.unit = match[2];
    line.megabytes = match[3];
    line.barrels = std::stol(match[5]);
    line.merges = std::stol(match[6]);
    line.summary = match[8];
    return ::testing::AssertionSuccess();
}

std::string Megabytes(int64_t bytes) { return cs::utility::Format("%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0)); }

} // namespace

// Files of a directory: every file counted, every byte of them read, the
// barrel of the run and the merge it brings about.
TEST(ConsoleProgressRun, OnATerminalTheDirectoryRunDrawsOneLineInPlace)
{
    CSandbox box;
    std::string source = box.dir() + "/docs";
    box.writeGlobal(box.global("<system_status>1</system_status><source>" + source + "</source>"));
    CCorpus corpus(7);
    std::vector<std::string> files = corpus.writeFiles(source, 60, 1500);
    int64_t bytes = 0;
    for (const std::string& path : files)
        bytes += static_cast<int64_t>(ReadFile(path).size());
    ASSERT_EQ(Megabytes(bytes) == "0.0", false) << "too little to show";

    // A first run without a terminal leaves a barrel the second one's merges
    // with; every file is changed after it, so the second run reads them all.
    ProcessResult first = box.run({"-d", "alpha"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    size_t logged = box.logText().size();
    TouchTree(source, 1767225600);

    TerminalRun run = RunOnTerminal({box.program(), "-d", "alpha"}, box.dir());
    ASSERT_EQ(run.exitCode, 0) << run.screen;
    EXPECT_EQ(run.out, kGameOver);
    StatusLine line;
    ASSERT_TRUE(LastStatusLine(run.screen, line));
    EXPECT_EQ(line.unit, "files");
    EXPECT_EQ(line.items, 60);
    EXPECT_EQ(line.megabytes, Megabytes(bytes));
    std::string log = box.logText().substr(logged);
    EXPECT_EQ(line.barrels, 1);
    EXPECT_EQ(static_cast<size_t>(line.merges), Occurrences(log, "index merging ended"));
    EXPECT_GE(line.merges, 1);
    EXPECT_EQ(line.summary, "60 files seen, 0 indexed, 0 unchanged, 60 updated, 0 removed, 0 dropped");
    // Only the line: no newline before the last one, and nothing else.
    EXPECT_EQ(run.screen.find('\n'), run.screen.size() - 1);
    EXPECT_EQ(run.screen[0], '\r');
    EXPECT_EQ(CheckIndex(box.indexRoot()), "");
}

// Standard error on a file (as under cron or a service): the output is what
// it always was, and standard error stays empty.
TEST(ConsoleProgressRun, WithStandardErrorOnAFileNothingIsDrawn)
{
    CSandbox box;
    std::string source = box.dir() + "/docs";
    box.writeGlobal(box.global("<system_status>1</system_status><source>" + source + "</source>"));
    CCorpus(8).writeFiles(source, 20);
    std::string errFile = box.dir() + "/stderr.txt";
    ProcessResult result = RunProcess({"/bin/sh", "-c", "exec \"$0\" -d alpha 2>\"$1\"", box.program(), errFile},
                                      box.dir());
    ASSERT_EQ(result.exitCode, 0) << ReadFile(errFile);
    EXPECT_EQ(result.out, kGameOver);
    EXPECT_EQ(ReadFile(errFile), "");
    EXPECT_EQ(result.err, "");
}

// Records of an activity database: every record the run reads is counted,
// passed over or not, and the content files are read.
TEST(ConsoleProgressRun, OnATerminalTheActivityRunCountsRecords)
{
    CScratchDatabase scratch("progress");
    CActivitySandbox box;
    box.configure();
    box.databases({scratch.name()});
    std::string expect = box.dir() + "/expect.json";
    ProcessResult generated = RunProcess({SourcePath("tools/make-activity-db"), "--env", TestDatabaseServer().envFile,
                                          "--database", scratch.name(), "--filepath", box.contentRoot(), "--records",
                                          "300", "--days", "2", "--seed", "5", "--expect", expect});
    ASSERT_EQ(generated.exitCode, 0) << generated.err;
    std::string json = ReadFile(expect);
    size_t at = json.find("\"selected\": ");   // the total, before the tables' own
    ASSERT_NE(at, std::string::npos);
    long selected = std::stol(json.substr(at + 12));

    TerminalRun run = RunOnTerminal({box.program(), "-d", scratch.name()}, box.dir());
    ASSERT_EQ(run.exitCode, 0) << run.screen;
    EXPECT_EQ(run.out, kGameOver);
    StatusLine line;
    ASSERT_TRUE(LastStatusLine(run.screen, line));
    EXPECT_EQ(line.unit, "records");
    EXPECT_EQ(line.items, selected);
    EXPECT_NE(line.megabytes, "0.0");
    EXPECT_GE(line.barrels, 1);
    EXPECT_EQ(line.summary, "");
}
