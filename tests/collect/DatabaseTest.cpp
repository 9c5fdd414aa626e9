// CDatabase against the private test server.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "collect/Database.h"
#include "support/TestSupport.h"
#include "utility/StringConvertor.h"

using cs::test::CScratchDatabase;
using cs::test::TestDatabaseServer;
using cs::utility::CDatabase;

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    DatabaseTest() : m_scratch("db") { connect(m_db); }

    void connect(CDatabase& db)
    {
        const auto& server = TestDatabaseServer();
        db.connect(server.server(), m_scratch.name(), server.user, server.password);
    }

    // The text of the exception `statement` raises, or "(none)".
    template <typename F>
    static std::string errorOf(F statement)
    {
        try {
            statement();
        } catch (const CDatabase::Exception& e) {
            return e.what();
        }
        return "(none)";
    }

    CScratchDatabase m_scratch;
    CDatabase m_db;
};

// A large result that cannot fit into the socket buffers between server and client.
const char* const kLargeQuery = "select seq, repeat('x', 1000) as pad from seq_1_to_50000";

} // namespace

TEST(DatabaseServerText, SplitsHostAndPort)
{
    struct Case {
        const char* server;
        const char* host;
        unsigned int port;
    } cases[] = {
        {"db.local, 3307", "db.local", 3307}, {"db.local,3307", "db.local", 3307},
        {"db.local,  \t 3307", "db.local", 3307}, {"db.local,", "db.local", 3306},
        {"db.local", "db.local", 3306}, {"db.local, ", "db.local", 3306},
        // A port missing from the database information file reads as -1.
        {"db.local, -1", "db.local", 3306}, {"db.local, abc", "db.local", 3306},
        {"db.local, 70000", "db.local", 3306}, {"a,b, 3307", "a", 3306}, {"", "", 3306},
    };
    for (const Case& c : cases) {
        std::string host = "unchanged";
        unsigned int port = 1;
        CDatabase::parseServer(c.server, host, port);
        EXPECT_EQ(host, c.host) << c.server;
        EXPECT_EQ(port, c.port) << c.server;
    }
}

TEST_F(DatabaseTest, ConnectsToThePortAfterTheComma)
{
    const auto& server = TestDatabaseServer();
    for (const std::string& text : {server.host + "," + std::to_string(server.port),
                                    server.host + ",    " + std::to_string(server.port)}) {
        CDatabase db;
        db.connect(text, m_scratch.name(), server.user, server.password);
        CDatabase::CRowset rows;
        db.query(rows, "select @@port as port");
        ASSERT_TRUE(rows.fetch());
        EXPECT_EQ(rows.field("port"), std::to_string(server.port));
    }
    CDatabase wrong;
    std::string text = errorOf([&] { wrong.connect(server.host + ", 1", "", server.user, server.password); });
    EXPECT_NE(text.find("Can't connect"), std::string::npos) << text;
    CDatabase denied;
    text = errorOf([&] { denied.connect(server.server(), "", server.user, "wrong password"); });
    EXPECT_NE(text.find("Access denied"), std::string::npos) << text;
}

TEST(DatabaseDefaultPort, ServerTextWithoutPortGoesTo3306)
{
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(3306);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(listener, 4) != 0) {
        ::close(listener);
        GTEST_SKIP() << "port 3306 is taken on this machine";
    }
    // Accepts each connection and hangs up at once: the client fails, but the
    // listener has seen where it went.
    std::atomic<int> accepted{0};
    std::thread acceptor([&] {
        for (int i = 0; i < 2; ++i) {
            int client = ::accept(listener, nullptr, nullptr);
            if (client < 0)
                return;
            ++accepted;
            ::close(client);
        }
    });
    for (const char* server : {"127.0.0.1,", "127.0.0.1"}) {
        CDatabase db;
        EXPECT_THROW(db.connect(server, "", "nobody", "none"), CDatabase::Exception) << server;
    }
    acceptor.join();
    ::close(listener);
    EXPECT_EQ(accepted.load(), 2);
}

