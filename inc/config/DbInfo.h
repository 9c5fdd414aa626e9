// The database information file: `key=value` lines naming the activity
// databases to index and how to reach the server that holds them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace cs::utility {

class CDbInfo {
public:
    struct Database {
        std::string name;
        std::string description;   // GBK (the file holds UTF-8)
    };

    // An empty path is an assertion failure.
    explicit CDbInfo(const std::string& path);

    // Loads the file into the key table; false (logged at ERROR) when it
    // cannot be opened, read or parsed.
    bool read();

    // `dbcount`; 0 when missing or not a number.
    int dbCount() const;
    const std::string& host() const { return value("host"); }
    // -1 when missing or not a number.
    int port() const;
    const std::string& user() const { return value("user"); }
    const std::string& password() const { return value("password"); }
    // Root of the content files the activity records point at.
    const std::string& filePath() const { return value("filepath"); }

    // dbname<i>/dbdepict<i> for i in 0 .. dbcount - 1; a missing key gives an
    // empty text. A dbcount larger than the lines of the file raises.
    std::vector<Database> databaseList() const;

    const std::string& path() const { return m_path; }

private:
    bool parse(const std::string& text);
    const std::string& value(const std::string& key) const;
    int integer(const std::string& key, int fallback) const;

    std::string m_path;
    std::map<std::string, std::string> m_table;
    size_t m_lines = 0;   // of the file read
};

} // namespace cs::utility
