#include <gtest/gtest.h>

#include <ctime>
#include <unistd.h>

#include "RunDriver.h"
#include "support/AnalyzerTestData.h"
#include "support/TestSupport.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

using namespace cs::driver;
using cs::test::CGlobalConfigScope;
using cs::test::CLogCapture;
using cs::test::FileExists;
using cs::test::MakeTempDir;
using cs::test::ReadFile;

namespace {

class RunDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cs::utility::CStringResource::instance().load(cs::test::TestRoot() + "/strres.xml"));
        cs::test::InstallTestDictionary();   // a run creates the general analyzer
    }
    static std::string Enabled(const std::string& indexPath)
    {
        return "<index><system_status>1</system_status><path>" + indexPath + "</path></index>";
    }
};

} // namespace

TEST_F(RunDriver, SwitchedOffTouchesNothing)
{
    std::string root = MakeTempDir("run") + "/index";
    CGlobalConfigScope scope("<index><path>" + root + "</path></index>");   // no system_status
    CLogCapture log;
    EXPECT_EQ(RunDatabase("db", "desc", 0), -1);
    EXPECT_EQ(MergeIndexOnly(), -1);
    EXPECT_FALSE(FileExists(root));
    EXPECT_TRUE(log.logged("ERROR", "system has been forbidden "));
    EXPECT_NE(log.text().find("system has been forbidden \n"), std::string::npos);   // the trailing space
}

TEST_F(RunDriver, CreatesTheIndexRootAndWritesTheStatusLine)
{
    std::string root = MakeTempDir("run") + "/a/b/index";
    CGlobalConfigScope scope(Enabled(root));
    EXPECT_EQ(RunDatabase("db", "\xb2\xe2\xca\xd4", 0), 0);
    EXPECT_EQ(ReadFile(root + "/index.run"), "indexing database: \xb2\xe2\xca\xd4, done: ");
    // Nothing was indexed: there is no index to merge.
    EXPECT_EQ(cs::test::RaisedMessage<std::runtime_error>([] { MergeIndexOnly(); }),
              "open index file failed: no readable index_status.xml in " + root);

    // Each run starts the file afresh, also when the rebuild empties the
    // index root (the directory collection's index lives there).
    cs::test::WriteFile(root + "/index.run", std::string(500, 'x'));
    EXPECT_EQ(RunDatabase("db", "second", 1), 0);
    EXPECT_EQ(ReadFile(root + "/index.run"), "indexing database: second, done: ");
}

TEST_F(RunDriver, IndexRootWithAFinalSeparator)
{
    std::string root = MakeTempDir("run") + "/index/";
    CGlobalConfigScope scope(Enabled(root));
    EXPECT_EQ(RunDatabase("db", "d", 0), 0);
    EXPECT_TRUE(FileExists(root + "index.run"));
}

TEST_F(RunDriver, StatusFileThatCannotBeCreatedEndsTheProcess)
{
    std::string root = MakeTempDir("run");
    ::mkdir((root + "/index.run").c_str(), 0755);   // a directory in its place
    CGlobalConfigScope scope(Enabled(root));
    CLogCapture log;
    EXPECT_EXIT(RunDatabase("db", "d", 0), ::testing::ExitedWithCode(1),
                ": failed to create index.run: " + root + "/index.run \\(Is a directory\\)\n$");
    EXPECT_TRUE(log.logged("ERROR", "failed to create index.run: " + root + "/index.run (Is a directory)"));
}

TEST_F(RunDriver, FullDiskEndsWithTheFatalReport)
{
    std::string root = MakeTempDir("run");
    ASSERT_EQ(::symlink("/dev/full", (root + "/index.run").c_str()), 0);
    CGlobalConfigScope scope(Enabled(root));
    std::string text = cs::utility::CStringResource::instance().get("IDR_LACK_DISKSPACE");
    EXPECT_EXIT(RunDatabase("db", "d", 0), ::testing::ExitedWithCode(3), "^" + text + "\n$");
    std::string report = cs::utility::GetAppDir() + "errorreport.txt";
    EXPECT_EQ(ReadFile(report), text);
    std::remove(report.c_str());
}

TEST_F(RunDriver, NothingToRebuildWithoutAnIndex)
{
    CGlobalConfigScope scope(Enabled(MakeTempDir("run")) + "<recreate><records>0</records></recreate>");
    EXPECT_FALSE(NeedRecreate("db"));
}

TEST_F(RunDriver, RebuildDecisionReadsTheBarrelList)
{
    std::string root = MakeTempDir("run");
    ::mkdir((root + "/db").c_str(), 0755);
    cs::test::WriteFile(root + "/db/index_status.xml",
                        "<?xml version=\"1.0\"?>\n<database><version>cs.1.0.0</version>"
                        "<barrel_counter>2</barrel_counter><barrel_count>2</barrel_count><barrels>"
                        "<barrel><name>_0</name><doc_start>0</doc_start><doc_count>6</doc_count>"
                        "<deleted_count>3</deleted_count></barrel>"
                        "<barrel><name>_1</name><doc_start>6</doc_start><doc_count>4</doc_count>"
                        "<deleted_count>2</deleted_count></barrel></barrels></database>\n");
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::time_t before = std::time(nullptr);
        std::tm now = *std::localtime(&before);
        std::string index = "<index><system_status>1</system_status><path>" + root + "</path><weekday>" +
                            std::to_string(now.tm_wday) + "</weekday><adjusttime>" + std::to_string(now.tm_hour) +
                            ":00:00</adjusttime></index>";
        // 10 documents, 5 deleted: 50 percent.
        bool due = false, notEnough = true, tooFewDeleted = true;
        {
            CGlobalConfigScope scope(index +
                                     "<recreate><records>10</records><delpercent>50</delpercent></recreate>");
            due = NeedRecreate("db");
        }
        {
            CGlobalConfigScope scope(index +
                                     "<recreate><records>11</records><delpercent>50</delpercent></recreate>");
            notEnough = NeedRecreate("db");
        }
        {
            CGlobalConfigScope scope(index +
                                     "<recreate><records>10</records><delpercent>51</delpercent></recreate>");
            tooFewDeleted = NeedRecreate("db");
        }
        std::time_t after = std::time(nullptr);
        if (std::localtime(&after)->tm_hour != now.tm_hour)
            continue;   // the hour turned meanwhile: try again
        EXPECT_TRUE(due);
        EXPECT_FALSE(notEnough);
        EXPECT_FALSE(tooFewDeleted);
        return;
    }
}

TEST_F(RunDriver, AnUnreadableBarrelListIsNoIndex)
{
    std::string root = MakeTempDir("run");
    ::mkdir((root + "/db").c_str(), 0755);
    cs::test::WriteFile(root + "/db/index_status.xml",
                        "<database><version>cs.1.0.0</version><barrel_counter>1</barrel_counter>"
                        "<barrel_count>1</barrel_count><barrels><barrel><name>_0</name><doc_start>0</doc_start>"
                        "<doc_count>many</doc_count><deleted_count>9</deleted_count></barrel></barrels></database>");
    CGlobalConfigScope scope(Enabled(root) + "<recreate><records>0</records><delpercent>0</delpercent></recreate>");
    EXPECT_FALSE(NeedRecreate("db"));
}
