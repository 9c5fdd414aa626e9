// Turning record and content rows into documents: fields, kinds, file types,
// attached files and the rows that cannot become documents.
#include <gtest/gtest.h>

#include "collect/Database.h"
#include "collect/NameTables.h"
#include "collect/RecordBuilder.h"
#include "collect/RecordTables.h"
#include "collect/ResultValues.h"
#include "content/FileType.h"
#include "parse/TrashLists.h"
#include "support/TestSupport.h"
#include "utility/StringConvertor.h"

using namespace cs::collection;
using namespace cs::test;
using cs::utility::CDatabase;
using cs::utility::utf8ToGbk;

TEST(RecordText, DatesAndUploadMarkup)
{
    EXPECT_EQ(RecordDate("A20240301", "08:05:09"), "2024-03-01 08:05:09");
    EXPECT_EQ(RecordDate("A20241231", ""), "2024-12-31 ");
    EXPECT_EQ(StripUploadMarkup("<div>a</div>&nbsp;&quot;b&quot; &lt;ok&gt; &amp; <br/>c"), "a \"b\" <ok> & c");
    // One pass: an escaped entity stays an entity; unknown ones stay as written.
    EXPECT_EQ(StripUploadMarkup("&amp;lt; &copy; x < y"), "&lt; &copy; x < y");
    EXPECT_EQ(StripUploadMarkup("title\n<p>body</p>"), "title\nbody");
}

TEST(RecordTables, OnlyAAndEightDigits)
{
    EXPECT_TRUE(IsRecordTable("A20240301"));
    EXPECT_FALSE(IsRecordTable("A2024030"));
    EXPECT_FALSE(IsRecordTable("A2024030x"));
    EXPECT_FALSE(IsRecordTable("A202403011"));
    EXPECT_FALSE(IsRecordTable("B20240301"));
    EXPECT_FALSE(IsRecordTable("a20240301"));
    EXPECT_FALSE(IsRecordTable("C20240301"));
}

TEST(RecordClasses, KindsByPrivateTypeAndApplication)
{
    struct Case {
        int type;
        uint32_t app;
        char table;
        char kind;
        const char* word;
    } cases[] = {
        {1, 5, 'U', 'W', "web"},      {1, 3858868786u, 'U', 'S', "search"}, {2, 3858868786u, 'P', 'U', "httpup"},
        {7, 0, 'M', 'M', "mail"},     {8, 0, 'M', 'M', "mail"},             {10, 0, 'C', 'C', "chat"},
        {11, 0, 'C', 'C', "chat"},    {12, 0, 'C', 'C', "chat"},            {15, 0, 'C', 'C', "chat"},
    };
    for (const Case& c : cases) {
        const CRecordClass* pClass = ClassifyRecord(c.type, c.app);
        ASSERT_TRUE(pClass) << c.type;
        EXPECT_EQ(pClass->table, c.table) << c.type;
        EXPECT_EQ(pClass->kind, c.kind) << c.type;
        EXPECT_STREQ(pClass->word, c.word) << c.type;
    }
    for (int other : {0, 3, 9, 13, 14, 17, 20, -1})
        EXPECT_EQ(ClassifyRecord(other, 0), nullptr) << other;
}

TEST(ResultDocuments, ValuesByNameInGbk)
{
    CResultValues values;
    std::string gbk = utf8ToGbk("<result><_f n=\"host\">bbs.example.cn</_f><_f n=\"msg\">今天 &amp; 明天</_f>"
                                "<_f n=\"msg\">second</_f><_f>no name</_f></result>");
    values.parse(gbk);
    EXPECT_EQ(values.value("host"), "bbs.example.cn");
    EXPECT_EQ(values.value("msg"), utf8ToGbk("今天 & 明天"));
    EXPECT_EQ(values.value("title"), "");
    // A declaration of another character set does not fool the reader.
    values.parse("<?xml version=\"1.0\" encoding=\"utf-8\"?><r><_f n=\"t\">" + utf8ToGbk("中文") + "</_f></r>");
    EXPECT_EQ(values.value("t"), utf8ToGbk("中文"));

    CLogCapture log;
    for (const char* bad : {"", "<result><_f n=\"msg\">cut", "plain text", "<r><_f n=\"a\">1</_f></r><r/>"}) {
        values.parse(bad);
        EXPECT_EQ(values.value("msg"), "") << bad;
        EXPECT_EQ(values.value("a"), "") << bad;
    }
    EXPECT_TRUE(log.logged("DEBUG", "can not parse result"));
}

