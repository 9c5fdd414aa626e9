// tools/make-activity-db: the tables, rows and files it leaves, checked against
// its own summary by reading them the way the collection does.
#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "collect/Database.h"
#include "parse/TrashLists.h"
#include "support/TestSupport.h"
#include "utility/StringConvertor.h"

using namespace cs::test;
using cs::utility::CDatabase;

namespace {

const char* const kCountQuery =
    "select count(*) as total from %s where auto_id >= %d and ( private_type = 1 or private_type = 2 or "
    "private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or private_type = 7 or "
    "private_type = 8 or private_type = 15 and index3 = 1 )";
const char* const kSelectQuery =
    "select auto_id, record_id, dev_id, account_id, user_crc, app_crc, group_crc, record_time, private_type "
    "from %s where auto_id >= %d and ( private_type = 1 or private_type = 2 or private_type = 10 and index3 = 1 "
    "or private_type = 12 and index3 = 1 or private_type = 7 or private_type = 8 or private_type = 15 and "
    "index3 = 1 ) order by auto_id asc";

std::string Sql(const char* format, const std::string& table, int autoId = 0)
{
    char buffer[1024];
    snprintf(buffer, sizeof(buffer), format, table.c_str(), autoId);
    return buffer;
}

// A number of the summary: `key` inside the object `section` (or anywhere).
long JsonNumber(const std::string& json, const std::string& section, const std::string& key)
{
    size_t from = section.empty() ? 0 : json.find("\"" + section + "\": {");
    EXPECT_NE(from, std::string::npos) << section;
    size_t at = json.find("\"" + key + "\": ", from);
    EXPECT_NE(at, std::string::npos) << section << "." << key;
    return std::stol(json.substr(at + key.size() + 4));
}

ProcessResult Generate(const std::string& database, const std::string& filepath, int seed,
                       const std::string& expect)
{
    return RunProcess({SourcePath("tools/make-activity-db"), "--env", TestDatabaseServer().envFile, "--database",
                       database, "--filepath", filepath, "--records", "240", "--days", "3", "--seed",
                       std::to_string(seed), "--expect", expect});
}

// Every file below `root`: relative path to content.
std::map<std::string, std::string> Tree(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), root).string()] = ReadFile(entry.path().string());
    }
    return files;
}

std::string Unscramble(std::string data)
{
    for (char& c : data)
        c = static_cast<char>(c ^ 0xC6);
    return data;
}

class ActivityDbGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = MakeTempDir("logs");
        m_expect = m_root + "/expect.json";
        ProcessResult result = Generate(m_scratch.name(), m_root, 7, m_expect);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        m_json = ReadFile(m_expect);
        const auto& server = TestDatabaseServer();
        m_db.connect(server.server(), m_scratch.name(), server.user, server.password);
        m_db.listTables();
        m_tables.insert(m_db.tableNames().begin(), m_db.tableNames().end());
    }

    // Every row of a query, each a column-to-value map.
    std::vector<std::map<std::string, std::string>> rows(const std::string& sql,
                                                         const std::vector<std::string>& columns)
    {
        std::vector<std::map<std::string, std::string>> all;
        CDatabase::CRowset rowset;
        m_db.query(rowset, sql);
        while (rowset.fetch()) {
            all.emplace_back();
            for (const std::string& column : columns)
                all.back()[column] = rowset.field(column);
        }
        return all;
    }

    CScratchDatabase m_scratch{"gen"};
    std::string m_root;
    std::string m_expect;
    std::string m_json;
    CDatabase m_db;
    std::set<std::string> m_tables;
};

} // namespace

TEST_F(ActivityDbGeneratorTest, MakesTheTablesOfEachDay)
{
    for (const char* day : {"20240301", "20240302", "20240303"}) {
        for (const char* letter : {"A", "U", "P", "M", "O"})
            EXPECT_TRUE(m_tables.count(letter + std::string(day))) << letter << day;
    }
    // The last day has no chat table.
    EXPECT_TRUE(m_tables.count("C20240301"));
    EXPECT_TRUE(m_tables.count("C20240302"));
    EXPECT_FALSE(m_tables.count("C20240303"));
    // Names that resemble record tables.
    for (const char* name : {"A2024030", "A2024030x", "A202403010", "B20240301", "username", "groupname"})
        EXPECT_TRUE(m_tables.count(name)) << name;

    long records = 0;
    for (const char* table : {"A20240301", "A20240302", "A20240303"})
        records += std::stol(rows(std::string("select count(*) as n from ") + table, {"n"})[0]["n"]);
    EXPECT_EQ(records, JsonNumber(m_json, "", "records"));
    EXPECT_GE(records, 240);
}

