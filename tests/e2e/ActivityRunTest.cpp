// Runs of the indexer over hand-made activity databases: which records become
// documents, with which fields, and where the next run resumes.
#include <algorithm>

#include <gtest/gtest.h>

#include "collect/Database.h"
#include "e2e/ActivityDb.h"
#include "e2e/ActivitySandbox.h"
#include "parse/TrashLists.h"
#include "utility/StringConvertor.h"
#include "utility/XmlDocument.h"

using namespace cs::test;
using cs::utility::utf8ToGbk;
using Row = CActivityDb::Row;

namespace {

const char* const kPage = "<html><head><title>t</title></head><body><p>quarterly budget meeting notes</p>"
                          "<p>server upgrade schedule</p></body></html>";
const char* const kMail = "From: Alice <alice@example.cn>\r\nTo: bob@example.cn\r\nDate: Fri, 1 Mar 2024 10:00:00 +0800\r\n"
                          "Subject: budget\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nthe budget meeting moves\r\n";

// What a document of the index must hold.
struct Expected {
    std::string user;    // UTF-8, as indexed (lower-cased); empty: no term
    std::string group;
    std::string date;    // YYYY-MM-DD
    int type;            // web 0, chat 1, httpup 2, search 3, mail 4
};

std::string PathOf(char kind, const std::string& day, const CActivityDb::Added& added)
{
    return std::string(1, kind) + "/" + day + "/" + std::to_string(added.contentId);
}

class ActivityRunTest : public ::testing::Test {
protected:
    ActivityRunTest() : m_scratch("run"), m_db(m_scratch.name())
    {
        m_box.databases({m_scratch.name()});
        m_db.names({"Alice", "馬華", "BOB", "刘洋Liu"}, {"研发部", "Sales-East"});
    }

    const std::string& db() const { return m_scratch.name(); }

    // Adds a record whose document the index must hold.
    void expect(char kind, const std::string& day, const CActivityDb::Added& added, const Expected& fields)
    {
        m_expected[PathOf(kind, day, added)] = fields;
    }

    void checkIndex()
    {
        std::vector<ActivityDoc> docs = ReadActivityIndex(m_box.indexDir(db()));
        std::map<std::string, int> counts = PathCounts(docs);
        for (const auto& [path, count] : counts) {
            EXPECT_EQ(count, 1) << path;
            EXPECT_TRUE(m_expected.count(path)) << "unexpected document " << path;
        }
        for (const auto& [path, fields] : m_expected)
            EXPECT_TRUE(counts.count(path)) << "missing document " << path;
        for (const ActivityDoc& doc : docs) {
            auto it = m_expected.find(doc.path);
            if (it == m_expected.end())
                continue;
            const Expected& fields = it->second;
            EXPECT_EQ(doc.term("user"), fields.user.empty() ? INT32_MIN : CrcTerm(utf8ToGbk(fields.user))) << doc.path;
            EXPECT_EQ(doc.term("group"), fields.group.empty() ? INT32_MIN : CrcTerm(utf8ToGbk(fields.group))) << doc.path;
            EXPECT_EQ(doc.term("date"), DayTerm(fields.date)) << doc.path;
            EXPECT_EQ(doc.term("type"), fields.type) << doc.path;
        }
    }

    std::string state(const std::string& xpath) const;

    CActivitySandbox m_box;
    CScratchDatabase m_scratch;
    CActivityDb m_db;
    std::map<std::string, Expected> m_expected;
};

std::string ActivityRunTest::state(const std::string& xpath) const
{
    std::string file = xpath.rfind("/indexed_tables", 0) == 0 ? "/indexed_tables.xml" : "/collect_date.xml";
    cs::utility::CXmlDocument doc;
    if (!doc.parseFile(m_box.indexDir(db()) + file))
        return "<unreadable>";
    cs::utility::CXmlNode node = doc.select(xpath);
    return node ? node.content() : "<missing>";
}

} // namespace

