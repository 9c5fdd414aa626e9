#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "support/TestSupport.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

using namespace cs::utility;
using cs::test::CLogCapture;
using cs::test::MakeTempDir;

TEST(OsUtility, ProgramPathNameAndDirectory)
{
    EXPECT_EQ(GetAppFileName(), "test_utility");
    EXPECT_EQ(GetAppDir() + GetAppFileName(), GetAppFilePath());
    EXPECT_EQ(GetAppDir().back(), '/');
}

TEST(OsUtility, DiskSpaceOfAPathThatDoesNotExistYet)
{
    std::string dir = MakeTempDir("disk");
    int64_t existing = GetDiskSpace(dir);
    EXPECT_GT(existing, 0);
    // Other processes may write meanwhile; the same file system answers.
    EXPECT_NEAR(static_cast<double>(GetDiskSpace(dir + "/not/yet/there")), static_cast<double>(existing), 256.0);
    EXPECT_NEAR(static_cast<double>(GetDiskSpace(dir + "\\not\\there")), static_cast<double>(existing), 256.0);
    EXPECT_GT(GetDiskSpace("relative-not-there/x"), 0);
    EXPECT_GT(GetDiskSpace("d"), 0);   // no drive letter needed
}

TEST(OsUtility, LastErrorText)
{
    ASSERT_TRUE(CStringResource::instance().load(cs::test::TestRoot() + "/strres.xml"));
    errno = 0;
    EXPECT_EQ(GetLastErrorText(), "");
    errno = ENOENT;
    EXPECT_EQ(GetLastErrorText(), std::strerror(ENOENT));
    errno = ENOSPC;   // a full disk speaks the operator's language
    EXPECT_EQ(GetLastErrorText(), CStringResource::instance().get("IDR_LACK_DISKSPACE"));
}

TEST(OsUtility, CreateDirectoryPrefixes)
{
    std::string dir = MakeTempDir("prefixes");
    CreateDirectoryPrefixes(dir + "/a/b/c");
    EXPECT_TRUE(cs::test::FileExists(dir + "/a/b/c"));
    CreateDirectoryPrefixes(dir + "/x/y/");
    EXPECT_TRUE(cs::test::FileExists(dir + "/x/y"));
    // A file in the way is not reported here.
    cs::test::WriteFile(dir + "/file", "");
    CreateDirectoryPrefixes(dir + "/file/sub");
    EXPECT_FALSE(cs::test::FileExists(dir + "/file/sub"));
}

TEST(OsUtility, FatalReportKeepsTheTextUnchanged)
{
    std::string text = "100% sure: %s %d\nsecond line";
    std::string report = GetAppDir() + "errorreport.txt";
    CLogCapture log;
    EXPECT_EXIT(DumpLastError(text), ::testing::ExitedWithCode(3), "^100% sure: %s %d\nsecond line\n$");
    EXPECT_EQ(cs::test::ReadFile(report), text);
    EXPECT_TRUE(log.logged("ERROR", "100% sure: %s %d"));
    std::remove(report.c_str());
}

TEST(OsUtility, HardwareFaultIsLoggedAndEndsWithMinusOne)
{
    for (int signal : {SIGSEGV, SIGFPE}) {
        CLogCapture log;
        EXPECT_EXIT(
            {
                InstallProcessFaultHandlers();
                std::raise(signal);
            },
            ::testing::ExitedWithCode(255), "");
        EXPECT_TRUE(log.logged("ERROR", "os exception: SEH exception")) << signal;
    }
}
