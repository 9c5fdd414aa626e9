#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Env.h"
#include "platform/Platform.h"
#include "support/TestSupport.h"

using namespace cs::platform;
using cs::test::MakeTempDir;
using cs::test::ReadFile;
using cs::test::WriteFile;

// A lock belongs to the open file: a second opening, even in the same
// process, is refused and learns the holder from the file, which it leaves
// alone; a reader finds the holder without taking the lock; closing frees it.
TEST(Platform, AFileLockExcludesASecondHolderUntilTheFirstCloses)
{
    const std::string path = MakeTempDir("lock") + "/index.lock";
    const std::string self = std::to_string(::getpid()) + "\n";
    EXPECT_EQ(Env().lockHolder(path), 0);
    WriteFile(path, "123456789\n");   // a longer id of an earlier holder
    int holder = 0;
    int fd = Env().lockFile(path, holder);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadFile(path), self);
    EXPECT_EQ(Env().lockHolder(path), ::getpid());
    EXPECT_EQ(Env().lockFile(path, holder), -1);
    EXPECT_EQ(LastErrorCode(), EWOULDBLOCK);
    EXPECT_EQ(holder, ::getpid());
    EXPECT_EQ(ReadFile(path), self);
    ASSERT_TRUE(Env().closeFile(fd));
    EXPECT_EQ(Env().lockHolder(path), 0);
    fd = Env().lockFile(path, holder);
    EXPECT_GE(fd, 0);
    Env().closeFile(fd);

    EXPECT_EQ(Env().lockFile(path + "/index.lock", holder), -1);
    EXPECT_EQ(LastErrorCode(), ENOTDIR);
}

TEST(Platform, ModulePathIsTheRunningProgram)
{
    std::string path;
    ASSERT_TRUE(ModuleFilePath(path));
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "test_platform");
    EXPECT_TRUE(Env().pathAccessible(path));
}

TEST(Platform, FreeSpaceOfTheNearestExistingDirectory)
{
    std::string dir = MakeTempDir("space");
    uint64_t existing = 0;
    uint64_t below = 0;
    ASSERT_TRUE(Env().freeDiskSpaceMiB(dir, existing));
    ASSERT_TRUE(Env().freeDiskSpaceMiB(dir + "/a/b/c.txt", below));
    EXPECT_NEAR(static_cast<double>(below), static_cast<double>(existing), 256.0);
    WriteFile(dir + "/file", "x");
    ASSERT_TRUE(Env().freeDiskSpaceMiB(dir + "/file/below", below));   // a file on the way
    EXPECT_NEAR(static_cast<double>(below), static_cast<double>(existing), 256.0);
}

