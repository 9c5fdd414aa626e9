// The index directory on real directories: name patterns, renames, the three
// opening modes, refused names and the failures of the directory walk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "store/ContentDirectory.h"
#include "support/TestSupport.h"

using cs::store::CContentDirectory;
using cs::store::CIndexInput;
using cs::store::CIndexOutput;
using cs::test::FileExists;
using cs::test::ListDir;
using cs::test::RaisedMessage;
using cs::test::ReadFile;
using cs::test::WriteFile;
using Names = std::vector<std::string>;

namespace {

// A directory holding empty files of the given names.
std::string DirWith(const Names& names)
{
    std::string dir = cs::test::MakeTempDir("dir");
    for (const std::string& name : names)
        WriteFile(dir + "/" + name, name);
    return dir;
}

} // namespace

TEST(DirectoryPatterns, PrefixAndSuffixAroundTheStar)
{
    std::string dir = DirWith({"_3.tid", "_3.del", "_30.tid", "_3", ".tmp", "a.tmp", "tmp", "x"});
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    directory.removeFiles("_3.*");
    EXPECT_EQ(ListDir(dir), (Names{".tmp", "_3", "_30.tid", "a.tmp", "tmp", "x"}));
    directory.removeFiles("*.tmp");
    EXPECT_EQ(ListDir(dir), (Names{"_3", "_30.tid", "tmp", "x"}));
    // Without a star only the identical name matches.
    directory.removeFiles("_3");
    EXPECT_EQ(ListDir(dir), (Names{"_30.tid", "tmp", "x"}));
    directory.removeFiles("*");
    EXPECT_EQ(ListDir(dir), Names{});
}

TEST(DirectoryPatterns, RenameMovesTheStarredPart)
{
    std::string dir = DirWith({"_mid_2_0_.tid", "_mid_2_0_.del", "_mid_2_01.tid", "_1.tid"});
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    cs::test::CLogCapture log;
    directory.renameFiles("_mid_2_0_.*", "_7.*");
    EXPECT_EQ(ListDir(dir), (Names{"_1.tid", "_7.del", "_7.tid", "_mid_2_01.tid"}));
    EXPECT_EQ(ReadFile(dir + "/_7.tid"), "_mid_2_0_.tid");
    EXPECT_TRUE(log.logged("INFO", "operator () rename file : " + dir + "/_mid_2_0_.tid to file : " + dir + "/_7.tid"));
}

TEST(DirectoryPatterns, TmpNamesLoseTheirSuffixAndReplaceTargets)
{
    std::string dir = DirWith({"index_status.xml.tmp", "_4.tid.tmp", "_4.fdi", "index_status.xml"});
    WriteFile(dir + "/index_status.xml", "old");
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    directory.renameFiles("*.tmp", "*");
    EXPECT_EQ(ListDir(dir), (Names{"_4.fdi", "_4.tid", "index_status.xml"}));
    EXPECT_EQ(ReadFile(dir + "/index_status.xml"), "index_status.xml.tmp");
}

TEST(DirectoryPatterns, NewNameWithoutStarIsTheSameForEveryFile)
{
    std::string dir = DirWith({"a.old", "b.old", "c.new"});
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    directory.renameFiles("*.old", "merged");
    EXPECT_EQ(ListDir(dir), (Names{"c.new", "merged"}));
}

TEST(DirectoryPatterns, SubdirectoriesOnlyWhenRecursive)
{
    std::string dir = DirWith({"a.tmp", "sub/b.tmp", "sub/deeper/c.tmp", "sub/keep"});
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    std::vector<std::string> files{"stale"};
    EXPECT_EQ(directory.listFiles(files), 1u);
    EXPECT_EQ(files, Names{dir + "/a.tmp"});
    EXPECT_EQ(directory.listFiles(files, true), 4u);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Names{dir + "/a.tmp", dir + "/sub/b.tmp", dir + "/sub/deeper/c.tmp", dir + "/sub/keep"}));

    directory.renameFiles("*.tmp", "*.bak");
    EXPECT_EQ(ListDir(dir), (Names{"a.bak", "sub"}));
    EXPECT_EQ(ListDir(dir + "/sub"), (Names{"b.tmp", "deeper", "keep"}));
    directory.renameFiles("*.tmp", "*.bak", true);
    EXPECT_EQ(ListDir(dir + "/sub/deeper"), Names{"c.bak"});
    directory.removeFiles("*.bak", true);
    EXPECT_EQ(ListDir(dir), Names{"sub"});
    EXPECT_EQ(ListDir(dir + "/sub"), (Names{"deeper", "keep"}));
    EXPECT_EQ(ListDir(dir + "/sub/deeper"), Names{});
}

