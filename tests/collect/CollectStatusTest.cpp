// The collection state files and the debug collect range.
#include <cstdio>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "CollectTestKit.h"
#include "collect/CollectStatus.h"
#include "support/TestSupport.h"

using namespace cs::test;
using cs::collection::CCollectStatus;
using cs::collection::COLLECT_C;
using cs::collection::COLLECT_M;
using cs::collection::COLLECT_S;
using cs::collection::COLLECT_U;
using cs::collection::COLLECT_W;

namespace {

class CollectStatusTest : public ::testing::Test {
protected:
    CollectStatusTest() : m_root(MakeTempDir("status")), m_dir(m_root + "/db1/") {}

    std::string index(const std::string& more = "") const { return "<index><path>" + m_root + "</path>" + more + "</index>"; }

    // An existing index directory holding the given state files.
    void writeState(const std::string& table, const std::string& autoId, const std::string& tables = "")
    {
        WriteFile(m_dir + "collect_date.xml",
                  "<?xml version=\"1.0\" encoding=\"utf-8\"?><collect_date><A><date>" + table + "</date><auto_id>" + autoId +
                      "</auto_id></A><latest_time><ALL><time>2024-03-02 10:00:00</time><count>7</count></ALL>"
                      "<W><time>2024-03-01 09:00:00</time><count>3</count></W><C><time/><count>0</count></C>"
                      "<U><time/><count>0</count></U><S><time>2024-03-02 10:00:00</time><count>4</count></S>"
                      "<M><time/><count>0</count></M></latest_time></collect_date>");
        WriteFile(m_dir + "indexed_tables.xml",
                  "<?xml version=\"1.0\" encoding=\"utf-8\"?><indexed_tables>" + tables + "</indexed_tables>");
    }

    std::string loadError(const std::string& global, bool recreate = false)
    {
        CGlobalFileScope scope(global);
        return RaisedMessage<std::runtime_error>([&] { CCollectStatus().load("db1", recreate); });
    }

    std::string m_root;
    std::string m_dir;
};

} // namespace

TEST_F(CollectStatusTest, RebuildStartsFromTheConfiguredDayAndSavesBothFilesAsTemporaryFiles)
{
    CGlobalFileScope scope(index("<date>2024-03-01</date>"));
    CLogCapture log;
    CCollectStatus status;
    status.load("db1", true);
    EXPECT_EQ(status.indexDir(), m_dir);
    EXPECT_EQ(status.table(), "A20240301");
    EXPECT_EQ(status.autoId(), 0u);
    EXPECT_TRUE(log.logged("INFO", "loading collect status for database: db1..."));
    EXPECT_TRUE(log.logged("INFO", "collect status loaded: collect from [A20240301, 0]"));

    status.setResumePoint("A20240302", 17);
    status.countRecord(COLLECT_C, "2024-03-02 08:00:00");
    status.countRecord(COLLECT_C, "2024-03-01 23:00:00");
    status.countRecord(COLLECT_M, "2024-03-02 09:30:00");
    status.completeTable("A20240301");
    WriteFile(m_dir + "keep", "");
    status.save(42);
    EXPECT_FALSE(FileExists(m_dir + "collect_date.xml"));
    std::string date = m_dir + "collect_date.xml.tmp";
    EXPECT_EQ(StateValue(date, "/collect_date/A/date"), "A20240302");
    EXPECT_EQ(StateValue(date, "/collect_date/A/auto_id"), "17");
    EXPECT_EQ(StateValue(date, "/collect_date/latest_time/C/count"), "2");
    EXPECT_EQ(StateValue(date, "/collect_date/latest_time/C/time"), "2024-03-02 08:00:00");
    EXPECT_EQ(StateValue(date, "/collect_date/latest_time/ALL/count"), "3");
    EXPECT_EQ(StateValue(date, "/collect_date/latest_time/ALL/time"), "2024-03-02 09:30:00");
    EXPECT_EQ(StateValue(date, "/collect_date/latest_time/W/count"), "0");
    EXPECT_EQ(StateValue(m_dir + "indexed_tables.xml.tmp", "/indexed_tables/A20240301"), "");
    EXPECT_TRUE(log.logged("INFO", "saving collect status into path: " + m_dir + "..."));
    EXPECT_TRUE(log.logged("INFO", "stopped at A20240302:17, 42%"));
    EXPECT_TRUE(log.logged("INFO", "total:  3, 2024-03-02 09:30:00"));
    EXPECT_TRUE(log.logged("INFO", "chat:   2, 2024-03-02 08:00:00"));
    EXPECT_TRUE(log.logged("INFO", "web:    0, "));
    EXPECT_TRUE(log.logged("INFO", "table: A20240301"));

    status.commit();
    EXPECT_FALSE(FileExists(date));
    EXPECT_EQ(StateValue(m_dir + "collect_date.xml", "/collect_date/A/auto_id"), "17");

    // The next run resumes there with the totals and the indexed table.
    CCollectStatus next;
    next.load("db1", false);
    EXPECT_EQ(next.table(), "A20240302");
    EXPECT_EQ(next.autoId(), 17u);
    EXPECT_EQ(next.total(COLLECT_C).count, 2u);
    EXPECT_EQ(next.total(COLLECT_M).time, "2024-03-02 09:30:00");
    EXPECT_TRUE(next.isIndexed("A20240301"));
    EXPECT_FALSE(next.isIndexed("A20240302"));
    // A table is listed once however often it is saved.
    next.completeTable("A20240301");
    next.save(0);
    EXPECT_EQ(ReadFile(m_dir + "indexed_tables.xml.tmp").find("A20240301"),
              ReadFile(m_dir + "indexed_tables.xml.tmp").rfind("A20240301"));
}

