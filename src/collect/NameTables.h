// The display names of users and groups, keyed by the CRC that the record
// rows carry, read from the tables `username` and `groupname`.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace cs::utility {
class CDatabase;
}

namespace cs::collection {

class CNameTables {
public:
    // Reads both tables (names in GBK).
    void load(utility::CDatabase& db);

    bool empty() const { return m_users.empty() || m_groups.empty(); }

    // The name of a CRC column's value; empty for NULL or an unknown CRC.
    const std::string& user(const std::string& crc) const { return find(m_users, crc); }
    const std::string& group(const std::string& crc) const { return find(m_groups, crc); }

private:
    typedef std::unordered_map<uint32_t, std::string> NameMap;
    static void read(utility::CDatabase& db, const char* sql, const char* crcColumn, const char* nameColumn,
                     NameMap& names);
    static const std::string& find(const NameMap& names, const std::string& crc);

    NameMap m_users;
    NameMap m_groups;
};

} // namespace cs::collection
