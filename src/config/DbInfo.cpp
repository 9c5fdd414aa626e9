#include "config/DbInfo.h"

#include <algorithm>
#include <cstring>

#include "config/ConfigNumber.h"
#include "platform/Env.h"
#include "utility/Blanks.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/StringConvertor.h"

namespace cs::utility {

namespace {

// The file is echoed at DEBUG; a long file must not reach the logger's line
// limit (which ends the process), so the echo is cut well below it.
const int kEchoLimit = 3900;

// The line as it may appear in the log: the password's value is masked.
std::string EchoLine(const std::string& line)
{
    size_t equal = line.find('=');
    if (equal != std::string::npos && TrimBlanks(std::string_view(line).substr(0, equal)) == "password")
        return line.substr(0, equal + 1) + "******";
    return line;
}

std::string EchoText(const std::string& text)
{
    std::string echo;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        echo += EchoLine(text.substr(start, end - start));
        if (end < text.size())
            echo += '\n';
        start = end + 1;
    }
    return echo;
}

} // namespace

CDbInfo::CDbInfo(const std::string& path) : m_path(path)
{
    CS_ASSERT_TEXT(!path.empty(), "path");
}

bool CDbInfo::read()
{
    std::string bytes;
    bool opened = false;
    if (!platform::Env().readWholeFile(m_path, bytes, &opened)) {
        CS_LOG_ERROR(opened ? "read config file error!" : "open db info config error!");
        return false;
    }
    // Read in chunks of 4096 bytes, each of which ends at its first zero byte.
    const size_t chunk = 4096;
    std::string text;
    for (size_t at = 0; at < bytes.size(); at += chunk)
        text.append(bytes.data() + at, strnlen(bytes.data() + at, std::min(chunk, bytes.size() - at)));
    if (!parse(text)) {
        CS_LOG_ERROR("set config information error!");
        return false;
    }
    return true;
}

bool CDbInfo::parse(const std::string& text)
{
    std::string echo = EchoText(text);
    CS_LOG_DEBUG("\ndb config information: \n%.*s\n", kEchoLimit, echo.c_str());
    std::string_view body = TrimBlanks(text);
    m_table.clear();
    m_lines = 0;
    for (size_t start = 0;;) {
        ++m_lines;
        size_t end = body.find('\n', start);
        std::string line(TrimBlanks(body.substr(start, end - start)));
        CS_LOG_DEBUG("%.*s", kEchoLimit, EchoLine(line).c_str());
        size_t equal = line.find('=');
        if (equal == std::string::npos)
            return false;
        // A repeated key keeps its first value.
        std::string_view whole(line);
        m_table.emplace(TrimBlanks(whole.substr(0, equal)), TrimBlanks(whole.substr(equal + 1)));
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

const std::string& CDbInfo::value(const std::string& key) const
{
    static const std::string kEmpty;
    auto it = m_table.find(key);
    return it == m_table.end() ? kEmpty : it->second;
}

int CDbInfo::integer(const std::string& key, int fallback) const
{
    int number = fallback;
    ParseConfigNumber(value(key), number);
    return number;
}

int CDbInfo::dbCount() const { return integer("dbcount", 0); }

int CDbInfo::port() const { return integer("port", -1); }

std::vector<CDbInfo::Database> CDbInfo::databaseList() const
{
    // Every database takes a line of its own: a larger count is a mistake, and
    // a list of its size could exhaust the memory.
    if (static_cast<size_t>(std::max(dbCount(), 0)) > m_lines)
        CS_THROW("dbcount=%d in %s is larger than the %zu lines the file holds: it is the number of databases, "
                 "named dbname0 to dbname%d",
                 dbCount(), m_path.c_str(), m_lines, dbCount() - 1);
    std::vector<Database> list;
    for (int i = 0; i < dbCount(); ++i)
        list.push_back({value(Format("%s%d", "dbname", i)), utf8ToGbk(value(Format("%s%d", "dbdepict", i)))});
    return list;
}

} // namespace cs::utility