TEST_F(CollectStatusTest, NewStateFilesFollowTheirTemplates)
{
    CGlobalFileScope scope(index());
    CCollectStatus status;
    status.load("db1", true);
    EXPECT_EQ(status.table(), "");   // no date configured: all tables
    ::mkdir(m_dir.c_str(), 0755);    // the index makes it before any flush
    status.save(0);
    std::string date = m_dir + "collect_date.xml.tmp";
    for (const char* type : {"ALL", "W", "C", "U", "S", "M"}) {
        EXPECT_EQ(StateValue(date, std::string("/collect_date/latest_time/") + type + "/count"), "0") << type;
        EXPECT_EQ(StateValue(date, std::string("/collect_date/latest_time/") + type + "/time"), "") << type;
    }
    EXPECT_EQ(StateValue(date, "/collect_date/A/auto_id"), "0");
    std::string tables = ReadFile(m_dir + "indexed_tables.xml.tmp");
    EXPECT_NE(tables.find("<indexed_tables/>"), std::string::npos) << tables;
    EXPECT_EQ(tables.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0u) << tables;
}

TEST_F(CollectStatusTest, ConfiguredDayLaterThanTheResumeTableMovesTheResumePoint)
{
    writeState("A20240301", "55");
    {
        CGlobalFileScope scope(index("<date>20240305</date>"));
        CCollectStatus status;
        status.load("db1", false);
        EXPECT_EQ(status.table(), "A20240305");
        EXPECT_EQ(status.autoId(), 0u);
    }
    {
        CGlobalFileScope scope(index("<date>2024/02/28</date>"));
        CCollectStatus status;
        status.load("db1", false);
        EXPECT_EQ(status.table(), "A20240301");
        EXPECT_EQ(status.autoId(), 55u);
        EXPECT_EQ(status.total(COLLECT_W).count, 3u);
        EXPECT_EQ(status.total(COLLECT_S).time, "2024-03-02 10:00:00");
    }
}

