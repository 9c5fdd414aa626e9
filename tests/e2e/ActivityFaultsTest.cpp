// The activity-record collection under faults: the process killed at random
// moments, the server breaking off the record query or dropping the content
// connection, the server restarted. However a run ends, the next complete run
// leaves every eligible record in the index exactly once.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "collect/Database.h"
#include "e2e/ActivityDb.h"
#include "e2e/ActivitySandbox.h"
#include "index/commit/IndexRecovery.h"
#include "support/IndexFiles.h"
#include "utility/XmlDocument.h"

using namespace cs::test;
using cs::utility::CDatabase;

namespace {

// The indexer started in the background.
class CBackgroundRun {
public:
    CBackgroundRun(const CActivitySandbox& box, const std::string& database)
    {
        std::string program = box.program(), dir = box.dir();
        m_pid = ::fork();
        if (m_pid == 0) {
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (::chdir(dir.c_str()) != 0)
                ::_exit(126);
            ::execl(program.c_str(), program.c_str(), "-d", database.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~CBackgroundRun()
    {
        if (m_pid > 0 && !m_done) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }

    bool running()
    {
        if (m_done)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_done = true;
            m_status = status;
        }
        return !m_done;
    }
    // True when the signal ended the process (it had not finished yet).
    bool kill()
    {
        ::kill(m_pid, SIGKILL);
        wait();
        return WIFSIGNALED(m_status) && WTERMSIG(m_status) == SIGKILL;
    }
    // Exit code, or 128 + signal.
    int wait()
    {
        if (!m_done) {
            ::waitpid(m_pid, &m_status, 0);
            m_done = true;
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
    }

private:
    pid_t m_pid = -1;
    bool m_done = false;
    int m_status = 0;
};

std::string CollectCount(const CActivitySandbox& box, const std::string& database, const std::string& type)
{
    cs::utility::CXmlDocument doc;
    if (!doc.parseFile(box.indexDir(database) + "/collect_date.xml"))
        return "<unreadable>";
    return doc.select("/collect_date/latest_time/" + type + "/count").content();
}

long JsonCount(const std::string& json, const std::string& type)
{
    size_t from = json.find("\"collected\": {");
    size_t at = json.find("\"" + type + "\": ", from);
    return std::stol(json.substr(at + type.size() + 4));
}

class ActivityFaultsTest : public ::testing::Test {
protected:
    ActivityFaultsTest() : m_scratch("faults") {}

    const std::string& db() const { return m_scratch.name(); }

    // A generated database; its summary in m_json.
    void generate(CActivitySandbox& box, int records, int days, int seed, const std::string& envFile = "")
    {
        std::string expect = box.dir() + "/expect.json";
        ProcessResult result = RunProcess({SourcePath("tools/make-activity-db"), "--env",
                                           envFile.empty() ? TestDatabaseServer().envFile : envFile, "--database", db(),
                                           "--filepath", box.contentRoot(), "--records", std::to_string(records),
                                           "--days", std::to_string(days), "--seed", std::to_string(seed), "--expect",
                                           expect});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        m_json = ReadFile(expect);
    }

    // Every record handed over exactly once over all runs, every document once.
    void checkComplete(const CActivitySandbox& box, const std::map<std::string, int>* pReference = nullptr)
    {
        for (const char* type : {"W", "C", "U", "S", "M", "ALL"})
            EXPECT_EQ(CollectCount(box, db(), type), std::to_string(JsonCount(m_json, type))) << type;
        EXPECT_EQ(CheckIndex(box.indexDir(db())), "");
        std::map<std::string, int> counts = PathCounts(ReadActivityIndex(box.indexDir(db())));
        for (const auto& [path, count] : counts)
            EXPECT_EQ(count, 1) << path;
        if (pReference) {
            EXPECT_EQ(counts, *pReference);
        }
    }

    CScratchDatabase m_scratch;
    std::string m_json;
};

} // namespace

TEST_F(ActivityFaultsTest, KilledRunsLoseNothingAndRepeatNothing)
{
    CActivitySandbox reference;
    reference.databases({db()});
    generate(reference, 2000, 2, 2024);
    auto begin = std::chrono::steady_clock::now();
    ProcessResult result = reference.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int fullRunMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin).count());
    checkComplete(reference);