TEST(DirectoryModes, OpenCreateRecreate)
{
    std::string root = cs::test::MakeTempDir("modes");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CContentDirectory d(root + "/idx", 0); }),
              "directory: " + root + "/idx/ is not exist");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CContentDirectory d("", 1); }), "directory path is empty");

    CContentDirectory created(root + "/a/b/idx", CContentDirectory::MODE_CREATE);
    EXPECT_EQ(created.getPath(), root + "/a/b/idx/");
    EXPECT_TRUE(cs::test::FileExists(root + "/a/b/idx"));

    WriteFile(root + "/a/b/idx/_0.tid", "x");
    WriteFile(root + "/a/b/idx/sub/deep/_0.del", "x");
    ASSERT_EQ(::chmod((root + "/a/b/idx/_0.tid").c_str(), 0444), 0);
    WriteFile(root + "/outside/kept", "x");
    ASSERT_EQ(::symlink((root + "/outside").c_str(), (root + "/a/b/idx/link").c_str()), 0);

    CContentDirectory opened(root + "/a/b/idx", CContentDirectory::MODE_CREATE);
    EXPECT_EQ(ListDir(root + "/a/b/idx"), (Names{"_0.tid", "link", "sub"}));

    CContentDirectory recreated(root + "/a/b/idx", CContentDirectory::MODE_RECREATE);
    EXPECT_EQ(ListDir(root + "/a/b/idx"), Names{});
    // A link is removed, never followed.
    EXPECT_EQ(ListDir(root + "/outside"), Names{"kept"});

    CContentDirectory fresh(root + "/new", CContentDirectory::MODE_RECREATE);
    EXPECT_TRUE(cs::test::FileExists(root + "/new"));

    WriteFile(root + "/plain", "x");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CContentDirectory d(root + "/plain/idx", 1); }),
              "failed to create directory: " + root + "/plain (File exists)");
}

TEST(DirectoryModes, EitherSeparatorEndsThePath)
{
    std::string root = cs::test::MakeTempDir("sep");
    CContentDirectory backslash(root + "\\", CContentDirectory::MODE_OPEN);
    EXPECT_EQ(backslash.getPath(), root + "/");
    CContentDirectory slash(root + "/", CContentDirectory::MODE_OPEN);
    EXPECT_EQ(slash.getPath(), root + "/");
    CContentDirectory letter(root, CContentDirectory::MODE_OPEN);
    EXPECT_EQ(letter.getPath(), root + "/");
    EXPECT_EQ(letter.getFullPath("_0.tid"), root + "/_0.tid");
    EXPECT_EQ(letter.getFullPath("sub\\_0.tid"), root + "/sub/_0.tid");
}

