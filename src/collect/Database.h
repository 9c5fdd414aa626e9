// One connection to the activity database's server: statements, unbuffered
// row-by-row reading of one result at a time, the table list and reconnection
// with the stored parameters. Every failure is a CDatabase::Exception.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

typedef struct st_mysql MYSQL;
typedef struct st_mysql_res MYSQL_RES;

namespace cs::utility {

class CDatabase {
public:
    class Exception : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The rows of one query, fetched from the server as they are read. A row
    // set belongs to the connection that filled it until it is closed or the
    // connection runs its next statement.
    class CRowset {
    public:
        CRowset() = default;
        ~CRowset() { close(); }
        CRowset(const CRowset&) = delete;
        CRowset& operator=(const CRowset&) = delete;

        // Advances to the next row; false at the end and on every later call.
        bool fetch();
        // True when the rows ended because the server broke the result off
        // (a killed connection, a timeout), not because none were left.
        bool endedByError() const { return m_endedByError; }
        // The current row's value of a selected column; SQL NULL reads empty.
        const std::string& field(const std::string& name) const;
        void close();

    private:
        friend class CDatabase;
        void bind(CDatabase* pOwner, MYSQL_RES* pResult);

        MYSQL_RES* m_pResult = nullptr;
        CDatabase* m_pOwner = nullptr;
        std::map<std::string, uint16_t> m_columnIndex;
        std::vector<std::string> m_values;
        bool m_endedByError = false;
    };

    static constexpr unsigned int DEFAULT_PORT = 3306;

    // Splits a server text "host[, port]": the host is the text before the
    // first ",", the port the number after it (leading blanks skipped), 3306
    // when there is no "," or no number follows it.
    static void parseServer(const std::string& server, std::string& host, unsigned int& port);

    CDatabase();   // "mysql_init() failed"
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    void connect(const std::string& server, const std::string& database, const std::string& user,
                 const std::string& password);
    void reconnect();

    // A statement whose rows, should it return any, are discarded.
    void execute(const std::string& sql);
    void query(CRowset& rowset, const std::string& sql);

    // Fills tableNames() with every table of the current database.
    void listTables();
    const std::vector<std::string>& tableNames() const { return m_tableNames; }

private:
    void releaseRowset();
    void run(const std::string& sql);
    void openHandle();
    [[noreturn]] void raise() const;

    CRowset* m_pRowset = nullptr;
    std::vector<std::string> m_tableNames;
    MYSQL* m_pConnection = nullptr;
    std::string m_server;
    std::string m_database;
    std::string m_user;
    std::string m_password;
};

} // namespace cs::utility
