// Runs of the indexer over hand-made activity databases: which records become
// documents, with which fields, and where the next run resumes.
#include <gtest/gtest.h>

#include "collect/TrashLists.h"
#include "e2e/ActivityDb.h"
#include "e2e/ActivitySandbox.h"
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
    trash.result = CActivityDb::Result({{"host", cs::collection::kTrashDomain}, {"title", "T"}, {"body", "B"}});
    CActivityDb::Added trashed = m_db.add(d1, trash);
    trash.result = CActivityDb::Result({{"host", "files.example.com"},
                                        {"url", std::string("http://files.example.com/?r=") + cs::collection::kTrashDomain},
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
