#include "collect/Database.h"

#include <cstdlib>
#include <cstring>
#include <mysql.h>

#include "utility/Logger.h"

namespace cs::utility {

namespace {

// Text inside the program is GBK; the server converts every value it sends.
const char* const kCharacterSet = "gbk";
// An unreachable host fails within this many seconds instead of the system's
// TCP timeout.
const unsigned int kConnectTimeoutSeconds = 30;

} // namespace

// ---- CRowset ---------------------------------------------------------------

void CDatabase::CRowset::bind(CDatabase* pOwner, MYSQL_RES* pResult)
{
    close();
    m_pResult = pResult;
    m_pOwner = pOwner;
    m_columnIndex.clear();
    unsigned int count = mysql_num_fields(pResult);
    MYSQL_FIELD* pFields = mysql_fetch_fields(pResult);
    for (unsigned int i = 0; i < count; ++i)
        m_columnIndex[pFields[i].name] = static_cast<uint16_t>(i);
    m_values.assign(count, std::string());
    m_endedByError = false;
}

bool CDatabase::CRowset::fetch()
{
    if (!m_pResult)
        return false;
    MYSQL_ROW row = mysql_fetch_row(m_pResult);
    if (!row) {
        // The server may end an unbuffered result early (a killed statement,
        // a write timeout); the caller sees the end of the rows and the next
        // statement on the connection reports the failure.
        MYSQL* pConnection = m_pOwner->m_pConnection;
        m_endedByError = mysql_errno(pConnection) != 0;
        if (m_endedByError)
            CS_LOG_WARN("rowset ended by error: %s", mysql_error(pConnection));
        close();
        return false;
    }
    unsigned long* pLengths = mysql_fetch_lengths(m_pResult);
    for (size_t i = 0; i < m_values.size(); ++i) {
        m_values[i].clear();
        if (row[i])
            m_values[i].assign(row[i], strnlen(row[i], pLengths[i]));
    }
    return true;
}

const std::string& CDatabase::CRowset::field(const std::string& name) const
{
    auto it = m_columnIndex.find(name);
    if (it == m_columnIndex.end())
        throw Exception("CDatabase::CRowset No such field: " + name);
    return m_values[it->second];
}

void CDatabase::CRowset::close()
{
    if (m_pResult) {
        // Freeing an unfinished unbuffered result reads and discards the
        // rest of its rows, which leaves the connection ready for the next
        // statement.
        mysql_free_result(m_pResult);
        m_pResult = nullptr;
    }
    if (m_pOwner && m_pOwner->m_pRowset == this)
        m_pOwner->m_pRowset = nullptr;
    m_pOwner = nullptr;
    // The columns stay known so that field() keeps answering for the last row.
}

// ---- CDatabase -------------------------------------------------------------

void CDatabase::parseServer(const std::string& server, std::string& host, unsigned int& port)
{
    size_t comma = server.find(',');
    host = server.substr(0, comma);
    port = DEFAULT_PORT;
    if (comma == std::string::npos)
        return;
    const char* pText = server.c_str() + comma + 1;
    while (*pText == ' ' || *pText == '\t')
        ++pText;
    char* pEnd = nullptr;
    unsigned long value = std::strtoul(pText, &pEnd, 10);
    if (pEnd != pText && value != 0 && value <= 65535)
        port = static_cast<unsigned int>(value);
}

CDatabase::CDatabase()
{
    openHandle();
}

CDatabase::~CDatabase()
{
    releaseRowset();
    mysql_close(m_pConnection);
}

void CDatabase::openHandle()
{
    m_pConnection = mysql_init(nullptr);
    if (!m_pConnection)
        throw Exception("mysql_init() failed");
    mysql_options(m_pConnection, MYSQL_SET_CHARSET_NAME, kCharacterSet);
    mysql_options(m_pConnection, MYSQL_OPT_CONNECT_TIMEOUT, &kConnectTimeoutSeconds);
}

void CDatabase::raise() const
{
    throw Exception(mysql_error(m_pConnection));
}

void CDatabase::releaseRowset()
{
    if (m_pRowset)
        m_pRowset->close();
}

void CDatabase::connect(const std::string& server, const std::string& database, const std::string& user,
                        const std::string& password)
{
    releaseRowset();
    m_server = server;
    m_database = database;
    m_user = user;
    m_password = password;
    std::string host;
    unsigned int port = DEFAULT_PORT;
    parseServer(server, host, port);
    if (!mysql_real_connect(m_pConnection, host.c_str(), user.c_str(), password.c_str(),
                            database.empty() ? nullptr : database.c_str(), port, nullptr, 0))
        raise();
}

void CDatabase::reconnect()
{
    releaseRowset();
    mysql_close(m_pConnection);
    m_pConnection = nullptr;
    openHandle();
    // Copies: connect() stores its arguments over these members.
    std::string server = m_server, database = m_database, user = m_user, password = m_password;
    connect(server, database, user, password);
}

void CDatabase::run(const std::string& sql)
{
    releaseRowset();
    if (mysql_real_query(m_pConnection, sql.data(), sql.size()) != 0)
        raise();
}

void CDatabase::execute(const std::string& sql)
{
    run(sql);
    // Rows nobody asked for would leave the connection out of step with the
    // server; read and drop them.
    if (mysql_field_count(m_pConnection) != 0) {
        MYSQL_RES* pResult = mysql_use_result(m_pConnection);
        if (!pResult)
            raise();
        mysql_free_result(pResult);
    }
}

void CDatabase::query(CRowset& rowset, const std::string& sql)
{
    run(sql);
    MYSQL_RES* pResult = mysql_use_result(m_pConnection);
    if (!pResult) {
        if (mysql_errno(m_pConnection) != 0)
            raise();
        throw Exception("statement returned no rows: " + sql);
    }
    rowset.bind(this, pResult);
    m_pRowset = &rowset;
}

void CDatabase::listTables()
{
    releaseRowset();
    m_tableNames.clear();
    MYSQL_RES* pResult = mysql_list_tables(m_pConnection, nullptr);
    if (!pResult)
        raise();
    while (MYSQL_ROW row = mysql_fetch_row(pResult)) {
        if (row[0])
            m_tableNames.emplace_back(row[0]);
    }
    bool failed = mysql_errno(m_pConnection) != 0;
    mysql_free_result(pResult);
    if (failed)
        raise();
}

} // namespace cs::utility
