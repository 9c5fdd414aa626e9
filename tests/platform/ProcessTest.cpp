// Child processes and pipes of the platform layer.
#include "platform/Platform.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace cs::platform;

namespace {

TEST(PipeTest, EndsAreCloseOnExecAndAboveTheStandardDescriptors)
{
    // With standard input closed the kernel would hand out descriptor 0.
    int savedInput = ::dup(0);
    ASSERT_GE(savedInput, 0);
    ::close(0);
    int fds[2] = {-1, -1};
    bool created = CreatePipe(fds);
    ::dup2(savedInput, 0);
    ::close(savedInput);
    ASSERT_TRUE(created);
    for (int fd : fds) {
        EXPECT_GT(fd, 2);
        EXPECT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    }
    EXPECT_TRUE(CloseDescriptor(fds[0]));
    EXPECT_TRUE(CloseDescriptor(fds[1]));
    EXPECT_FALSE(CloseDescriptor(fds[1]));
}

TEST(ChildTest, FailedStartGivesZeroAndTheReason)
{
    int fds[2];
    ASSERT_TRUE(CreatePipe(fds));
    EXPECT_EQ(StartChild({"/no/such/program"}, fds[1]), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(StartChild({"no-such-program-on-the-path"}, fds[1]), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(StartChild({}, fds[1]), 0);
    EXPECT_EQ(errno, EINVAL);
    CloseDescriptor(fds[0]);
    CloseDescriptor(fds[1]);
}

TEST(ChildTest, ProgramOnThePathRunsAndIsWaitedFor)
{
    int fds[2];
    ASSERT_TRUE(CreatePipe(fds));
    int pid = StartChild({"sh", "-c", "echo out; echo err >&2; sleep 0.2"}, fds[1]);
    CloseDescriptor(fds[1]);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitChildEnd(pid, 0), 0);
    std::string text;
    char buffer[64];
    while (WaitReadable(fds[0], 5000) == 1) {
        long n = ReadSome(fds[0], buffer, sizeof(buffer));
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ(text, "out\nerr\n");
    EXPECT_EQ(WaitChildEnd(pid, 5000), 1);
    EXPECT_EQ(WaitChildEnd(pid, 0), 1);   // not reaped by waiting
    EXPECT_TRUE(KillAndReapChild(pid));
    CloseDescriptor(fds[0]);
}

TEST(ChildTest, ReadableWaitTimesOutOnASilentPipe)
{
    int fds[2];
    ASSERT_TRUE(CreatePipe(fds));
    int64_t start = MonotonicMillis();
    EXPECT_EQ(WaitReadable(fds[0], 150), 0);
    int64_t waited = MonotonicMillis() - start;
    EXPECT_GE(waited, 150);
    EXPECT_LT(waited, 1000);
    CloseDescriptor(fds[1]);
    EXPECT_EQ(WaitReadable(fds[0], 1000), 1);   // the writer has gone
    char byte;
    EXPECT_EQ(ReadSome(fds[0], &byte, 1), 0);
    CloseDescriptor(fds[0]);
}

} // namespace