TEST(DirectoryNames, AbsoluteAndEscapingNamesAreRefused)
{
    std::string dir = cs::test::MakeTempDir("names");
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    auto refused = [&](auto call) { return RaisedMessage<std::logic_error>(call); };
    for (const std::string bad : {"/etc/passwd", "\\x", "c:x.tid", "..", "../x", "sub/../../x", "a\\..\\..\\b"}) {
        EXPECT_EQ(refused([&] { directory.getFullPath(bad); }), "INVALID ARGUMENT: check_path(path)") << bad;
        EXPECT_EQ(refused([&] { delete directory.openInput(bad); }), "INVALID ARGUMENT: check_path(name)") << bad;
        EXPECT_EQ(refused([&] { delete directory.createOutput(bad); }), "INVALID ARGUMENT: check_path(name)") << bad;
        EXPECT_EQ(refused([&] { directory.removeFile(bad); }), "INVALID ARGUMENT: check_path(name)");
        EXPECT_EQ(refused([&] { directory.fileExists(bad); }), "INVALID ARGUMENT: check_path(name)");
        EXPECT_EQ(refused([&] { directory.removeFiles(bad); }), "INVALID ARGUMENT: check_path(pattern)");
        EXPECT_EQ(refused([&] { directory.renameFile("a", bad); }),
                  "INVALID ARGUMENT: check_path(old_path) && check_path(new_path)");
        EXPECT_EQ(refused([&] { directory.renameFiles(bad, "*"); }),
                  "INVALID ARGUMENT: check_path(old_pattern) && check_path(new_pattern)");
        EXPECT_EQ(refused([&] { directory.copyFile(bad, "b"); }),
                  "INVALID ARGUMENT: check_path(src_path) && check_path(dst_path)");
        EXPECT_EQ(refused([&] { directory.copyFiles("a*", bad); }),
                  "INVALID ARGUMENT: check_path(src_pattern) && check_path(dst_pattern)");
    }
    EXPECT_EQ(refused([&] { directory.copyFile("a", "b"); }), "INVALID OPERATION: FALSE && \"not support\"");
    EXPECT_EQ(refused([&] { directory.copyFiles("a*", "b*"); }), "INVALID OPERATION: FALSE && \"not support\"");
    // Names that merely contain dots, and subdirectories, are fine.
    WriteFile(dir + "/sub/..x", "12345");
    EXPECT_EQ(directory.fileLength("sub/..x"), 5);
}

TEST(DirectoryFiles, StreamsAndFileOperations)
{
    std::string dir = cs::test::MakeTempDir("files");
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    {
        std::unique_ptr<CIndexOutput> pOut(directory.createOutput("_0.tid"));
        pOut->writeString("term");
        pOut->close();
    }
    EXPECT_TRUE(directory.fileExists("_0.tid"));
    EXPECT_FALSE(directory.fileExists("_0.did"));
    EXPECT_EQ(directory.fileLength("_0.tid"), 5);
    {
        std::unique_ptr<CIndexInput> pIn(directory.openInput("_0.tid"));
        EXPECT_EQ(pIn->readString(), "term");
        char buffer[3];
        std::unique_ptr<CIndexInput> pLent(directory.openInput("_0.tid", buffer, sizeof(buffer)));
        EXPECT_EQ(pLent->readString(), "term");
    }

    // An hour back, then touched: the time moves to now.
    timespec old[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir + "/_0.tid").c_str(), old, 0), 0);
    EXPECT_EQ(directory.fileModifiedTime("_0.tid"), old[1].tv_sec);
    directory.touchFile("_0.tid");
    EXPECT_GE(directory.fileModifiedTime("_0.tid"), old[1].tv_sec + 3000);

    cs::test::CLogCapture log;
    directory.renameFile("_0.tid", "_1.tid");
    EXPECT_TRUE(log.logged("INFO", "rename file : " + dir + "/_0.tid to file : " + dir + "/_1.tid"));
    EXPECT_EQ(ListDir(dir), Names{"_1.tid"});
    directory.removeFile("_1.tid");
    EXPECT_EQ(ListDir(dir), Names{});
}

TEST(DirectoryFailures, MissingFiles)
{
    std::string dir = cs::test::MakeTempDir("missing");
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    std::string path = dir + "/_9.tid";
    auto failure = [](auto call) { return RaisedMessage<std::runtime_error>(call); };
    EXPECT_EQ(failure([&] { directory.fileLength("_9.tid"); }),
              "failed to get file length: " + path + " (No such file or directory)");
    EXPECT_EQ(failure([&] { directory.fileModifiedTime("_9.tid"); }),
              "failed to get file attribute: " + path + " (No such file or directory)");
    EXPECT_EQ(failure([&] { directory.touchFile("_9.tid"); }),
              "failed to set file modify time: " + path + " (No such file or directory)");
    EXPECT_EQ(failure([&] { directory.removeFile("_9.tid"); }),
              "failed to remove file: " + path + " (No such file or directory)");
    EXPECT_EQ(failure([&] { directory.renameFile("_9.tid", "_8.tid"); }),
              "failed to rename " + path + " to " + dir + "/_8.tid (No such file or directory)");
    EXPECT_EQ(failure([&] { delete directory.openInput("_9.tid"); }),
              "failed to open file: " + path + " (No such file or directory)");
}

