// CPipeExec against real child programs: small shell scripts written here.
#include "parse/PipeExec.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using cs::parse::CPipeExec;
using namespace cs::test;

namespace {

class PipeExecTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = MakeTempDir("pipeexec"); }

    // This process must have no child left, running or unreaped.
    void TearDown() override
    {
        siginfo_t info{};
        int rc = ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT);
        EXPECT_TRUE(rc == -1 && errno == ECHILD) << "a child process was left behind";
    }

    std::string script(const std::string& name, const std::string& body)
    {
        std::string path = m_dir + "/" + name;
        WriteFile(path, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), 0755);
        return path;
    }

    // Everything the child prints, until read returns 0 or less (returned in `last`).
    static std::string readAll(CPipeExec& pipe, int& last)
    {
        std::string text;
        char buffer[101] = {};
        while ((last = pipe.read(buffer, 100)) > 0) {
            EXPECT_LE(last, CPipeExec::READ_CHUNK);
            text.append(buffer, static_cast<size_t>(last));
        }
        return text;
    }

    // A process id the script wrote into `file`.
    int pidFrom(const std::string& file)
    {
        return std::stoi(ReadFile(m_dir + "/" + file));
    }

    // Gone, or at least no longer running (a zombie of some other parent):
    // the parent of an orphan reaps it in its own time.
    static bool processEnded(int pid)
    {
        for (int i = 0; i < 200; ++i) {
            std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
            size_t close = stat.rfind(')');
            if (stat.empty() || (close != std::string::npos && stat.compare(close + 2, 1, "Z") == 0))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string m_dir;
};

TEST_F(PipeExecTest, OutputAndErrorArriveOnOnePipeInPiecesOfAtMost100Bytes)
{
    std::string warner = script("warn.sh",
                                "echo 'warning: odd input'\n"
                                "echo 'error: no text layer' >&2\n"
                                "printf '%0300d' 0\n");
    CPipeExec pipe;
    pipe.setTimeout(10);
    ASSERT_TRUE(pipe.exec(warner.c_str(), nullptr));
    int last = 1;
    std::string text = readAll(pipe, last);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(text, "warning: odd input\nerror: no text layer\n" + std::string(300, '0'));
}

TEST_F(PipeExecTest, SilentChildThatEndsGivesEndOfOutputAtOnce)
{
    std::string quiet = script("quiet.sh", "exit 0\n");
    CPipeExec pipe;
    pipe.setTimeout(10);
    ASSERT_TRUE(pipe.exec(quiet.c_str(), "in.doc", "out.txt", nullptr));
    char buffer[101] = {};
    EXPECT_EQ(pipe.read(buffer, 100), 0);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(PipeExecTest, ArgumentsReachTheChildUnchangedAndTheCommandLineIsQuoted)
{
    std::string echo = script("args.sh", "printf '<%s>\\n' \"$@\"\n");
    std::string tricky = "a $(touch " + m_dir + "/owned) `id` \"q\" 'x' b;c";
    CPipeExec pipe;
    ASSERT_TRUE(pipe.exec(echo.c_str(), "-cfg", "with space", tricky.c_str(), "", nullptr));
    EXPECT_EQ(pipe.commandLine(), "\"" + echo + "\" \"-cfg\" \"with space\" \"" + tricky + "\" \"\"");
    int last = 1;
    EXPECT_EQ(readAll(pipe, last), "<-cfg>\n<with space>\n<" + tricky + ">\n<>\n");
    EXPECT_FALSE(FileExists(m_dir + "/owned")) << "an argument went through a shell";
}

TEST_F(PipeExecTest, AtMostTwentyElementsIncludingTheProgram)
{
    // The script leaves a mark when it runs at all.
    std::string marker = script("mark.sh", "touch \"$1\"\n");
    std::string mark = m_dir + "/ran";
    const char* x = "x";
    CPipeExec pipe;
    EXPECT_FALSE(pipe.exec(marker.c_str(), mark.c_str(), x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x,
                           x, nullptr));
    EXPECT_FALSE(FileExists(mark));
    ASSERT_TRUE(pipe.exec(marker.c_str(), mark.c_str(), x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x, x,
                          nullptr));
    char buffer[101];
    EXPECT_EQ(pipe.read(buffer, 100), 0);
    EXPECT_TRUE(FileExists(mark));
}

TEST_F(PipeExecTest, ProgramThatCannotStartGivesFalseAndReadIsAnInvalidOperation)
{
    std::string notExecutable = m_dir + "/plain.sh";
    WriteFile(notExecutable, "#!/bin/sh\nexit 0\n");
    for (const std::string& program : {m_dir + "/missing", notExecutable, m_dir}) {
        CPipeExec pipe;
        pipe.setTimeout(10);
        EXPECT_FALSE(pipe.exec(program.c_str(), "a", nullptr)) << program;
        char buffer[101];
        try {
            pipe.read(buffer, 100);
            ADD_FAILURE() << "read without a child";
        } catch (const std::logic_error& error) {
            EXPECT_NE(std::string(error.what()).find("INVALID OPERATION: m_hexe != NULL && m_fd[0] != -1"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_TRUE(pipe.cleanup());
    }
}

TEST_F(PipeExecTest, NullBufferIsAnInvalidArgument)
{
    std::string quiet = script("quiet.sh", "exit 0\n");
    CPipeExec pipe;
    ASSERT_TRUE(pipe.exec(quiet.c_str(), nullptr));
    try {
        pipe.read(nullptr, 100);
        ADD_FAILURE() << "read into no buffer";
    } catch (const std::logic_error& error) {
        EXPECT_NE(std::string(error.what()).find("INVALID ARGUMENT: buf != NULL && bufsize > 0"), std::string::npos);
    }
}

TEST_F(PipeExecTest, ChildThatKeepsPrintingPastTheLimitIsKilledAtTenSeconds)
{
    std::string slow = script("slow.sh",
                              "cd \"$1\"\n"
                              "echo $$ > child.pid\n"
                              "i=0\n"
                              "while [ $i -lt 24 ]; do echo \"working $i\"; sleep 0.5; i=$((i+1)); done\n");
    CPipeExec pipe;
    pipe.setTimeout(10);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(pipe.exec(slow.c_str(), m_dir.c_str(), nullptr));
    int last = 1;
    std::string text = readAll(pipe, last);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(last, -2);
    EXPECT_GE(seconds, 9.9);
    EXPECT_LT(seconds, 13.0);   // generous: a loaded machine
    EXPECT_NE(text.find("working 0\n"), std::string::npos);
    EXPECT_EQ(text.find("working 23"), std::string::npos);
    EXPECT_TRUE(processEnded(pidFrom("child.pid")));
}

TEST_F(PipeExecTest, SilentHangIsCaughtByTheDeadlineWithWhatItStarted)
{
    // A converter that hangs without a word, with a helper of its own that
    // holds the output open as well.
    std::string hang = script("hang.sh",
                              "cd \"$1\"\n"
                              "sleep 60 & echo $! > helper.pid\n"
                              "echo $$ > child.pid\n"
                              "wait\n");
    CPipeExec pipe;
    pipe.setTimeout(2);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(pipe.exec(hang.c_str(), m_dir.c_str(), nullptr));
    char buffer[101] = {};
    EXPECT_EQ(pipe.read(buffer, 100), -2);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 5.0);
    EXPECT_TRUE(processEnded(pidFrom("child.pid")));
    EXPECT_TRUE(processEnded(pidFrom("helper.pid")));
}

TEST_F(PipeExecTest, LeftoverHelperOfAChildThatEndedIsKilled)
{
    std::string leaver = script("leave.sh",
                                "cd \"$1\"\n"
                                "sleep 60 </dev/null >/dev/null 2>&1 & echo $! > helper.pid\n");
    CPipeExec pipe;
    pipe.setTimeout(10);
    ASSERT_TRUE(pipe.exec(leaver.c_str(), m_dir.c_str(), nullptr));
    int last = 1;
    EXPECT_EQ(readAll(pipe, last), "");
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(processEnded(pidFrom("helper.pid")));
}

TEST_F(PipeExecTest, ChildThatClosesItsOutputEarlyMayFinishItsWork)
{
    // The output file is written after the pipe closed: the child gets its
    // time to end instead of being killed at the end of its output.
    std::string late = script("late.sh",
                              "exec >/dev/null 2>&1\n"
                              "sleep 0.3\n"
                              "echo done > \"$1\"\n");
    std::string output = m_dir + "/late.out";
    CPipeExec pipe;
    pipe.setTimeout(10);
    ASSERT_TRUE(pipe.exec(late.c_str(), output.c_str(), nullptr));
    char buffer[101];
    EXPECT_EQ(pipe.read(buffer, 100), 0);
    EXPECT_EQ(ReadFile(output), "done\n");
}

TEST_F(PipeExecTest, NewCommandEndsTheChildStillRunningAndCleanupIsRepeatable)
{
    std::string hang = script("hang.sh", "echo $$ > \"$1\"\nexec sleep 60\n");
    std::string pidFile = m_dir + "/first.pid";
    CPipeExec pipe;
    ASSERT_TRUE(pipe.exec(hang.c_str(), pidFile.c_str(), nullptr));
    while (ReadFile(pidFile).empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::string quiet = script("quiet.sh", "exit 0\n");
    ASSERT_TRUE(pipe.exec(quiet.c_str(), nullptr));
    EXPECT_TRUE(processEnded(pidFrom("first.pid")));
    EXPECT_TRUE(pipe.cleanup());
    EXPECT_TRUE(pipe.cleanup());
}

TEST_F(PipeExecTest, ChildSeesNoOtherDescriptorAndOurStandardOutputIsUntouched)
{
    // Opened without close-on-exec on purpose.
    std::string secret = m_dir + "/descriptor-marker";
    WriteFile(secret, "x");
    int fd = ::open(secret.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    struct stat before {};
    ASSERT_EQ(::fstat(1, &before), 0);

    CPipeExec pipe;
    ASSERT_TRUE(pipe.exec("/bin/ls", "-l", "/proc/self/fd", nullptr));
    int last = 1;
    std::string listing = readAll(pipe, last);
    ::close(fd);
    EXPECT_EQ(last, 0);
    EXPECT_NE(listing.find("pipe:"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("descriptor-marker"), std::string::npos) << listing;

    struct stat after {};
    ASSERT_EQ(::fstat(1, &after), 0);
    EXPECT_EQ(before.st_dev, after.st_dev);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

// The listing's own descriptor is closed again by the time it is checked.
std::set<int> OpenDescriptors()
{
    std::set<int> fds;
    for (const std::string& name : ListDir("/proc/self/fd")) {
        int fd = std::stoi(name);
        if (::fcntl(fd, F_GETFD) != -1)
            fds.insert(fd);
    }
    return fds;
}

TEST_F(PipeExecTest, FailedCleanupAtEndOfUseEndsTheProgramWithExitCode1)
{
    std::string hang = script("hang.sh", "exec sleep 60\n");
    EXPECT_EXIT(
        {
            std::set<int> before = OpenDescriptors();
            CPipeExec pipe;
            if (!pipe.exec(hang.c_str(), nullptr))
                std::_Exit(5);
            // Pull the pipe away behind the runner's back.
            for (int fd : OpenDescriptors())
                if (!before.count(fd))
                    ::close(fd);
        },
        ::testing::ExitedWithCode(1), "");
}

} // namespace