TEST_F(CollectStatusTest, LoadFailuresNameTheirCause)
{
    EXPECT_EQ(loadError("<index><date>all</date></index>"), "failed to get index path from global config file");
    EXPECT_EQ(loadError("<index><path></path></index>"), "wrong index file path");
    EXPECT_EQ(loadError(index("<date>yesterday</date>"), true), "wrong date format");
    EXPECT_EQ(loadError(index("<date>2024-3-1</date>"), true), "wrong date format");
    EXPECT_EQ(loadError(index()), "not found collect_date.xml in index path: " + m_dir);
    WriteFile(m_dir + "collect_date.xml", "<collect_date><A><date>A20240301</date>");
    EXPECT_EQ(loadError(index()), "not found collect_date.xml in index path: " + m_dir);

    writeState("A20240301", "12");
    std::remove((m_dir + "indexed_tables.xml").c_str());
    EXPECT_EQ(loadError(index()), "not found indexed_tables.xml in index path: " + m_dir);
    writeState("A20240301", "");
    EXPECT_EQ(loadError(index()), "failed to load collect stop table and auto_id");
    writeState("A20240301", "twelve");
    EXPECT_EQ(loadError(index()), "failed to load collect stop table and auto_id");
    WriteFile(m_dir + "collect_date.xml", "<collect_date><A><date>A20240301</date></A></collect_date>");
    EXPECT_EQ(loadError(index()), "failed to load collect stop table and auto_id");

    writeState("A20240301", "12");
    std::string text = ReadFile(m_dir + "collect_date.xml");
    WriteFile(m_dir + "collect_date.xml", text.replace(text.find("<count>4</count>"), 16, "<count>x</count>"));
    EXPECT_EQ(loadError(index()), "failed to load collect status for type: S");
    text = ReadFile(m_dir + "collect_date.xml");
    WriteFile(m_dir + "collect_date.xml", text.replace(text.find("<U>"), 30, ""));
    EXPECT_EQ(loadError(index()), "failed to load collect status for type: U");

    // Without a global configuration file nothing can be known.
    std::string saved = ReadFile(TestRoot() + "/global.xml");
    WriteFile(TestRoot() + "/global.xml", "<config><index>");
    std::string message = RaisedMessage<std::runtime_error>([] { CCollectStatus().load("db1", true); });
    WriteFile(TestRoot() + "/global.xml", saved);
    EXPECT_EQ(message, "global config file not exist or parse failed");
}

TEST_F(CollectStatusTest, MissingDateMeansAllDaysAndWebSwitch)
{
    CGlobalFileScope scope(index("<web>0</web>"));
    CLogCapture log;
    CCollectStatus status;
    status.load("db1", true);
    EXPECT_EQ(status.table(), "");
    EXPECT_FALSE(status.webEnabled());
    EXPECT_TRUE(log.logged("INFO", "failed to get collect date config from global config file, default collect all dates"));
    EXPECT_TRUE(log.logged("INFO", "web collecting is disabled"));
    EXPECT_TRUE(log.logged("INFO", "debug collect config not take effect"));
}

TEST_F(CollectStatusTest, DebugRangeReplacesTheResumePointAndRestrictsTypes)
{
    writeState("A20240301", "12");
    CGlobalFileScope scope(index() + "<collect><A><from><table>A20240302</table><id>5</id></from><to><table>A20240303"
                                     "</table><id>40</id></to></A><collect_types><Chat>1</Chat><Web>0</Web><Mail>yes</Mail>"
                                     "<Xtra>1</Xtra></collect_types></collect>");
    CLogCapture log;
    CCollectStatus status;
    status.load("db1", false);
    const cs::collection::CDebugCollectRange& range = status.debugRange();
    ASSERT_TRUE(range.active());
    EXPECT_EQ(status.table(), "A20240302");
    EXPECT_EQ(status.autoId(), 5u);
    EXPECT_TRUE(range.typeEnabled(COLLECT_C));
    EXPECT_FALSE(range.typeEnabled(COLLECT_W));
    EXPECT_FALSE(range.typeEnabled(COLLECT_M));   // any text but "1" disables
    EXPECT_TRUE(range.typeEnabled(COLLECT_U));    // not listed: stays enabled
    EXPECT_TRUE(range.typeEnabled(COLLECT_S));
    EXPECT_FALSE(range.tableBeyondEnd("A20240303"));
    EXPECT_TRUE(range.tableBeyondEnd("A20240304"));
    EXPECT_FALSE(range.recordBeyondEnd("A20240302", 900));
    EXPECT_FALSE(range.recordBeyondEnd("A20240303", 40));
    EXPECT_TRUE(range.recordBeyondEnd("A20240303", 41));
    EXPECT_TRUE(log.logged("INFO", "loading debug collect config..."));
    EXPECT_TRUE(log.logged("WARN", "debug collect config: no such collect type: Xtra"));
    EXPECT_TRUE(log.logged("INFO", "collect types: W:0 C:1 U:1 S:1 M:0"));
    EXPECT_TRUE(log.logged("INFO", "collect range: qvtrace: [A20240302:5 - A20240303:40]"));
    EXPECT_TRUE(log.logged("INFO", "debug collect config loaded"));
    EXPECT_TRUE(log.logged("INFO", "collect status loaded: collect from [A20240302, 5]"));
}