TEST(DirectoryFailures, RemovalRefusedByPermissions)
{
    cs::test::CPublicDir dir;
    WriteFile(dir.path() + "/idx/_0.tid", "x");
    WriteFile(dir.path() + "/idx/_0.del", "x");
    ASSERT_EQ(::chmod((dir.path() + "/idx/_0.del").c_str(), 0444), 0);
    ASSERT_EQ(::chmod((dir.path() + "/idx").c_str(), 0555), 0);
    std::string idx = dir.path() + "/idx/";
    cs::test::ProcessResult result = cs::test::RunForked(
        [&] {
            CContentDirectory directory(idx, CContentDirectory::MODE_OPEN);
            std::printf("%s\n",
                        RaisedMessage<std::runtime_error>([&] { directory.removeFiles("*.tid"); }).c_str());
            std::printf("%s\n",
                        RaisedMessage<std::runtime_error>([&] { directory.removeFiles("*.del"); }).c_str());
        },
        true);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "failed to remove " + idx + "_0.tid (Permission denied)\n" + "failed to chmod file: " +
                              idx + "_0.del (Operation not permitted)\n");
    EXPECT_EQ(ListDir(idx), (Names{"_0.del", "_0.tid"}));
}

TEST(DirectoryWalk, UnreadableDirectoryEndsTheProcess)
{
    cs::test::CPublicDir dir;
    WriteFile(dir.path() + "/idx/locked/_0.tid", "x");
    ASSERT_EQ(::chmod((dir.path() + "/idx/locked").c_str(), 0), 0);
    std::string idx = dir.path() + "/idx/";
    cs::test::ProcessResult result = cs::test::RunForked(
        [&] {
            CContentDirectory directory(idx, CContentDirectory::MODE_OPEN);
            std::vector<std::string> files;
            std::printf("flat: %zu\n", directory.listFiles(files, false));
            std::fflush(stdout);
            directory.listFiles(files, true);
            std::printf("not reached\n");
        },
        true);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "flat: 0\n");
    EXPECT_EQ(result.err, "failed to opendir: " + idx + "locked/ (Permission denied)\n");
}

TEST(DirectoryWalk, VanishedDirectoryEndsTheProcess)
{
    std::string dir = cs::test::MakeTempDir("vanish") + "/idx";
    CContentDirectory directory(dir, CContentDirectory::MODE_CREATE);
    ASSERT_EQ(::rmdir(dir.c_str()), 0);
    cs::test::ProcessResult result = cs::test::RunForked([&] {
        std::vector<std::string> files;
        directory.listFiles(files);
    });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "failed to opendir: " + dir + "/ (No such file or directory)\n");
}

TEST(DirectoryWalk, OverlongPathEndsTheProcess)
{
    // Built step by step below the directory, since no single path may be that long.
    std::string dir = cs::test::MakeTempDir("long");
    std::string component(200, 'd');
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    size_t length = dir.size() + 1;
    std::string tail;
    while (length + component.size() + 1 < PATH_MAX) {
        ASSERT_EQ(::mkdirat(fd, component.c_str(), 0755), 0);
        int next = ::openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        length += component.size() + 1;
        tail += component + "/";
    }
    // One entry more takes the path past the limit.
    std::string last(PATH_MAX - length, 'f');
    int file = ::openat(fd, last.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    ::close(file);
    ::close(fd);
    CContentDirectory directory(dir, CContentDirectory::MODE_OPEN);
    cs::test::ProcessResult result = cs::test::RunForked([&] {
        std::vector<std::string> files;
        directory.listFiles(files, true);
    });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err == "file name too long: " + dir + "/" + tail + last + "\n") << result.err.substr(0, 80);
    // rm walks the tree with relative steps.
    EXPECT_EQ(cs::test::RunProcess({"/bin/rm", "-rf", dir}).exitCode, 0);
}