TEST_F(DatabaseTest, ReadsRowsAndFieldsByName)
{
    m_db.execute("create table t (id int primary key, name varchar(20) not null, note varchar(20) null)");
    m_db.execute("insert into t values (1, 'one', 'first'), (2, 'two', NULL), (3, '', '')");
    CDatabase::CRowset rows;
    m_db.query(rows, "select id, name, note from t order by id");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("id"), "1");
    EXPECT_EQ(rows.field("name"), "one");
    EXPECT_EQ(rows.field("note"), "first");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("name"), "two");
    EXPECT_EQ(rows.field("note"), "");   // NULL
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("name"), "");   // empty
    EXPECT_EQ(rows.field("note"), "");
    EXPECT_FALSE(rows.fetch());
    EXPECT_FALSE(rows.fetch());
    EXPECT_FALSE(rows.fetch());
    // The connection is free again.
    m_db.query(rows, "select count(*) as total from t");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("total"), "3");
}

TEST_F(DatabaseTest, UnknownColumnRaisesWithItsName)
{
    CDatabase::CRowset rows;
    m_db.query(rows, "select 1 as one");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(errorOf([&] { rows.field("path"); }), "CDatabase::CRowset No such field: path");
    // Columns are matched by their exact name.
    EXPECT_EQ(errorOf([&] { rows.field("ONE"); }), "CDatabase::CRowset No such field: ONE");
    // A new query on the same row set replaces its columns.
    m_db.query(rows, "select 2 as two");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("two"), "2");
    EXPECT_EQ(errorOf([&] { rows.field("one"); }), "CDatabase::CRowset No such field: one");
}

TEST_F(DatabaseTest, NextStatementClosesTheOpenRowset)
{
    CDatabase::CRowset first, second;
    m_db.query(first, kLargeQuery);
    ASSERT_TRUE(first.fetch());
    EXPECT_EQ(first.field("seq"), "1");
    // The unfinished result is released and the connection stays usable.
    m_db.query(second, "select 7 as seven");
    EXPECT_FALSE(first.fetch());
    ASSERT_TRUE(second.fetch());
    EXPECT_EQ(second.field("seven"), "7");

    m_db.query(first, kLargeQuery);
    ASSERT_TRUE(first.fetch());
    m_db.execute("create table t (id int)");
    EXPECT_FALSE(first.fetch());

    m_db.query(first, kLargeQuery);
    ASSERT_TRUE(first.fetch());
    m_db.listTables();
    EXPECT_FALSE(first.fetch());

    m_db.query(first, kLargeQuery);
    ASSERT_TRUE(first.fetch());
    m_db.reconnect();
    EXPECT_FALSE(first.fetch());
    m_db.query(second, "select count(*) as total from t");
    ASSERT_TRUE(second.fetch());
    EXPECT_EQ(second.field("total"), "0");
}

TEST_F(DatabaseTest, RowsetAndConnectionMayEndInEitherOrder)
{
    CDatabase::CRowset outliving;
    {
        CDatabase db;
        connect(db);
        db.query(outliving, kLargeQuery);
        ASSERT_TRUE(outliving.fetch());
    }
    EXPECT_FALSE(outliving.fetch());
    {
        CDatabase::CRowset shortLived;
        m_db.query(shortLived, kLargeQuery);
        ASSERT_TRUE(shortLived.fetch());
        // Closing twice is harmless.
        shortLived.close();
    }
    CDatabase::CRowset rows;
    m_db.query(rows, "select 1 as one");
    EXPECT_TRUE(rows.fetch());
}

TEST_F(DatabaseTest, ListsTheTablesOfTheDatabase)
{
    m_db.listTables();
    EXPECT_TRUE(m_db.tableNames().empty());
    for (const char* name : {"A20240301", "U20240301", "username", "A2024030x"})
        m_db.execute(std::string("create table ") + name + " (id int)");
    m_db.listTables();
    std::vector<std::string> names = m_db.tableNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A20240301", "A2024030x", "U20240301", "username"}));
    // A second listing replaces the first.
    m_db.execute("drop table A2024030x");
    m_db.listTables();
    EXPECT_EQ(m_db.tableNames().size(), 3u);
}

