#include "collect/NameTables.h"

#include "collect/Database.h"
#include "collect/DecimalText.h"

namespace cs::collection {

void CNameTables::load(utility::CDatabase& db)
{
    read(db, "select * from username", "user_crc", "name", m_users);
    read(db, "select * from groupname", "group_crc", "group_name", m_groups);
}

void CNameTables::read(utility::CDatabase& db, const char* sql, const char* crcColumn, const char* nameColumn,
                       NameMap& names)
{
    names.clear();
    utility::CDatabase::CRowset rows;
    db.query(rows, sql);
    while (rows.fetch()) {
        const std::string& crc = rows.field(crcColumn);
        if (!crc.empty())
            names.emplace(ColumnNumber(crc), rows.field(nameColumn));
    }
    // Half a table would leave names out of documents without a word.
    if (rows.endedByError())
        throw utility::CDatabase::Exception(std::string("result broken off: ") + sql);
}

const std::string& CNameTables::find(const NameMap& names, const std::string& crc)
{
    static const std::string kNone;
    if (crc.empty())
        return kNone;
    auto it = names.find(ColumnNumber(crc));
    return it == names.end() ? kNone : it->second;
}

} // namespace cs::collection
