// Temporary files, copies and renames of the platform layer on a real file system.
#include "platform/Env.h"

#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace cs::platform;
using namespace cs::test;

namespace {

// Sets TMPDIR for one test and puts the old value back.
class CTmpDirSetting {
public:
    explicit CTmpDirSetting(const char* value)
    {
        if (const char* old = std::getenv("TMPDIR"))
            m_old = old, m_had = true;
        if (value)
            ::setenv("TMPDIR", value, 1);
        else
            ::unsetenv("TMPDIR");
    }
    ~CTmpDirSetting()
    {
        if (m_had)
            ::setenv("TMPDIR", m_old.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::string m_old;
    bool m_had = false;
};

TEST(TempDirectoryTest, TmpdirWhenItIsADirectoryElseTmp)
{
    std::string dir = MakeTempDir("tmpdir");
    std::string found;
    {
        CTmpDirSetting setting(dir.c_str());
        ASSERT_TRUE(Env().tempDirectory(found));
        EXPECT_EQ(found, dir + "/");
    }
    {
        CTmpDirSetting setting((dir + "/").c_str());
        ASSERT_TRUE(Env().tempDirectory(found));
        EXPECT_EQ(found, dir + "/");
    }
    for (const char* unusable : std::initializer_list<const char*>{"", "/no/such/directory", nullptr}) {
        CTmpDirSetting setting(unusable);
        ASSERT_TRUE(Env().tempDirectory(found));
        EXPECT_EQ(found, "/tmp/");
    }
    WriteFile(dir + "/file", "x");
    CTmpDirSetting setting((dir + "/file").c_str());
    ASSERT_TRUE(Env().tempDirectory(found));
    EXPECT_EQ(found, "/tmp/");
}

TEST(TempFileTest, UniqueEmptyPrivateFilesWithPrefixAndTmpEnding)
{
    std::string dir = MakeTempDir("tempfile");
    std::string first, second;
    ASSERT_TRUE(Env().createTempFile(dir, "~docex", first));
    ASSERT_TRUE(Env().createTempFile(dir + "/", "~docex", second));
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        ASSERT_EQ(path.size(), dir.size() + 1 + 6 + 6 + 4) << path;
        EXPECT_EQ(path.compare(0, dir.size() + 7, dir + "/~docex"), 0) << path;
        EXPECT_EQ(path.substr(path.size() - 4), ".tmp");
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    EXPECT_EQ(ListDir(dir).size(), 2u);

    std::string path;
    EXPECT_FALSE(Env().createTempFile(dir + "/missing", "~ex", path));
    EXPECT_EQ(errno, ENOENT);
}

TEST(CopyFileTest, CopiesEveryByteAndNeverOverwrites)
{
    std::string dir = MakeTempDir("copy");
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += static_cast<char>(i * 7 % 256);   // NULs and high bytes, several buffers long
    WriteFile(dir + "/report.bin", content);

    ASSERT_TRUE(Env().copyFileNoReplace(dir + "/report.bin", dir + "/report.bin.doc"));
    EXPECT_EQ(ReadFile(dir + "/report.bin.doc"), content);

    WriteFile(dir + "/taken.doc", "someone else's");
    EXPECT_FALSE(Env().copyFileNoReplace(dir + "/report.bin", dir + "/taken.doc"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFile(dir + "/taken.doc"), "someone else's");

    EXPECT_FALSE(Env().copyFileNoReplace(dir + "/missing.bin", dir + "/missing.bin.doc"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(FileExists(dir + "/missing.bin.doc"));

    // A source that cannot be read through (a directory) leaves no target.
    EXPECT_FALSE(Env().copyFileNoReplace(dir, dir + "/dir.doc"));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(FileExists(dir + "/dir.doc"));
}

TEST(MoveFileTest, RenamesUnlessTheNameIsTaken)
{
    std::string dir = MakeTempDir("move");
    WriteFile(dir + "/~docexAb12Cd.tmp", "input");
    ASSERT_TRUE(Env().moveFileNoReplace(dir + "/~docexAb12Cd.tmp", dir + "/~docexAb12Cd.doc"));
    EXPECT_FALSE(FileExists(dir + "/~docexAb12Cd.tmp"));
    EXPECT_EQ(ReadFile(dir + "/~docexAb12Cd.doc"), "input");

    WriteFile(dir + "/other.tmp", "other");
    EXPECT_FALSE(Env().moveFileNoReplace(dir + "/other.tmp", dir + "/~docexAb12Cd.doc"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFile(dir + "/other.tmp"), "other");
    EXPECT_EQ(ReadFile(dir + "/~docexAb12Cd.doc"), "input");
}

} // namespace