TEST_F(CollectStatusTest, InvalidDebugRangesDoNotApply)
{
    writeState("A20240301", "12");
    struct Case {
        const char* range;
        const char* message;
    } cases[] = {
        // The end before the start.
        {"<A><from><table>A20240305</table><id>1</id></from><to><table>A20240302</table><id>9</id></to></A>",
         "debug collect config range error"},
        {"<A><from><table>A20240305</table><id>10</id></from><to><table>A20240305</table><id>9</id></to></A>",
         "debug collect config range error"},
        // Incomplete or unreadable bounds.
        {"<A><from><table>A20240305</table></from><to><table>A20240306</table><id>9</id></to></A>",
         "failed to load debug collect config"},
        {"<A><from><table>A20240305</table><id>one</id></from><to><table>A20240306</table><id>9</id></to></A>",
         "failed to load debug collect config"},
    };
    for (const Case& c : cases) {
        CGlobalFileScope scope(index() + "<collect>" + c.range + "</collect>");
        CLogCapture log;
        CCollectStatus status;
        status.load("db1", false);
        EXPECT_FALSE(status.debugRange().active()) << c.range;
        EXPECT_TRUE(log.logged("WARN", c.message)) << c.range;
        EXPECT_EQ(status.table(), "A20240301") << c.range;
        EXPECT_EQ(status.autoId(), 12u) << c.range;
        EXPECT_TRUE(status.debugRange().typeEnabled(COLLECT_W));
    }
}

TEST_F(CollectStatusTest, FailedSaveLeavesNoTemporaryFileBehind)
{
    CGlobalFileScope scope(index());
    CCollectStatus status;
    status.load("db1", true);
    // The second file cannot be written: the first must not stay as the new state.
    ASSERT_EQ(::mkdir(m_dir.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((m_dir + "indexed_tables.xml.tmp").c_str(), 0755), 0);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { status.save(0); }),
              "failed to save collect status and collected tables XML file");
    EXPECT_FALSE(FileExists(m_dir + "collect_date.xml.tmp"));
}

TEST_F(CollectStatusTest, StateWithoutItsAllTotalCannotBeSavedAndSaysWhy)
{
    // Loading reads the five types only; the total over all of them is
    // written at every save, and a file that lost it must not pass silently.
    writeState("A20240301", "12");
    std::string text = ReadFile(m_dir + "collect_date.xml");
    size_t begin = text.find("<ALL>"), end = text.find("</ALL>") + 6;
    WriteFile(m_dir + "collect_date.xml", text.erase(begin, end - begin));
    CGlobalFileScope scope(index());
    CCollectStatus status;
    status.load("db1", false);
    EXPECT_EQ(status.total(COLLECT_S).count, 4u);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { status.save(0); }), "failed to save collect status for all types");
    EXPECT_FALSE(FileExists(m_dir + "collect_date.xml.tmp"));
    EXPECT_FALSE(FileExists(m_dir + "indexed_tables.xml.tmp"));
}