TEST_F(ActivityDbGeneratorTest, CoversEveryKindOfRecord)
{
    std::set<std::string> seen;
    for (const char* table : {"A20240301", "A20240302", "A20240303"}) {
        for (auto& row : rows(std::string("select private_type, app_crc, index3, user_crc, group_crc from ") + table,
                              {"private_type", "app_crc", "index3", "user_crc", "group_crc"})) {
            const std::string& type = row["private_type"];
            seen.insert("type " + type);
            seen.insert("type " + type + " index3 " + row["index3"]);
            if (type == "1" && row["app_crc"] == "3858868786")
                seen.insert("search");
            if (type == "2" && (row["app_crc"] == "277180137" || row["app_crc"] == "596060734"))
                seen.insert("plain upload " + row["app_crc"]);
            if (!std::set<std::string>{"1", "2", "7", "8", "10", "11", "12", "15", "16"}.count(type))
                seen.insert("other type");
            if (row["user_crc"].empty())
                seen.insert("null user");
            if (row["group_crc"].empty())
                seen.insert("null group");
        }
    }
    for (const char* kind : {"type 1", "type 2", "type 7", "type 8", "type 11", "type 16", "search",
                             "plain upload 277180137", "plain upload 596060734", "type 10 index3 0",
                             "type 10 index3 1", "type 12 index3 0", "type 12 index3 1", "type 15 index3 0",
                             "type 15 index3 1", "other type", "null user", "null group"})
        EXPECT_TRUE(seen.count(kind)) << kind;

    // Content oddities the collection must live with.
    auto countOf = [&](const std::string& sql) { return std::stol(rows(sql, {"n"})[0]["n"]); };
    EXPECT_GT(countOf("select count(*) as n from U20240301 where path is null"), 0);
    EXPECT_GT(countOf("select count(*) as n from U20240301 where path = ''"), 0);
    EXPECT_GT(countOf("select count(*) as n from U20240301 where result is null"), 0);
    EXPECT_GT(countOf("select count(*) as n from U20240301 where result not like '%</result>'"), 0);
    EXPECT_GT(countOf("select count(*) as n from C20240301 where result not like '%</result>'"), 0);
    EXPECT_GT(countOf("select count(*) as n from M20240301 where mail_path is null"), 0);
    EXPECT_GT(countOf("select count(*) as n from O20240301"), 0);
}

TEST_F(ActivityDbGeneratorTest, SummaryMatchesWhatTheRowsSay)
{
    std::map<std::string, long> collected, passed;
    long selected = 0;
    for (const char* table : {"A20240301", "A20240302", "A20240303"}) {
        selected += std::stol(rows(Sql(kCountQuery, table), {"total"})[0]["total"]);
        const std::string day = std::string(table).substr(1);
        auto records = rows(Sql(kSelectQuery, table),
                            {"record_id", "dev_id", "account_id", "app_crc", "private_type", "auto_id"});
        for (auto& record : records) {
            int type = std::stoi(record["private_type"]);
            std::string letter = type == 1 ? "U" : type == 2 ? "P" : (type == 7 || type == 8) ? "M" : "C";
            if (!m_tables.count(letter + day)) {
                ++passed["no_content_table"];
                continue;
            }
            auto content = rows("select * from " + letter + day + " where record_id = " + record["record_id"] +
                                    " and dev_id = " + record["dev_id"] + " and account_id = " +
                                    record["account_id"],
                                {"auto_id"});
            if (content.empty()) {
                ++passed["no_content_row"];
                continue;
            }
            ASSERT_EQ(content.size(), 1u) << table << " " << record["auto_id"];
            if (letter == "P") {
                std::string result = rows("select result from P" + day + " where auto_id = " + content[0]["auto_id"],
                                          {"result"})[0]["result"];
                size_t host = result.find("<_f n=\"host\">");
                if (host != std::string::npos &&
                    result.substr(host, result.find("</_f>", host) - host).find(cs::parse::kTrashDomain) !=
                        std::string::npos) {
                    ++passed["trash_domain"];
                    continue;
                }
            }
            std::string kind = type == 1 ? (record["app_crc"] == "3858868786" ? "S" : "W")
                               : letter == "P" ? "U" : letter;
            ++collected[kind];
        }
    }
    EXPECT_EQ(selected, JsonNumber(m_json, "", "selected"));
    long all = 0;
    for (const char* kind : {"W", "C", "U", "S", "M"}) {
        EXPECT_EQ(collected[kind], JsonNumber(m_json, "collected", kind)) << kind;
        EXPECT_GT(collected[kind], 0) << kind;
        all += collected[kind];
    }
    EXPECT_EQ(all, JsonNumber(m_json, "collected", "ALL"));
    EXPECT_EQ(JsonNumber(m_json, "collected_web_off", "ALL"), all - collected["W"]);
    for (const char* reason : {"no_content_table", "no_content_row", "trash_domain"}) {
        EXPECT_EQ(passed[reason], JsonNumber(m_json, "passed_over", reason)) << reason;
        EXPECT_GT(passed[reason], 0) << reason;
    }
}