TEST(Platform, StatusFileWritesAreWholeOrFail)
{
    std::string path = MakeTempDir("files") + "/status";
    WriteFile(path, "old content that is longer");
    int fd = Env().createTruncated(path);
    ASSERT_NE(fd, -1);
    EXPECT_TRUE(Env().writeAll(fd, "new", 3));
    EXPECT_TRUE(Env().commitFile(fd));
    EXPECT_TRUE(Env().closeFile(fd));
    EXPECT_EQ(ReadFile(path), "new");
    // A new file is for its owner only.
    int fresh = Env().createTruncated(path + ".new");
    ASSERT_NE(fresh, -1);
    Env().closeFile(fresh);
    struct stat st {};
    ASSERT_EQ(::stat((path + ".new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << std::oct << st.st_mode;

    int full = Env().createTruncated("/dev/full");
    ASSERT_NE(full, -1);
    EXPECT_FALSE(Env().writeAll(full, "x", 1));
    EXPECT_TRUE(IsDiskFullError(LastErrorCode()));
    Env().closeFile(full);

    EXPECT_EQ(Env().createTruncated(MakeTempDir("files") + "/no/dir/file"), -1);
}

TEST(Platform, PositionedWritesAndReadsLeaveTheDescriptorWhereItWas)
{
    std::string path = MakeTempDir("files") + "/positioned";
    int fd = Env().createTruncated(path);
    ASSERT_NE(fd, -1);
    EXPECT_TRUE(Env().writeAll(fd, "head", 4));
    EXPECT_TRUE(Env().writeAllAt(fd, "XY", 2, 1));
    EXPECT_TRUE(Env().writeAllAt(fd, "tail", 4, 10));   // past the end: a hole of zero bytes
    EXPECT_TRUE(Env().writeAll(fd, "!", 1));            // goes on where the plain writes stopped
    EXPECT_TRUE(Env().closeFile(fd));
    EXPECT_EQ(ReadFile(path), std::string("hXYd!\0\0\0\0\0tail", 14));

    int in = Env().openFileForRead(path);
    ASSERT_NE(in, -1);
    char bytes[16] = {};
    EXPECT_EQ(Env().readFileDataAt(in, bytes, 4, 10), 4);
    EXPECT_EQ(std::string(bytes, 4), "tail");
    EXPECT_EQ(Env().readFileDataAt(in, bytes, 8, 12), 2);   // the file ends first
    EXPECT_EQ(std::string(bytes, 2), "il");
    EXPECT_EQ(Env().readFileDataAt(in, bytes, 4, 14), 0);
    EXPECT_EQ(Env().readFileData(in, bytes, 3), 3);          // the descriptor never moved
    EXPECT_EQ(std::string(bytes, 3), "hXY");
    Env().closeFile(in);

    int full = Env().createTruncated("/dev/full");
    ASSERT_NE(full, -1);
    EXPECT_FALSE(Env().writeAllAt(full, "x", 1, 0));
    EXPECT_TRUE(IsDiskFullError(LastErrorCode()));
    Env().closeFile(full);
    EXPECT_EQ(Env().readFileDataAt(-1, bytes, 1, 0), -1);
}

TEST(Platform, FileDataIsCopiedBetweenOffsetsWithoutMovingTheDescriptors)
{
    std::string dir = MakeTempDir("files");
    std::string data(300000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    WriteFile(dir + "/source", data);
    int in = Env().openFileForRead(dir + "/source");
    int out = Env().createTruncated(dir + "/target");
    ASSERT_NE(in, -1);
    ASSERT_NE(out, -1);
    EXPECT_TRUE(Env().writeAll(out, "head", 4));
    EXPECT_EQ(Env().copyFileData(in, 1000, out, 4, 250000), 250000);
    EXPECT_EQ(Env().copyFileData(in, 299990, out, 250004, 100), 10);   // the source ends first
    EXPECT_EQ(Env().copyFileData(in, 300000, out, 250014, 100), 0);
    EXPECT_TRUE(Env().writeAll(out, "!", 1));   // the descriptor stayed after "head"
    char bytes[4] = {};
    EXPECT_EQ(Env().readFileData(in, bytes, 4), 4);
    EXPECT_EQ(std::string(bytes, 4), data.substr(0, 4));
    Env().closeFile(in);
    Env().closeFile(out);
    EXPECT_EQ(ReadFile(dir + "/target"), "head!" + data.substr(1001, 249999) + data.substr(299990));
    EXPECT_EQ(Env().copyFileData(-1, 0, -1, 0, 10), 0);
}

TEST(Platform, WritebackStartsOnFilesOnly)
{
    std::string path = MakeTempDir("files") + "/written";
    int fd = Env().createTruncated(path);
    ASSERT_NE(fd, -1);
    std::string data(1 << 20, 'w');
    EXPECT_TRUE(Env().writeAll(fd, data.data(), data.size()));
    EXPECT_TRUE(Env().startWriteback(fd, 0, static_cast<int64_t>(data.size())));
    EXPECT_TRUE(Env().startWriteback(fd, 4096, 100));
    EXPECT_TRUE(Env().commitFile(fd));
    EXPECT_TRUE(Env().closeFile(fd));
    EXPECT_EQ(ReadFile(path), data);
    EXPECT_FALSE(Env().startWriteback(-1, 0, 1));
    EXPECT_EQ(LastErrorCode(), EBADF);
    int pipe[2];
    ASSERT_TRUE(CreatePipe(pipe));
    EXPECT_FALSE(Env().startWriteback(pipe[1], 0, 1));
    CloseDescriptor(pipe[0]);
    CloseDescriptor(pipe[1]);
}

TEST(Platform, MoveReplacesTheTarget)
{
    std::string dir = MakeTempDir("move");
    WriteFile(dir + "/a", "new");
    WriteFile(dir + "/b", "old");
    EXPECT_TRUE(Env().moveFileReplace(dir + "/a", dir + "/b"));
    EXPECT_EQ(ReadFile(dir + "/b"), "new");
    EXPECT_FALSE(Env().pathAccessible(dir + "/a"));
    EXPECT_FALSE(Env().moveFileReplace(dir + "/a", dir + "/c"));
    EXPECT_TRUE(Env().removeFile(dir + "/b"));
    EXPECT_FALSE(Env().removeFile(dir + "/b"));
}

TEST(Platform, DirectoriesAndListing)
{
    std::string dir = MakeTempDir("list");
    EXPECT_TRUE(Env().createOneDirectory(dir + "/sub"));
    EXPECT_FALSE(Env().createOneDirectory(dir + "/x/y"));   // one level only
    EXPECT_TRUE(Env().isDirectory(dir + "/sub"));
    WriteFile(dir + "/file.log", "12345");
    ASSERT_EQ(::symlink((dir + "/sub").c_str(), (dir + "/link").c_str()), 0);
    ASSERT_EQ(::symlink((dir + "/file.log").c_str(), (dir + "/file-link").c_str()), 0);
    EXPECT_FALSE(Env().isDirectory(dir + "/file.log"));

    std::unique_ptr<CDirListing> pListing = Env().listDirectory(dir);
    ASSERT_TRUE(pListing);
    std::map<std::string, DirEntry> seen;
    DirEntry entry;
    bool statFailed = true;
    while (pListing->next(entry, statFailed)) {
        EXPECT_FALSE(statFailed);
        seen[entry.name] = entry;
    }
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen["sub"].isDirectory);
    EXPECT_FALSE(seen["file.log"].isDirectory);
    EXPECT_TRUE(seen["link"].isSymlink);
    EXPECT_FALSE(seen["link"].isDirectory);   // links are not followed

    // What tells versions apart: the entry's own, or through a link its target's.
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/file.log").c_str(), &st), 0);
    const FileStatus& listed = seen["file.log"].status;
    EXPECT_EQ(listed.size, 5);
    EXPECT_EQ(listed.inode, st.st_ino);
    EXPECT_EQ(listed.modifiedNs, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec);
    EXPECT_NE(seen["file-link"].status.inode, st.st_ino);
    FileStatus followed;
    ASSERT_TRUE(Env().fileStatus(dir + "/file-link", followed));
    EXPECT_EQ(followed.inode, st.st_ino);
    EXPECT_EQ(followed.size, 5);
    EXPECT_FALSE(Env().fileStatus(dir + "/absent", followed));

    EXPECT_FALSE(Env().listDirectory(dir + "/absent"));
}