TEST_F(DatabaseTest, TextComesAndGoesAsGbk)
{
    // Stored as UTF-8 by another client (the names below in UTF-8 hex), read as GBK.
    const std::string mahua = "\xE9\xA6\xAC\xE8\x8F\xAF";   // two characters whose GBK trail bytes are 'R' and 'A'
    const std::string zhangwei = "\xE5\xBC\xA0\xE4\xBC\x9F";
    m_db.execute("create table username (user_crc int unsigned primary key, name varchar(64)) default charset=utf8mb4");
    m_db.execute("insert into username values (1, _utf8mb4 X'E9A6ACE88FAF'), (2, _utf8mb4 X'E5BCA0E4BC9F'), "
                 "(3, 'Alice.Wong')");
    CDatabase::CRowset rows;
    m_db.query(rows, "select user_crc, name from username order by user_crc");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("name"), cs::utility::utf8ToGbk(mahua));
    EXPECT_EQ(rows.field("name"), "\xF1\x52\xC8\x41");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("name"), cs::utility::utf8ToGbk(zhangwei));
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("name"), "Alice.Wong");

    // GBK sent by this program is stored as UTF-8.
    m_db.execute("insert into username values (4, '" + cs::utility::utf8ToGbk(mahua) + "')");
    m_db.query(rows, "select hex(name) as stored, name from username where user_crc = 4");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("stored"), "E9A6ACE88FAF");
    EXPECT_EQ(rows.field("name"), "\xF1\x52\xC8\x41");
}

TEST_F(DatabaseTest, FailedStatementsRaiseTheServersText)
{
    std::string text = errorOf([&] { m_db.execute("select * from no_such_table"); });
    EXPECT_EQ(text, "Table '" + m_scratch.name() + ".no_such_table' doesn't exist");
    text = errorOf([&] { m_db.execute("selec 1"); });
    EXPECT_EQ(text.rfind("You have an error in your SQL syntax", 0), 0u) << text;
    CDatabase::CRowset rows;
    text = errorOf([&] { m_db.query(rows, "select nope from no_such_table"); });
    EXPECT_EQ(text, "Table '" + m_scratch.name() + ".no_such_table' doesn't exist");
    EXPECT_FALSE(rows.fetch());
    // A statement without rows cannot feed a row set.
    text = errorOf([&] { m_db.query(rows, "create table t (id int)"); });
    EXPECT_EQ(text, "statement returned no rows: create table t (id int)");
    // The family is the standard runtime error.
    EXPECT_THROW(m_db.execute("drop table no_such_table"), std::runtime_error);
    // None of these broke the connection.
    m_db.query(rows, "select 1 as one");
    EXPECT_TRUE(rows.fetch());
}

TEST_F(DatabaseTest, ExecuteDiscardsRowsItIsGiven)
{
    m_db.execute(kLargeQuery);
    m_db.execute("select 1");
    CDatabase::CRowset rows;
    m_db.query(rows, "select 2 as two");
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.field("two"), "2");
}

TEST_F(DatabaseTest, ServerEndingAResultEarlyIsSurvivedByReconnect)
{
    CDatabase::CRowset rows;
    m_db.query(rows, "select connection_id() as id");
    ASSERT_TRUE(rows.fetch());
    const std::string id = rows.field("id");

    m_db.query(rows, kLargeQuery);
    ASSERT_TRUE(rows.fetch());
    CDatabase killer;
    connect(killer);
    killer.execute("KILL " + id);

    int read = 1;
    while (rows.fetch())
        ++read;
    EXPECT_LT(read, 50000);
    EXPECT_FALSE(rows.fetch());
    EXPECT_THROW(m_db.execute("select 1"), CDatabase::Exception);

    m_db.reconnect();
    m_db.query(rows, "select connection_id() as id, database() as db");
    ASSERT_TRUE(rows.fetch());
    EXPECT_NE(rows.field("id"), id);
    EXPECT_EQ(rows.field("db"), m_scratch.name());
}

TEST(DatabaseConnect, ReconnectWithoutAConnectionFails)
{
    // Nothing stored: the empty host means the local default socket, and the
    // failure is reported as an exception, not a crash.
    CDatabase db;
    EXPECT_THROW(db.reconnect(), CDatabase::Exception);
    CDatabase::CRowset rows;
    EXPECT_THROW(db.query(rows, "select 1"), CDatabase::Exception);
}
