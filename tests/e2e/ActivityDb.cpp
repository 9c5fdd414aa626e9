#include "e2e/ActivityDb.h"

#include <zlib.h>

#include "support/TestSupport.h"

namespace cs::test {

namespace {

std::string Quoted(const std::string& text)
{
    if (text == "NULL")
        return text;
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "'";
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string CrcOrNull(const std::string& name)
{
    return name.empty() ? "NULL" : std::to_string(CActivityDb::Crc(name));
}

} // namespace

CActivityDb::CActivityDb(const std::string& database)
{
    const TestDbServer& server = TestDatabaseServer();
    m_db.connect(server.server(), database, server.user, server.password);
    m_db.execute("SET NAMES utf8mb4");
}

void CActivityDb::sql(const std::string& utf8) { m_db.execute(utf8); }

uint32_t CActivityDb::Crc(const std::string& bytes)
{
    return static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string CActivityDb::Result(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string text = "<result>";
    for (const auto& [name, value] : values)
        text += "<_f n=\"" + name + "\">" + Escaped(value) + "</_f>";
    return text + "</result>";
}

void CActivityDb::names(const std::vector<std::string>& users, const std::vector<std::string>& groups)
{
    sql("CREATE TABLE IF NOT EXISTS username (user_crc INT UNSIGNED PRIMARY KEY, name VARCHAR(64)) CHARSET=utf8mb4");
    sql("CREATE TABLE IF NOT EXISTS groupname (group_crc INT UNSIGNED PRIMARY KEY, group_name VARCHAR(64)) "
        "CHARSET=utf8mb4");
    for (const std::string& user : users)
        sql("INSERT INTO username VALUES (" + std::to_string(Crc(user)) + ", " + Quoted(user) + ")");
    for (const std::string& group : groups)
        sql("INSERT INTO groupname VALUES (" + std::to_string(Crc(group)) + ", " + Quoted(group) + ")");
}

void CActivityDb::day(const std::string& day, const std::string& letters)
{
    sql("CREATE TABLE A" + day +
        " (auto_id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY, record_id INT UNSIGNED NOT NULL, "
        "dev_id INT UNSIGNED NOT NULL, account_id INT UNSIGNED NOT NULL, user_crc INT UNSIGNED NULL, "
        "group_crc INT UNSIGNED NULL, app_crc INT UNSIGNED NULL, record_time TIME NULL, private_type INT NOT NULL, "
        "index3 TINYINT NOT NULL DEFAULT 0) CHARSET=utf8mb4");
    for (char letter : letters) {
        std::string columns = letter == 'M' ? "mail_path VARCHAR(255) NULL"
                              : letter == 'C' || letter == 'O' ? "result MEDIUMTEXT NULL"
                                                                : "result MEDIUMTEXT NULL, path VARCHAR(255) NULL";
        sql(std::string("CREATE TABLE ") + letter + day +
            " (auto_id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY, record_id INT UNSIGNED NOT NULL, "
            "dev_id INT UNSIGNED NOT NULL, account_id INT UNSIGNED NOT NULL, " + columns + ") CHARSET=utf8mb4");
    }
}

uint32_t CActivityDb::lastId()
{
    utility::CDatabase::CRowset rows;
    m_db.query(rows, "select last_insert_id() as id");
    rows.fetch();
    return static_cast<uint32_t>(std::stoul(rows.field("id")));
}

CActivityDb::Added CActivityDb::add(const std::string& day, const Row& row)
{
    uint32_t recordId = m_nextRecordId++;
    std::string key = std::to_string(recordId) + ", 2, 3";
    Added added;
    sql("INSERT INTO A" + day + " (record_id, dev_id, account_id, user_crc, group_crc, app_crc, record_time, "
        "private_type, index3) VALUES (" + key + ", " + CrcOrNull(row.user) + ", " + CrcOrNull(row.group) + ", " +
        std::to_string(row.app) + ", '" + row.time + "', " + std::to_string(row.type) + ", " +
        std::to_string(row.index3) + ")");
    added.autoId = lastId();
    if (!row.content)
        return added;
    char letter = row.type == 1 || row.type == 16 ? 'U'
                  : row.type == 2                 ? 'P'
                  : row.type == 7 || row.type == 8 ? 'M'
                  : row.type == 10 || row.type == 11 || row.type == 12 || row.type == 15 ? 'C'
                                                                                        : 'O';
    std::string table = letter + day;
    if (letter == 'M')
        sql("INSERT INTO " + table + " (record_id, dev_id, account_id, mail_path) VALUES (" + key + ", " +
            Quoted(row.path) + ")");
    else if (letter == 'C' || letter == 'O')
        sql("INSERT INTO " + table + " (record_id, dev_id, account_id, result) VALUES (" + key + ", " +
            Quoted(row.result) + ")");
    else
        sql("INSERT INTO " + table + " (record_id, dev_id, account_id, result, path) VALUES (" + key + ", " +
            Quoted(row.result) + ", " + Quoted(row.path) + ")");
    added.contentId = lastId();
    return added;
}

} // namespace cs::test
