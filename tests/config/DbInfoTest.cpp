#include <gtest/gtest.h>

#include "config/DbInfo.h"
#include "support/TestSupport.h"

using cs::test::CLogCapture;
using cs::test::MakeTempDir;
using cs::test::WriteFile;
using cs::utility::CDbInfo;

namespace {

std::string Write(const std::string& content)
{
    std::string path = MakeTempDir("dbinfo") + "/dbinfo.txt";
    WriteFile(path, content);
    return path;
}

} // namespace

TEST(DbInfo, ReadsEveryKey)
{
    CDbInfo info(Write("\n\n  dbcount = 2\r\ndbname0=activity\r\ndbdepict0=\xe6\xb5\x8b\xe8\xaf\x95\r\n"
                       "dbname1=archive\r\ndbdepict1=old records\r\nhost=127.0.0.1\r\nport= 3307 \r\n"
                       "user=indexer\r\npassword=a=b=c\r\nfilepath=/var/capture/\r\n\r\n\n"));
    ASSERT_TRUE(info.read());
    EXPECT_EQ(info.dbCount(), 2);
    EXPECT_EQ(info.host(), "127.0.0.1");
    EXPECT_EQ(info.port(), 3307);
    EXPECT_EQ(info.user(), "indexer");
    EXPECT_EQ(info.password(), "a=b=c");   // everything after the first "="
    EXPECT_EQ(info.filePath(), "/var/capture/");
    std::vector<CDbInfo::Database> list = info.databaseList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "activity");
    EXPECT_EQ(list[0].description, "\xb2\xe2\xca\xd4");   // GBK
    EXPECT_EQ(list[1].name, "archive");
    EXPECT_EQ(list[1].description, "old records");
}

TEST(DbInfo, MissingKeysHaveTheirDefaults)
{
    CDbInfo info(Write("dbcount=2\ndbname0=only\nport=none"));
    ASSERT_TRUE(info.read());
    EXPECT_EQ(info.port(), -1);
    EXPECT_EQ(info.host(), "");
    std::vector<CDbInfo::Database> list = info.databaseList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name, "");
    EXPECT_EQ(list[1].description, "");

    CDbInfo noCount(Write("dbname0=x\ndbcount=many"));
    ASSERT_TRUE(noCount.read());
    EXPECT_EQ(noCount.dbCount(), 0);
    EXPECT_TRUE(noCount.databaseList().empty());
}

TEST(DbInfo, RepeatedKeyKeepsItsFirstValue)
{
    CDbInfo info(Write("host=first\nhost=second\n"));
    ASSERT_TRUE(info.read());
    EXPECT_EQ(info.host(), "first");
}

TEST(DbInfo, BlankLineInTheMiddleInvalidatesTheFile)
{
    for (const char* text : {"dbcount=1\n\ndbname0=x\n", "dbcount=1\n  \t\r\ndbname0=x", "dbcount=1\nnoequal\n", ""}) {
        CLogCapture log;
        CDbInfo info(Write(text));
        EXPECT_FALSE(info.read()) << text;
        EXPECT_TRUE(log.logged("ERROR", "set config information error!")) << text;
    }
}

TEST(DbInfo, ReadStopsAtAZeroByte)
{
    CDbInfo info(Write(std::string("dbcount=1\nhost=h\0\nhost2=x", 24)));
    ASSERT_TRUE(info.read());
    EXPECT_EQ(info.host(), "h");
}

TEST(DbInfo, UnopenableOrUnreadableFileFails)
{
    std::string dir = MakeTempDir("dbinfo");
    {
        CLogCapture log;
        CDbInfo missing(dir + "/absent.txt");
        EXPECT_FALSE(missing.read());
        EXPECT_TRUE(log.logged("ERROR", "open db info config error!"));
    }
    CLogCapture log;
    CDbInfo directory(dir);
    EXPECT_FALSE(directory.read());
    EXPECT_TRUE(log.logged("ERROR", "read config file error!"));
}

TEST(DbInfo, EmptyPathIsAnAssertionFailure)
{
    try {
        CDbInfo info("");
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("ASSERT FAILED: path (file: ", 0), 0u) << e.what();
    }
}

TEST(DbInfo, LogEchoMasksThePasswordAndStaysWithinTheLineLimit)
{
    CLogCapture log;
    // Far beyond the logger's 4096-character line: the echo is cut, the
    // process goes on.
    std::string longValue(6000, 'v');
    CDbInfo info(Write("dbcount=1\npassword = secret-word\ndbdepict0=" + longValue + "\nuser=u\n"));
    ASSERT_TRUE(info.read());
    EXPECT_EQ(info.password(), "secret-word");
    EXPECT_EQ(info.databaseList()[0].description, longValue);
    EXPECT_TRUE(log.contains(" \ndb config information: \ndbcount=1\npassword =******\ndbdepict0=vvv"));
    EXPECT_TRUE(log.logged("DEBUG", "password =******"));
    EXPECT_TRUE(log.logged("DEBUG", "user=u"));
    EXPECT_FALSE(log.contains("secret-word"));
}