TEST(ResultDocuments, TrashDomainCountsOnlyInTheHostElement)
{
    std::string domain = cs::parse::kTrashDomain;
    EXPECT_TRUE(HostHoldsTrashDomain("<result><_f n=\"host\">" + domain + "</_f></result>"));
    EXPECT_TRUE(HostHoldsTrashDomain("<result><_f n=\"url\">x</_f><_f n=\"host\">a." + domain + ":80</_f>"));
    // A document cut short inside the host element.
    EXPECT_TRUE(HostHoldsTrashDomain("<result><_f n=\"host\">" + domain));
    EXPECT_FALSE(HostHoldsTrashDomain("<result><_f n=\"host\">files.example.com</_f><_f n=\"url\">http://" + domain +
                                      "/</_f></result>"));
    EXPECT_FALSE(HostHoldsTrashDomain("<result><_f n=\"body\">" + domain + "</_f></result>"));
    EXPECT_FALSE(HostHoldsTrashDomain(""));
}

namespace {

// Name tables in a database of their own, and a content tree on disk.
class RecordBuilderTest : public ::testing::Test {
protected:
    RecordBuilderTest() : m_scratch("builder"), m_root(MakeTempDir("content") + "/"), m_builder(m_names)
    {
        CDatabase db;
        const TestDbServer& server = TestDatabaseServer();
        db.connect(server.server(), m_scratch.name(), server.user, server.password);
        db.execute("SET NAMES utf8mb4");
        db.execute("CREATE TABLE username (user_crc INT UNSIGNED PRIMARY KEY, name VARCHAR(64)) CHARSET=utf8mb4");
        db.execute("CREATE TABLE groupname (group_crc INT SIGNED PRIMARY KEY, group_name VARCHAR(64)) CHARSET=utf8mb4");
        db.execute("INSERT INTO username VALUES (1, 'BOB'), (2, '馬華'), (4000000000, '刘洋Liu')");
        // A signed column holds a CRC above 2^31 as a negative number.
        db.execute("INSERT INTO groupname VALUES (7, '研发部'), (-294967296, 'Sales-East')");
        CDatabase gbk;
        gbk.connect(server.server(), m_scratch.name(), server.user, server.password);
        m_names.load(gbk);
        m_builder.setContentRoot(m_root);
    }

    CRecordDocument build(const CRecordRow& record, const CContentRow& content, const char* table = "A20240301")
    {
        CRecordDocument doc;
        m_builder.build(table, record, *ClassifyRecord(record.privateType, record.appCrc), content, doc);
        return doc;
    }

    static CRecordRow Record(int type, uint32_t app = 11)
    {
        CRecordRow record;
        record.autoId = 40;
        record.privateType = type;
        record.appCrc = app;
        record.userCrc = "2";
        record.groupCrc = "4000000000";
        record.recordTime = "23:59:01";
        return record;
    }

    static CContentRow Content(const std::string& resultUtf8, const std::string& path = "")
    {
        CContentRow content;
        content.autoId = 9;
        content.result = utf8ToGbk(resultUtf8);
        content.path = path;
        return content;
    }

    CScratchDatabase m_scratch;
    std::string m_root;
    CNameTables m_names;
    CRecordBuilder m_builder;
};

} // namespace