TEST_F(ActivityRunTest, EligibleRecordsBecomeDocumentsOnceAndTheNextRunResumes)
{
    const std::string d1 = "20240301", d2 = "20240302", d3 = "20240303";
    m_db.day(d1);
    m_db.day(d2, "UPMO");   // the capture component made no chat table that day
    auto chat = [](int type, const std::string& key, const std::string& text) {
        Row row;
        row.type = type;
        row.result = CActivityDb::Result({{"from", "x"}, {key, text}, {key == "msg" ? "im_content" : "msg", "decoy"}});
        return row;
    };
    expect('C', d1, m_db.add(d1, chat(10, "msg", "hello chat one")), {"alice", "研发部", "2024-03-01", 1});
    Row row = chat(15, "im_content", "你好 world");
    row.user = "馬華";   // GBK trail bytes that are ASCII capitals
    row.group = "Sales-East";
    row.time = "23:59:59";
    expect('C', d1, m_db.add(d1, row), {"馬華", "Sales-East", "2024-03-01", 1});
    row = chat(12, "msg", "not for the index");
    row.index3 = 0;
    m_db.add(d1, row);
    m_db.add(d1, chat(11, "msg", "type 11 is not selected"));
    row = chat(10, "msg", "names in capitals");
    row.user = "BOB";
    expect('C', d1, m_db.add(d1, row), {"bob", "研发部", "2024-03-01", 1});
    row.user = "刘洋Liu";
    expect('C', d1, m_db.add(d1, row), {"刘洋liu", "研发部", "2024-03-01", 1});
    row.user = "";        // NULL
    row.group = "";
    expect('C', d1, m_db.add(d1, row), {"", "", "2024-03-01", 1});
    row.user = "nobody";  // not in the name table
    row.group = "研发部";
    expect('C', d1, m_db.add(d1, row), {"", "研发部", "2024-03-01", 1});
    row = chat(10, "msg", "no content row");
    row.content = false;
    m_db.add(d1, row);
    row = chat(10, "msg", "cut");
    row.result = "<result><_f n=\"msg\">cut sh";   // malformed: no text, dropped by its parser
    m_db.add(d1, row);
    row.result = "NULL";
    m_db.add(d1, row);
    row.result = "";
    m_db.add(d1, row);

    Row web;
    web.type = 1;
    web.app = 77;
    web.result = CActivityDb::Result({{"host", "news.example.cn"}, {"title", "News"}});
    web.path = "/qvlog/20240301/http/05/1_2_3.htm";
    m_box.contentFile(db(), web.path, "e_", kPage);
    expect('W', d1, m_db.add(d1, web), {"alice", "研发部", "2024-03-01", 0});
    web.path = "NULL";                                   // no page: nothing to index
    m_db.add(d1, web);
    web.path = "/qvlog/20240301/http/05/gone.htm";       // page missing: dropped by its parser
    m_db.add(d1, web);
    Row search;
    search.type = 1;
    search.app = 3858868786u;
    search.result = CActivityDb::Result({{"url", "http://www.baidu.com/s?wd=%C4%E3%BA%C3"}});
    expect('S', d1, m_db.add(d1, search), {"alice", "研发部", "2024-03-01", 3});
    search.type = 16;                                    // never selected
    m_db.add(d1, search);
    Row other = chat(3, "info", "other kinds are not collected");
    m_db.add(d1, other);

    Row upload;
    upload.type = 2;
    upload.app = 99;
    upload.result = CActivityDb::Result({{"host", "files.example.com"}, {"url", "http://files.example.com/up"},
                                         {"title", "Report"}, {"body", "<p>quarterly &amp; budget</p>"}});
    upload.path = "/qvlog/20240301/httpup/01/report.txt";
    m_box.contentFile(db(), upload.path, "n_", "the uploaded report about the server budget\n");
    expect('U', d1, m_db.add(d1, upload), {"alice", "研发部", "2024-03-01", 2});
    upload.app = 277180137u;                             // indexed by its text
    expect('U', d1, m_db.add(d1, upload), {"alice", "研发部", "2024-03-01", 2});
    Row trash = upload;
    trash.app = 99;
    trash.result = CActivityDb::Result({{"host", cs::parse::kTrashDomain}, {"title", "T"}, {"body", "B"}});
    CActivityDb::Added trashed = m_db.add(d1, trash);
    trash.result = CActivityDb::Result({{"host", "files.example.com"},
                                        {"url", std::string("http://files.example.com/?r=") + cs::parse::kTrashDomain},
                                        {"title", "Shared"}, {"body", "elsewhere"}});
    trash.path = "";
    expect('U', d1, m_db.add(d1, trash), {"alice", "研发部", "2024-03-01", 2});
    trash.result = CActivityDb::Result({{"url", "http://autoupdate.vendor.com/check"}, {"title", "T"}, {"body", "B"}});
    m_db.add(d1, trash);                                 // an update request: no text, dropped

    Row mail;
    mail.type = 7;
    mail.path = "/qvlog/20240301/mail/02/9_1.eml";
    m_box.contentFile(db(), mail.path, "e_", kMail);
    expect('M', d1, m_db.add(d1, mail), {"alice", "研发部", "2024-03-01", 4});
    mail.type = 8;
    mail.path = "NULL";
    m_db.add(d1, mail);

    row = chat(10, "msg", "no chat table this day");
    row.content = false;
    m_db.add(d2, row);
    web.path = "/qvlog/20240302/http/01/p.htm";
    m_box.contentFile(db(), web.path, "n_", kPage);
    web.time = "07:08:09";
    expect('W', d2, m_db.add(d2, web), {"alice", "研发部", "2024-03-02", 0});
    mail.path = "";
    CActivityDb::Added last = m_db.add(d2, mail);

    m_box.configure("", "", "debug");
    ProcessResult result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    checkIndex();
    EXPECT_EQ(state("/collect_date/A/date"), "A" + d2);
    EXPECT_EQ(state("/collect_date/A/auto_id"), std::to_string(last.autoId + 1));
    // Counts are of the records handed to the writer, whatever their parsers made of them.
    EXPECT_EQ(state("/collect_date/latest_time/C/count"), "9");
    EXPECT_EQ(state("/collect_date/latest_time/C/time"), "2024-03-01 23:59:59");
    EXPECT_EQ(state("/collect_date/latest_time/W/count"), "4");
    EXPECT_EQ(state("/collect_date/latest_time/W/time"), "2024-03-02 07:08:09");
    EXPECT_EQ(state("/collect_date/latest_time/S/count"), "1");
    EXPECT_EQ(state("/collect_date/latest_time/U/count"), "4");
    EXPECT_EQ(state("/collect_date/latest_time/M/count"), "3");
    EXPECT_EQ(state("/collect_date/latest_time/ALL/count"), "21");
    EXPECT_EQ(state("/indexed_tables/A20240301"), "");
    EXPECT_EQ(state("/indexed_tables/A20240302"), "<missing>");
    std::string log = m_box.logText();
    EXPECT_NE(log.find("table size: "), std::string::npos);
    EXPECT_NE(log.find(", collect size: 2"), std::string::npos);
    EXPECT_NE(log.find("record [A20240301, " + std::to_string(trashed.autoId) + "] dropped: its host holds the trash string"),
              std::string::npos);
    EXPECT_NE(log.find("record collected"), std::string::npos);
    EXPECT_FALSE(FileExists(m_box.dir() + "/rt.err"));
    std::string run = ReadFile(m_box.indexRoot() + "/index.run");
    EXPECT_EQ(run.substr(run.size() - 7), "100.00%") << run;
    // The search program finds records by the names as the operator writes them.
    for (const auto& [name, records] : std::map<std::string, int>{{"馬華", 1}, {"Bob", 1}, {"ALICE", 8}}) {
        ProcessResult found = RunProcess({CS_SEARCH_PATH, "-i", m_box.indexDir(db()), "-n", "100", "user:" + name},
                                         m_box.dir());
        EXPECT_EQ(found.exitCode, 0) << found.err;
        EXPECT_EQ(std::count(found.out.begin(), found.out.end(), '\n'), records) << name << "\n" << found.out;
    }

    // New rows in the resume table and a new day: only they are collected,
    // and the resume table is complete now that a later one exists.
    web.path = "/qvlog/20240302/http/02/q.htm";
    m_box.contentFile(db(), web.path, "e_", kPage);
    expect('W', d2, m_db.add(d2, web), {"alice", "研发部", "2024-03-02", 0});
    m_db.day(d3);
    row = chat(10, "msg", "the third day");
    row.time = "01:02:03";
    expect('C', d3, m_db.add(d3, row), {"alice", "研发部", "2024-03-03", 1});
    m_box.configure();
    result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    checkIndex();
    EXPECT_EQ(state("/collect_date/A/date"), "A" + d3);
    EXPECT_EQ(state("/collect_date/latest_time/C/count"), "10");
    EXPECT_EQ(state("/collect_date/latest_time/ALL/time"), "2024-03-03 01:02:03");
    EXPECT_EQ(state("/indexed_tables/A20240302"), "");

    // Nothing new: nothing changes.
    std::string before = ReadFile(m_box.indexDir(db()) + "/index_status.xml");
    result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(m_box.indexDir(db()) + "/index_status.xml"), before);
    checkIndex();

    // A rebuild starts from the configured day.
    m_box.configure("<date>2024-03-02</date>");
    result = m_box.index(db(), {"-r"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (auto it = m_expected.begin(); it != m_expected.end();) {
        it = it->second.date < "2024-03-02" ? m_expected.erase(it) : std::next(it);
    }
    checkIndex();
    EXPECT_EQ(state("/collect_date/latest_time/ALL/count"), "4");
    EXPECT_EQ(state("/indexed_tables/A20240301"), "<missing>");
    EXPECT_EQ(state("/indexed_tables/A20240302"), "");
}

TEST_F(ActivityRunTest, DebugRangeAndCollectTypesRestrictTheRun)
{
    const std::string d1 = "20240301", d2 = "20240302", d3 = "20240303";
    m_db.day(d1);
    m_db.day(d2);
    m_db.day(d3);
    Row chat;
    chat.result = CActivityDb::Result({{"msg", "words of a chat"}});
    Row upload;
    upload.type = 2;
    upload.app = 277180137u;
    upload.result = CActivityDb::Result({{"title", "T"}, {"body", "an upload body"}});
    std::vector<CActivityDb::Added> first, second;
    for (int i = 0; i < 4; ++i) {
        first.push_back(m_db.add(d1, i % 2 ? upload : chat));
        second.push_back(m_db.add(d2, i % 2 ? upload : chat));
        m_db.add(d3, chat);
    }
    std::string range = "<collect><A><from><table>A" + d1 + "</table><id>" + std::to_string(first[1].autoId) +
                        "</id></from><to><table>A" + d2 + "</table><id>" + std::to_string(second[2].autoId) +
                        "</id></to></A><collect_types><Upload>0</Upload></collect_types></collect>";
    m_box.configure("", range);
    ProcessResult result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Chat only, from the second record of the first day to the third of the second.
    expect('C', d1, first[2], {"alice", "研发部", "2024-03-01", 1});
    expect('C', d2, second[0], {"alice", "研发部", "2024-03-02", 1});
    expect('C', d2, second[2], {"alice", "研发部", "2024-03-02", 1});
    checkIndex();
    std::string log = m_box.logText();
    EXPECT_NE(log.find("collect types: W:1 C:1 U:0 S:1 M:1"), std::string::npos);
    EXPECT_NE(log.find("debug collect config loaded"), std::string::npos);

    // A range that ends before it begins is ignored: the run collects the rest.
    range = "<collect><A><from><table>A" + d3 + "</table><id>1</id></from><to><table>A" + d1 +
            "</table><id>1</id></to></A></collect>";
    m_box.configure("", range);
    result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(m_box.logText().find("debug collect config range error"), std::string::npos);
    std::map<std::string, int> counts = PathCounts(ReadActivityIndex(m_box.indexDir(db())));
    // The debug run stopped at its end point; everything after it follows now.
    EXPECT_EQ(counts.count(PathOf('C', d1, first[2])), 1u);
    EXPECT_EQ(counts.count(PathOf('U', d2, second[3])), 1u);
    EXPECT_EQ(counts.size(), 3u + 1 + 4);
    for (const auto& [path, count] : counts)
        EXPECT_EQ(count, 1) << path;
}

TEST_F(ActivityRunTest, BadRowsArePassedOverAndTheResumePointMovesOn)
{
    const std::string d1 = "20240301", bad = "20241399";
    m_db.day(d1);
    m_db.day(bad, "C");   // no such day: the date field cannot take it
    Row mail;
    mail.type = 7;
    mail.path = "/var/spool/mail/1.eml";
    CActivityDb::Added outside = m_db.add(d1, mail);
    Row web;
    web.type = 1;
    web.result = CActivityDb::Result({{"title", "t"}});
    web.path = "/qvlog/../../etc/passwd";
    CActivityDb::Added climbing = m_db.add(d1, web);
    Row chat;
    chat.result = CActivityDb::Result({{"msg", "a good record after the bad ones"}});
    expect('C', d1, m_db.add(d1, chat), {"alice", "研发部", "2024-03-01", 1});
    CActivityDb::Added badDay = m_db.add(bad, chat);

    ProcessResult result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    checkIndex();
    std::string log = m_box.logText();
    EXPECT_NE(log.find("WARN  "), std::string::npos);
    EXPECT_NE(log.find("record [A20240301, " + std::to_string(outside.autoId) + "] passed over: path.size() > orig_dirstr_size"),
              std::string::npos) << log;
    EXPECT_NE(log.find("record [A20240301, " + std::to_string(climbing.autoId) + "] passed over: file path leads out"),
              std::string::npos);
    EXPECT_NE(log.find("record [A20241399, " + std::to_string(badDay.autoId) + "] passed over: field date cannot take"),
              std::string::npos);
    EXPECT_EQ(state("/collect_date/A/date"), "A" + bad);
    EXPECT_EQ(state("/collect_date/A/auto_id"), std::to_string(badDay.autoId + 1));
    EXPECT_FALSE(FileExists(m_box.dir() + "/rt.err"));

    // The next run does not meet them again.
    result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string again = m_box.logText().substr(log.size());
    EXPECT_EQ(again.find("passed over:"), std::string::npos) << again;
    checkIndex();
}

TEST_F(ActivityRunTest, OtherFailuresOfARecordLeaveRtErrAndExitCode1)
{
    const std::string d1 = "20240301";
    m_db.day(d1, "UPMO");
    // A chat table the capture component broke: its result column is gone.
    m_db.sql("CREATE TABLE C" + d1 + " (auto_id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY, "
             "record_id INT UNSIGNED, dev_id INT UNSIGNED, account_id INT UNSIGNED, other TEXT)");
    Row upload;
    upload.type = 2;
    upload.app = 277180137u;
    upload.result = CActivityDb::Result({{"title", "T"}, {"body", "first upload"}});
    expect('U', d1, m_db.add(d1, upload), {"alice", "研发部", "2024-03-01", 2});
    Row chat;
    chat.content = false;
    CActivityDb::Added broken = m_db.add(d1, chat);
    m_db.sql("INSERT INTO C" + d1 + " (record_id, dev_id, account_id, other) SELECT record_id, dev_id, account_id, 'x' "
             "FROM A" + d1 + " WHERE auto_id = " + std::to_string(broken.autoId));
    m_db.add(d1, upload);

    ProcessResult result = m_box.index(db());
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(ReadFile(m_box.dir() + "/rt.err"), "A" + d1 + ":" + std::to_string(broken.autoId) + "\n");
    std::string log = m_box.logText();
    EXPECT_NE(log.find("Unknown column 'result'"), std::string::npos);
    EXPECT_NE(log.find("reconnect desDb"), std::string::npos);
    EXPECT_NE(log.find("failed to handle record [A20240301, " + std::to_string(broken.autoId) + "]"), std::string::npos);
    // What was indexed before stays out of the index: no barrel was committed.
    EXPECT_TRUE(PathCounts(ReadActivityIndex(m_box.indexDir(db()))).empty());

    // Mended, the table is taken from the start again.
    m_db.sql("ALTER TABLE C" + d1 + " ADD result MEDIUMTEXT NULL");
    m_db.sql("UPDATE C" + d1 + " SET result = '" + CActivityDb::Result({{"msg", "repaired chat"}}) + "'");
    result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(FileExists(m_box.dir() + "/rt.err"));
    CActivityDb::Added repaired{broken.autoId, 1};
    expect('C', d1, repaired, {"alice", "研发部", "2024-03-01", 1});
    expect('U', d1, CActivityDb::Added{broken.autoId + 1, 2}, {"alice", "研发部", "2024-03-01", 2});
    checkIndex();
}

TEST_F(ActivityRunTest, ConfigurationAndStateFaultsEndTheRunWithTheirCause)
{
    m_db.day("20240301");
    Row chat;
    chat.result = CActivityDb::Result({{"msg", "some words"}});
    m_db.add("20240301", chat);
    const TestDbServer& server = TestDatabaseServer();
    std::string rest = "host=" + server.host + "\nuser=" + server.user + "\npassword=" + server.password + "\n";
    struct Case {
        std::string dbinfo;
        std::string message;
    } cases[] = {
        {"dbcount=1\ndbname0=" + db() + "\n\nport=" + std::to_string(server.port) + "\n" + rest +
             "filepath=" + m_box.contentRoot() + "\n",
         "read global config failed"},
        // Port 3306 of a loopback address where nothing listens (another
        // suite may listen on 127.0.0.1:3306 for a moment).
        {"dbcount=1\ndbname0=" + db() + "\nport=thirty\nhost=127.0.0.2\nuser=" + server.user + "\npassword=" +
             server.password + "\nfilepath=" + m_box.contentRoot() + "\n",
         "no port number in "},
        {"dbcount=1\ndbname0=" + db() + "\nport=" + std::to_string(server.port) + "\n" + rest + "filepath=\n",
         "wrong database file path"},
    };
    for (const Case& c : cases) {
        m_box.writeDbInfo(c.dbinfo);
        size_t seen = m_box.logText().size();
        ProcessResult result = m_box.index(db());
        EXPECT_EQ(result.exitCode, 255) << c.message;
        EXPECT_NE(m_box.logText().find(c.message, seen), std::string::npos) << c.message;
        EXPECT_FALSE(FileExists(m_box.indexDir(db()) + "/index_status.xml")) << c.message;
    }

    // Damaged state files of an existing index.
    m_box.databases({db()});
    ASSERT_EQ(m_box.index(db()).exitCode, 0);
    std::string file = m_box.indexDir(db()) + "/collect_date.xml";
    std::string saved = ReadFile(file);
    std::string text = saved;
    size_t begin = text.find("<auto_id>"), end = text.find("</auto_id>") + 10;
    WriteFile(file, text.erase(begin, end - begin));
    size_t seen = m_box.logText().size();
    EXPECT_EQ(m_box.index(db()).exitCode, 255);
    EXPECT_NE(m_box.logText().find("failed to load collect stop table and auto_id", seen), std::string::npos);
    std::remove(file.c_str());
    seen = m_box.logText().size();
    EXPECT_EQ(m_box.index(db()).exitCode, 255);
    EXPECT_NE(m_box.logText().find("not found collect_date.xml in index path: " + m_box.indexDir(db()) + "/", seen),
              std::string::npos);
    WriteFile(file, saved);
    EXPECT_EQ(m_box.index(db()).exitCode, 0);
}

TEST_F(ActivityRunTest, WithoutUserOrGroupNamesNothingIsCollected)
{
    m_db.day("20240301");
    Row chat;
    chat.result = CActivityDb::Result({{"msg", "some words"}});
    m_db.add("20240301", chat);
    m_db.sql("DELETE FROM groupname");
    ProcessResult result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(m_box.logText().find("username or groupname is null"), std::string::npos);
    EXPECT_TRUE(ReadActivityIndex(m_box.indexDir(db())).empty());
    EXPECT_FALSE(FileExists(m_box.dir() + "/rt.err"));
}

TEST_F(ActivityRunTest, AllRunsEveryConfiguredDatabase)
{
    CScratchDatabase other("other");
    CActivityDb otherDb(other.name());
    otherDb.names({"Alice"}, {"研发部"});
    m_db.day("20240301");
    otherDb.day("20240305");
    Row chat;
    chat.result = CActivityDb::Result({{"msg", "in the first database"}});
    CActivityDb::Added a = m_db.add("20240301", chat);
    chat.result = CActivityDb::Result({{"msg", "in the second database"}});
    CActivityDb::Added b = otherDb.add("20240305", chat);
    m_box.databases({db(), other.name()});
    ProcessResult result = m_box.run({"-d", "ALL"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(PathCounts(ReadActivityIndex(m_box.indexDir(db()))), (std::map<std::string, int>{{PathOf('C', "20240301", a), 1}}));
    EXPECT_EQ(PathCounts(ReadActivityIndex(m_box.indexDir(other.name()))),
              (std::map<std::string, int>{{PathOf('C', "20240305", b), 1}}));
}

namespace {

// A record the collection must hand to the index writer, found with SQL from
// the rows of a generated database alone.
struct Eligible {
    char kind;
    std::string user;     // GBK as indexed; empty: no term
    std::string group;
    std::string date;     // YYYY-MM-DD
    std::string time;     // date and record_time
    bool nothingToIndex;  // its parser may drop it
};

// Single-byte ASCII letters lower-cased; GBK double-byte characters kept.
std::string LowerGbk(std::string text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80)
            ++i;
        else if (c >= 'A' && c <= 'Z')
            text[i] = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The text of <_f n="name"> in a result document; empty when the document is
// cut short or has no such value.
std::string ResultValue(const std::string& result, const std::string& name)
{
    const std::string open = "<_f n=\"" + name + "\">";
    size_t at = result.find(open);
    if (at == std::string::npos || result.size() < 9 || result.compare(result.size() - 9, 9, "</result>") != 0)
        return std::string();
    at += open.size();
    return result.substr(at, result.find("</_f>", at) - at);
}

// Every record of the record tables that the collection hands over, by the
// stored path of its document, with the SQL the Part's rules come to.
std::map<std::string, Eligible> EligibleRecords(const std::string& database, const std::string& files)
{
    const TestDbServer& server = TestDatabaseServer();
    cs::utility::CDatabase db;
    db.connect(server.server(), database, server.user, server.password);
    db.listTables();
    std::vector<std::string> tables = db.tableNames();
    auto exists = [&](const std::string& name) { return std::count(tables.begin(), tables.end(), name) != 0; };
    // A "/qvlog/" path whose content file is there, scrambled or plain.
    auto fileThere = [&](const std::string& path) {
        if (path.rfind("/qvlog/", 0) != 0)
            return false;
        size_t slash = path.rfind('/');
        std::string dir = files + path.substr(7, slash - 6), name = path.substr(slash + 1);
        return FileExists(dir + "e_" + name) || FileExists(dir + "n_" + name);
    };
    const std::string hostTag = "locate('<_f n=\"host\">', coalesce(c.result, ''))";
    struct Kind {
        char kind, table;
        std::string condition, columns;
    } kinds[] = {
        {'W', 'U', "a.private_type = 1 and a.app_crc <> 3858868786", "c.path as file, c.result"},
        {'S', 'U', "a.private_type = 1 and a.app_crc = 3858868786", "'' as file, c.result"},
        {'U', 'P',
         "a.private_type = 2 and not (" + hostTag + " > 0 and locate('" + cs::parse::kTrashDomain +
             "', substring_index(substring(c.result, " + hostTag + "), '</_f>', 1)) > 0)",
         "c.path as file, c.result"},
        {'M', 'M', "a.private_type in (7, 8)", "c.mail_path as file, '' as result"},
        {'C', 'C', "a.private_type in (10, 12, 15) and a.index3 = 1", "'' as file, c.result"},
    };
    std::map<std::string, Eligible> eligible;
    for (const std::string& table : tables) {
        if (table.size() != 9 || table[0] != 'A' || table.find_first_not_of("0123456789", 1) != std::string::npos)
            continue;
        std::string day = table.substr(1);
        for (const Kind& kind : kinds) {
            std::string content = kind.table + day;
            if (!exists(content))
                continue;
            cs::utility::CDatabase::CRowset rows;
            db.query(rows, "select c.auto_id as content_id, a.record_time, a.private_type, a.app_crc, "
                           "coalesce(u.name, '') as user_name, coalesce(g.group_name, '') as group_name, " +
                               kind.columns + " from " + table + " a join " + content +
                               " c on c.record_id = a.record_id and c.dev_id = a.dev_id and c.account_id = "
                               "a.account_id left join username u on u.user_crc = a.user_crc left join groupname g "
                               "on g.group_crc = a.group_crc where " + kind.condition);
            while (rows.fetch()) {
                Eligible record;
                record.kind = kind.kind;
                record.user = LowerGbk(rows.field("user_name"));
                record.group = rows.field("group_name");
                record.date = day.substr(0, 4) + "-" + day.substr(4, 2) + "-" + day.substr(6, 2);
                record.time = record.date + " " + rows.field("record_time");
                const std::string& file = rows.field("file");
                const std::string& result = rows.field("result");
                switch (kind.kind) {
                case 'W':
                case 'M':
                    record.nothingToIndex = !fileThere(file);
                    break;
                case 'C':
                    record.nothingToIndex = ResultValue(result, rows.field("private_type") == "15" ? "im_content"
                                                                                                     : "msg").empty();
                    break;
                case 'U': {
                    // An update request has no text; an upload's file may be
                    // one its parser cannot read.
                    std::string url = ResultValue(result, "url");
                    bool request = false;
                    for (const char* host : cs::parse::kTrashRequestHosts)
                        request = request || url.find(host) != std::string::npos;
                    bool plain = rows.field("app_crc") == "277180137" || rows.field("app_crc") == "596060734";
                    record.nothingToIndex = request || (!plain && fileThere(file));
                    break;
                }
                default:
                    record.nothingToIndex = false;
                    break;
                }
                std::string path = std::string(1, kind.kind) + "/" + day + "/" + rows.field("content_id");
                EXPECT_TRUE(eligible.emplace(path, record).second) << "two records with " << path;
            }
        }
    }
    return eligible;
}

int TypeTerm(char kind)
{
    return std::string("WCUSM").find(kind);
}

} // namespace

TEST_F(ActivityRunTest, GeneratedDatabaseIndexesExactlyTheEligibleRecords)
{
    ProcessResult generated = RunProcess({SourcePath("tools/make-activity-db"), "--env", TestDatabaseServer().envFile,
                                          "--database", db(), "--filepath", m_box.contentRoot(), "--records", "700",
                                          "--days", "3", "--seed", "11", "--expect", m_box.dir() + "/expect.json"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err;
    std::map<std::string, Eligible> eligible = EligibleRecords(db(), m_box.contentRoot() + "/" + db() + "/");
    ProcessResult result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // Every eligible record handed over once, per kind, with its latest time.
    std::map<std::string, long> counts;
    std::map<std::string, std::string> latest;
    for (const auto& [path, record] : eligible) {
        for (const std::string& type : {std::string(1, record.kind), std::string("ALL")}) {
            ++counts[type];
            latest[type] = std::max(latest[type], record.time);
        }
    }
    for (const char* type : {"W", "C", "U", "S", "M", "ALL"}) {
        EXPECT_GT(counts[type], 0) << type;
        EXPECT_EQ(state(std::string("/collect_date/latest_time/") + type + "/count"), std::to_string(counts[type]))
            << type;
        EXPECT_EQ(state(std::string("/collect_date/latest_time/") + type + "/time"), latest[type]) << type;
    }

    // The index holds each of them once with its fields, unless it had
    // nothing to index, and nothing else.
    std::vector<ActivityDoc> docs = ReadActivityIndex(m_box.indexDir(db()));
    std::map<std::string, int> paths = PathCounts(docs);
    for (const ActivityDoc& doc : docs) {
        auto it = eligible.find(doc.path);
        if (it == eligible.end()) {
            ADD_FAILURE() << "not eligible: " << doc.path;
            continue;
        }
        const Eligible& record = it->second;
        EXPECT_EQ(doc.term("user"), record.user.empty() ? INT32_MIN : CrcTerm(record.user)) << doc.path;
        EXPECT_EQ(doc.term("group"), record.group.empty() ? INT32_MIN : CrcTerm(record.group)) << doc.path;
        EXPECT_EQ(doc.term("date"), DayTerm(record.date)) << doc.path;
        EXPECT_EQ(doc.term("type"), TypeTerm(record.kind)) << doc.path;
    }
    std::map<char, long> indexed;
    for (const auto& [path, record] : eligible) {
        auto it = paths.find(path);
        if (it == paths.end()) {
            EXPECT_TRUE(record.nothingToIndex) << "lost: " << path;
            continue;
        }
        EXPECT_EQ(it->second, 1) << path;
        ++indexed[record.kind];
    }
    for (char kind : std::string("WCUSM"))
        EXPECT_GT(indexed[kind], 0) << kind;

    // Web collecting off: the same, without the web records.
    m_box.configure("<web>0</web>");
    result = m_box.index(db(), {"-r"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(state("/collect_date/latest_time/W/count"), "0");
    EXPECT_EQ(state("/collect_date/latest_time/ALL/count"), std::to_string(counts["ALL"] - counts["W"]));
    std::map<std::string, int> withoutWeb = paths;
    for (auto it = withoutWeb.begin(); it != withoutWeb.end();)
        it = it->first[0] == 'W' ? withoutWeb.erase(it) : std::next(it);
    EXPECT_EQ(PathCounts(ReadActivityIndex(m_box.indexDir(db()))), withoutWeb);
}

TEST_F(ActivityRunTest, RunsThatOnlyPassRecordsOverStillMoveTheResumePoint)
{
    m_db.day("20240301");
    Row chat;
    chat.content = false;   // no content rows: nothing becomes a document
    m_db.add("20240301", chat);
    CActivityDb::Added last = m_db.add("20240301", chat);
    ProcessResult result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(state("/collect_date/A/date"), "A20240301");
    EXPECT_EQ(state("/collect_date/A/auto_id"), std::to_string(last.autoId + 1));
    EXPECT_FALSE(FileExists(m_box.indexDir(db()) + "/collect_date.xml.tmp"));
    EXPECT_TRUE(ReadActivityIndex(m_box.indexDir(db())).empty());

    // The next record with content is indexed as usual.
    chat.content = true;
    chat.result = CActivityDb::Result({{"msg", "finally some words"}});
    expect('C', "20240301", m_db.add("20240301", chat), {"alice", "研发部", "2024-03-01", 1});
    result = m_box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    checkIndex();
}