TEST_F(ActivityDbGeneratorTest, ContentFilesLieWhereTheRowsPoint)
{
    const std::string base = m_root + "/" + m_scratch.name() + "/";
    std::map<std::string, long> found;
    std::string scrambledPage, plainPage, mail;
    for (const char* day : {"20240301", "20240302", "20240303"}) {
        std::vector<std::pair<std::string, std::string>> paths;
        for (const char* letter : {"U", "P"})
            for (auto& row : rows(std::string("select path from ") + letter + day, {"path"}))
                paths.emplace_back(letter, row["path"]);
        for (auto& row : rows(std::string("select mail_path from M") + day, {"mail_path"}))
            paths.emplace_back("M", row["mail_path"]);
        for (auto& [letter, path] : paths) {
            if (path.empty())
                continue;
            ASSERT_EQ(path.rfind("/qvlog/", 0), 0u) << path;
            size_t slash = path.rfind('/');
            std::string dir = base + path.substr(7, slash + 1 - 7), name = path.substr(slash + 1);
            if (FileExists(dir + "e_" + name)) {
                ++found["scrambled"];
                EXPECT_FALSE(FileExists(dir + "n_" + name)) << path;
                if (letter == "U")
                    scrambledPage = Unscramble(ReadFile(dir + "e_" + name));
                if (letter == "M")
                    mail = Unscramble(ReadFile(dir + "e_" + name));
            } else if (FileExists(dir + "n_" + name)) {
                ++found["plain"];
                if (letter == "U")
                    plainPage = ReadFile(dir + "n_" + name);
            } else {
                ++found["missing"];
            }
        }
    }
    for (const char* kind : {"scrambled", "plain", "missing"}) {
        EXPECT_EQ(found[kind], JsonNumber(m_json, "files", kind)) << kind;
        EXPECT_GT(found[kind], 0) << kind;
    }
    size_t onDisk = Tree(base).size();
    EXPECT_EQ(static_cast<long>(onDisk),
              found["scrambled"] + found["plain"] + JsonNumber(m_json, "files", "orphans") + 1);   // + marker
    EXPECT_NE(scrambledPage.find("<html>"), std::string::npos);
    EXPECT_NE(scrambledPage.find("</html>"), std::string::npos);
    EXPECT_NE(plainPage.find("<html>"), std::string::npos);
    EXPECT_NE(mail.find("MIME-Version: 1.0"), std::string::npos);
}

TEST_F(ActivityDbGeneratorTest, NamesAreStoredInUtf8AndReadAsGbk)
{
    auto users = rows("select name, hex(name) as stored from username", {"name", "stored"});
    std::set<std::string> names;
    for (auto& user : users)
        names.insert(user["name"]);
    const std::string mahua = cs::utility::utf8ToGbk("\xE9\xA6\xAC\xE8\x8F\xAF");
    EXPECT_EQ(mahua, "\xF1\x52\xC8\x41");   // trail bytes in the range of ASCII capitals
    EXPECT_TRUE(names.count(mahua));
    EXPECT_TRUE(names.count("Alice.Wong"));
    EXPECT_TRUE(names.count("BOB"));
    bool utf8Stored = false;
    for (auto& user : users)
        utf8Stored |= user["stored"] == "E9A6ACE88FAF";
    EXPECT_TRUE(utf8Stored);
    EXPECT_FALSE(rows("select group_name from groupname", {"group_name"}).empty());
}

TEST_F(ActivityDbGeneratorTest, SameSeedSameData)
{
    std::string again = MakeTempDir("again");
    ProcessResult result = Generate(m_scratch.name(), again, 7, again + "/expect.json");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(again + "/expect.json"), m_json);
    EXPECT_TRUE(Tree(again + "/" + m_scratch.name()) == Tree(m_root + "/" + m_scratch.name()));

    std::string other = MakeTempDir("other");
    result = Generate(m_scratch.name(), other, 8, other + "/expect.json");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(ReadFile(other + "/expect.json"), m_json);
}

TEST_F(ActivityDbGeneratorTest, LeavesForeignFoldersAlone)
{
    std::string root = MakeTempDir("foreign");
    WriteFile(root + "/" + m_scratch.name() + "/keep.txt", "someone else's file");
    ProcessResult result = Generate(m_scratch.name(), root, 7, root + "/expect.json");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("not touching it"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFile(root + "/" + m_scratch.name() + "/keep.txt"), "someone else's file");
}