TEST_F(RecordBuilderTest, NameTablesAnswerByCrc)
{
    EXPECT_FALSE(m_names.empty());
    EXPECT_EQ(m_names.user("1"), "BOB");
    EXPECT_EQ(m_names.user("2"), "\xF1\x52\xC8\x41");   // GBK over the connection
    EXPECT_EQ(m_names.user("4000000000"), utf8ToGbk("刘洋Liu"));
    EXPECT_EQ(m_names.user("-294967296"), utf8ToGbk("刘洋Liu"));   // the same 32 bits
    EXPECT_EQ(m_names.group("4000000000"), "Sales-East");
    EXPECT_EQ(m_names.user(""), "");
    EXPECT_EQ(m_names.user("3"), "");
}

TEST_F(RecordBuilderTest, CommonFieldsOfEveryKind)
{
    CRecordRow record = Record(10);
    record.userCrc = "1";
    record.groupCrc = "7";
    CRecordDocument doc = build(record, Content("<r><_f n=\"msg\">hello</_f></r>"));
    EXPECT_EQ(doc.user, "bob");
    EXPECT_EQ(doc.group, utf8ToGbk("研发部"));
    EXPECT_EQ(doc.date, "2024-03-01 23:59:01");
    EXPECT_EQ(doc.type, "chat");
    EXPECT_EQ(doc.path, "C/20240301/9");
    EXPECT_EQ(doc.kind, 'C');

    record.userCrc = "2";
    record.groupCrc = "";   // NULL
    doc = build(record, Content("<r><_f n=\"msg\">hello</_f></r>"));
    EXPECT_EQ(doc.user, "\xF1\x52\xC8\x41");
    EXPECT_EQ(doc.group, "");
}

TEST_F(RecordBuilderTest, ChatTakesMsgOrImContent)
{
    const char* both = "<r><_f n=\"msg\">plain message</_f><_f n=\"im_content\">你好 world</_f></r>";
    for (int type : {10, 11, 12}) {
        CRecordDocument doc = build(Record(type), Content(both));
        EXPECT_EQ(doc.text, "plain message") << type;
        EXPECT_EQ(doc.fileType, cs::content::filetype::UNKNOWN);
        EXPECT_EQ(doc.file, "");
    }
    EXPECT_EQ(build(Record(15), Content(both)).text, utf8ToGbk("你好 world"));
    EXPECT_EQ(build(Record(15), Content("<r><_f n=\"im_content\">cut")).text, "");
}

TEST_F(RecordBuilderTest, WebPagesAndSearchRequests)
{
    WriteFile(m_root + "20240301/http/05/e_1_2_3.htm", "scrambled");
    CRecordDocument web = build(Record(1), Content("<r><_f n=\"title\">News</_f></r>", "/qvlog/20240301/http/05/1_2_3.htm"));
    EXPECT_EQ(web.kind, 'W');
    EXPECT_EQ(web.type, "web");
    EXPECT_EQ(web.text, "News");
    EXPECT_EQ(web.fileType, cs::content::filetype::HTML);
    EXPECT_EQ(web.file, m_root + "20240301/http/05/e_1_2_3.htm");
    EXPECT_EQ(web.path, "W/20240301/9");

    // Without an "e_" file the plain "n_" name is taken, present or not.
    web = build(Record(1), Content("<r/>", "/qvlog/20240301/http/06/x.htm"));
    EXPECT_EQ(web.file, m_root + "20240301/http/06/n_x.htm");
    web = build(Record(1), Content("<r/>"));
    EXPECT_EQ(web.fileType, cs::content::filetype::UNKNOWN);
    EXPECT_EQ(web.file, "");

    CRecordDocument search =
        build(Record(1, 3858868786u), Content("<r><_f n=\"url\">http://www.baidu.com/s?wd=x</_f></r>", "/qvlog/x"));
    EXPECT_EQ(search.kind, 'S');
    EXPECT_EQ(search.type, "search");
    EXPECT_EQ(search.fileType, cs::content::filetype::SEARCH);
    EXPECT_EQ(search.text, "http://www.baidu.com/s?wd=x");
    EXPECT_EQ(search.file, "");
    EXPECT_EQ(search.path, "S/20240301/9");

    // Type 16 never reaches the web and search builders.
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { build(Record(16), Content("<r/>")); }), "ASSERT FAILED: FALSE");
}