    // Small index memory: many barrels, flushes and merges to be killed in.
    CActivitySandbox box;
    box.databases({db()}, reference.contentRoot());
    std::string global = ReadFile(box.conf() + "/global.xml");
    WriteFile(box.conf() + "/global.xml", global.replace(global.find("<memory>20000000</memory>"), 25,
                                                         "<memory>10485760</memory>"));
    // When a run gets to the end before it is killed, the capture component
    // brings a new day: a copy of the first one under a later name.
    CDatabase capture;
    const TestDbServer& server = TestDatabaseServer();
    capture.connect(server.server(), db(), server.user, server.password);
    int newDays = 0;
    auto addDay = [&] {
        char day[32];
        std::snprintf(day, sizeof(day), "2024%02d%02d", 4 + newDays / 28, 1 + newDays % 28);
        ++newDays;
        for (const char* letter : {"A", "U", "P", "M", "C", "O"}) {
            capture.execute(std::string("CREATE TABLE ") + letter + day + " LIKE " + letter + "20240301");
            capture.execute(std::string("INSERT INTO ") + letter + day + " SELECT * FROM " + letter + "20240301");
        }
    };
    // Each run is killed at a moment of its own: a random time, or shortly
    // after a line that a run logs on its way through a flush (the barrel
    // list written, the state being saved, the files being renamed, the state
    // saved) or at the start of its next barrel.
    const char* const moments[] = {nullptr, "writing index barrels information", "saving collect status into path",
                                   "Now index writer is renaming it", "collect status saved",
                                   "creating barrel index writer"};
    std::mt19937 random(20240301);
    int kills = 0;
    for (int attempt = 0; kills < 30 && attempt < 120; ++attempt) {
        const char* moment = moments[random() % 6];
        int occurrence = moment == moments[5] ? 2 : 1;
        int extraMs = static_cast<int>(random() % 20);
        int timeMs = static_cast<int>(random() % static_cast<unsigned>(std::max(fullRunMs, 200)));
        size_t logged = box.logText().size();
        CBackgroundRun run(box, db());
        if (!moment) {
            std::this_thread::sleep_for(std::chrono::milliseconds(timeMs));
        } else {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (run.running() && std::chrono::steady_clock::now() < deadline) {
                std::string log = box.logText();
                int seen = 0;
                for (size_t at = log.find(moment, logged); at != std::string::npos; at = log.find(moment, at + 1))
                    ++seen;
                if (seen >= occurrence)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(extraMs));
        }
        if (run.kill())
            ++kills;
        else if (run.wait() == 0) {
            addDay();   // the run got to the end first
            addDay();
        }
        // What the next start does first; then the index must be sound.
        cs::index::CIndexRecovery::recover(box.indexDir(db()));
        EXPECT_EQ(CheckIndex(box.indexDir(db())), "") << "attempt " << attempt;
    }
    EXPECT_GE(kills, 30);
    result = box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // The reference, never killed, takes the new days as well.
    result = reference.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::map<std::string, int> expected = PathCounts(ReadActivityIndex(reference.indexDir(db())));
    std::map<std::string, int> counts = PathCounts(ReadActivityIndex(box.indexDir(db())));
    for (const auto& [path, count] : counts)
        EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(counts.size(), expected.size());
    for (const auto& [path, count] : expected)
        EXPECT_EQ(counts.count(path), 1u) << "lost: " << path;
    for (const auto& [path, count] : counts)
        EXPECT_EQ(expected.count(path), 1u) << "not in the reference: " << path;
    EXPECT_EQ(CheckIndex(box.indexDir(db())), "");
    for (const char* type : {"W", "C", "U", "S", "M", "ALL"})
        EXPECT_EQ(CollectCount(box, db(), type), CollectCount(reference, db(), type)) << type;
}

TEST_F(ActivityFaultsTest, ConnectionsKilledByTheServerAreMadeAgainAndEveryRecordCollectedOnce)
{
    CActivitySandbox box;
    box.databases({db()});
    const int records = 400;
    {
        CActivityDb activity(db());
        activity.names({"Alice"}, {"研发部"});
        activity.day("20240301", "C");
        CActivityDb::Row chat;
        for (int i = 0; i < records; ++i) {
            chat.result = CActivityDb::Result({{"msg", "chat message number " + std::to_string(i)}});
            activity.add("20240301", chat);
        }
        // Wide rows: the record query's result is far larger than the socket
        // buffers, so the server is still sending while the indexer reads.
        activity.sql("ALTER TABLE A20240301 MODIFY record_time TEXT");
        activity.sql("UPDATE A20240301 SET record_time = CONCAT(record_time, REPEAT(' ', 60000))");
    }   // from here on, the indexer's two are the only connections to the database

    box.configure("", "", "debug");   // every log line committed: a slow reader
    CDatabase admin;
    const TestDbServer& server = TestDatabaseServer();
    admin.connect(server.server(), "", server.user, server.password);
    // The id of the indexer's connection that reads the record query, and of
    // its other one (content rows) given the first.
    auto connection = [&](const std::string& recordQuery) {
        CDatabase::CRowset rows;
        admin.query(rows, "select id from information_schema.processlist where db = '" + db() + "' and " +
                              (recordQuery.empty() ? "info like 'select auto_id, record_id%'" : "id <> " + recordQuery));
        return rows.fetch() ? rows.field("id") : std::string();
    };
    auto kill = [&](const std::string& id) {
        try {
            admin.execute("KILL " + id);
            return true;
        } catch (const CDatabase::Exception&) {
            return false;   // it had ended meanwhile
        }
    };
    CBackgroundRun run(box, db());
    int killed = 0, contentKilled = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while ((killed < 2 || contentKilled < 1) && run.running() && std::chrono::steady_clock::now() < deadline) {
        std::string id = connection("");
        if (!id.empty() && contentKilled == 0) {
            // First the content connection, early, while most of the
            // records still need their content rows.
            std::string content = connection(id);
            contentKilled += !content.empty() && kill(content);
        } else if (!id.empty()) {
            // Let the indexer handle some records of the pass first.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            killed += kill(id);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(run.wait(), 0);
    EXPECT_GE(killed, 1);
    EXPECT_EQ(contentKilled, 1);
    std::string log = box.logText();
    EXPECT_NE(log.find("rowset ended by error: "), std::string::npos);
    EXPECT_NE(log.find("total != collect_count = "), std::string::npos);
    EXPECT_NE(log.find("re exec sql: select auto_id, record_id, dev_id"), std::string::npos);
    // The content query on the killed connection failed and ran again on a new one.
    EXPECT_NE(log.find("reconnect desDb"), std::string::npos);
    EXPECT_NE(log.find("reconnect exe success"), std::string::npos);
    EXPECT_FALSE(FileExists(box.dir() + "/rt.err"));
    std::map<std::string, int> counts = PathCounts(ReadActivityIndex(box.indexDir(db())));
    EXPECT_EQ(counts.size(), static_cast<size_t>(records));
    for (const auto& [path, count] : counts)
        EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(CollectCount(box, db(), "C"), std::to_string(records));
}

TEST_F(ActivityFaultsTest, ServerRestartedDuringARunLosesAndRepeatsNothing)
{
    // A server of its own: the one the other tests share keeps running.
    CActivitySandbox box;
    std::string env = box.dir() + "/private-mariadb.env";
    ProcessResult started = RunProcess({"/bin/sh", SourcePath("scripts/test-mariadb.sh"), "start", env});
    ASSERT_EQ(started.exitCode, 0) << started.err;
    struct Stop {
        std::string env;
        ~Stop() { RunProcess({"/bin/sh", SourcePath("scripts/test-mariadb.sh"), "stop", env}); }
    } stop{env};
    std::string settings = ReadFile(env);
    auto value = [&](const std::string& key) {
        size_t at = settings.find(key + "=") + key.size() + 1;
        return settings.substr(at, settings.find('\n', at) - at);
    };
    {
        CDatabase db;
        db.connect("127.0.0.1, " + value("CS_DB_PORT"), "", value("CS_DB_USER"), value("CS_DB_PASSWORD"));
        db.execute("CREATE DATABASE `" + this->db() + "`");
    }
    generate(box, 1500, 2, 99, env);
    box.writeDbInfo("dbcount=1\ndbname0=" + db() + "\nhost=127.0.0.1\nport=" + value("CS_DB_PORT") + "\nuser=" +
                    value("CS_DB_USER") + "\npassword=" + value("CS_DB_PASSWORD") + "\nfilepath=" + box.contentRoot() +
                    "\n");
    box.configure("", "", "debug");
    {
        CBackgroundRun run(box, db());
        // Restart once the run is well into its records.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (run.running() && box.logText().find("collecting record [") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ProcessResult restarted = RunProcess({"/bin/sh", SourcePath("scripts/test-mariadb.sh"), "restart", env});
        ASSERT_EQ(restarted.exitCode, 0) << restarted.err;
        int code = run.wait();
        // Either the run found the server again, or it ended with the cause in its log.
        if (code == 1) {
            // A content query: the record's place in rt.err.
            EXPECT_NE(ReadFile(box.dir() + "/rt.err").find("A2024"), std::string::npos);
        } else if (code != 0) {
            // The record query or the count: the run's own error.
            EXPECT_EQ(code, 255);
            std::string log = box.logText();
            EXPECT_TRUE(log.find("connect") != std::string::npos || log.find("Lost connection") != std::string::npos);
        }
    }
    ProcessResult result = box.index(db());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    checkComplete(box);
}