TEST_F(RecordBuilderTest, UploadsByApplicationFileAndTrashRequests)
{
    const std::string result = "<r><_f n=\"url\">http://files.example.com/up</_f><_f n=\"title\">T</_f>"
                               "<_f n=\"body\">&lt;b&gt;bold&lt;/b&gt; &amp;amp;</_f></r>";
    WriteFile(m_root + "20240301/httpup/01/n_a.txt", "plain text upload\n");
    CRecordDocument up = build(Record(2), Content(result, "/qvlog/20240301/httpup/01/a.txt"));
    EXPECT_EQ(up.kind, 'U');
    EXPECT_EQ(up.type, "httpup");
    EXPECT_EQ(up.text, "T\nbold &");
    EXPECT_EQ(up.file, m_root + "20240301/httpup/01/n_a.txt");
    EXPECT_EQ(up.fileType, cs::content::filetype::TXT);
    EXPECT_EQ(up.path, "U/20240301/9");

    // Applications whose uploads are taken by their text alone.
    for (uint32_t app : {277180137u, 596060734u}) {
        up = build(Record(2, app), Content(result, "/qvlog/20240301/httpup/01/a.txt"));
        EXPECT_EQ(up.file, "");
        EXPECT_EQ(up.fileType, cs::content::filetype::UNKNOWN);
        EXPECT_EQ(up.text, "T\nbold &");
    }
    // A file that is not there: the text is still indexed.
    up = build(Record(2), Content(result, "/qvlog/20240301/httpup/01/gone.txt"));
    EXPECT_EQ(up.file, "");
    EXPECT_EQ(up.fileType, cs::content::filetype::UNKNOWN);
    EXPECT_EQ(up.text, "T\nbold &");

    // Update and telemetry requests: no text, no file.
    for (const char* host : cs::parse::kTrashRequestHosts) {
        std::string trash = "<r><_f n=\"url\">http://" + std::string(host) + "vendor.com/check</_f><_f n=\"title\">T</_f></r>";
        up = build(Record(2), Content(trash, "/qvlog/20240301/httpup/01/a.txt"));
        EXPECT_EQ(up.text, "") << host;
        EXPECT_EQ(up.file, "") << host;
        EXPECT_EQ(up.fileType, cs::content::filetype::UNKNOWN) << host;
    }
}

TEST_F(RecordBuilderTest, MailTakesItsFile)
{
    CRecordDocument mail = build(Record(7), Content("", "/qvlog/20240301/mail/02/1_1.eml"));
    EXPECT_EQ(mail.kind, 'M');
    EXPECT_EQ(mail.type, "mail");
    EXPECT_EQ(mail.text, "");
    EXPECT_EQ(mail.fileType, cs::content::filetype::EML);
    EXPECT_EQ(mail.file, m_root + "20240301/mail/02/n_1_1.eml");
    mail = build(Record(8), Content(""));
    EXPECT_EQ(mail.fileType, cs::content::filetype::UNKNOWN);
    EXPECT_EQ(mail.file, "");
    EXPECT_EQ(mail.path, "M/20240301/9");
}

TEST_F(RecordBuilderTest, PathsOutsideTheLogTreeAreBadRecords)
{
    for (const char* path : {"/var/log/x.eml", "qvlog/x.eml", "/qvlog/", "x.eml", "/QVLOG/x.eml",
                             "/qvlog/20240301/../../../etc/passwd", "/qvlog/..\\..\\secret"}) {
        EXPECT_THROW(build(Record(7), Content("", path)), CBadRecord) << path;
        EXPECT_THROW(build(Record(1), Content("<r/>", path)), CBadRecord) << path;
    }
    EXPECT_EQ(RaisedMessage<CBadRecord>([&] { m_builder.attachPath("/var/x"); }),
              "path.size() > orig_dirstr_size && memcmp(path.c_str(), orig_dirstr, orig_dirstr_size) == 0");
    // Names that only look like climbing are fine.
    EXPECT_EQ(m_builder.attachPath("/qvlog/a/..b/c..d"), m_root + "a/..b/n_c..d");
}
