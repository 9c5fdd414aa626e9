#include "collect/RecordQueries.h"

#include "utility/Format.h"

namespace cs::collection {

using utility::Format;

std::string RecordCountQuery(const std::string& table, uint32_t autoId, bool web)
{
    if (web)
        return Format("select count(*) as total from %s where auto_id >= %u and ( private_type = 1 or private_type = 2 "
                      "or private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or private_type = 7 or "
                      "private_type = 8 or private_type = 15 and index3 = 1 )",
                      table.c_str(), autoId);
    return Format("select count(*) as total from %s where auto_id >= %u and ( private_type = 1 and app_crc = 3858868786 "
                  "or private_type = 2 or private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or "
                  "private_type = 7 or private_type = 8 or private_type = 15 and index3 = 1)",
                  table.c_str(), autoId);
}

std::string RecordSelectQuery(const std::string& table, uint32_t autoId, bool web)
{
    if (web)
        return Format("select auto_id, record_id, dev_id, account_id, user_crc, app_crc, group_crc, record_time, "
                      "private_type from %s where auto_id >= %u and ( private_type = 1 or private_type = 2 or "
                      "private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or private_type = 7 or "
                      "private_type = 8 or private_type = 15 and index3 = 1 ) order by auto_id asc",
                      table.c_str(), autoId);
    return Format("select auto_id, record_id, dev_id, account_id, user_crc, app_crc, group_crc, record_time, "
                  "private_type from %s where auto_id >= %u and ( private_type = 1 and app_crc = 3858868786 or "
                  "private_type = 2 or private_type = 10 and index3 = 1 or private_type = 12 and index3 = 1 or "
                  "private_type = 7 or private_type = 8 or private_type = 15 and index3 = 1 ) order by auto_id asc",
                  table.c_str(), autoId);
}

std::string ContentQuery(const std::string& contentTable, const CRecordRow& record)
{
    const char* format;
    switch (contentTable[0]) {
    case 'M':
        format = "select auto_id, mail_path from %s where record_id = %u and dev_id = %u and account_id = %u";
        break;
    case 'C':
        format = "select auto_id, result from %s where record_id = %u and dev_id = %u and account_id = %u";
        break;
    default:
        format = "select auto_id, result, path from %s where record_id = %u and dev_id = %u and account_id = %u";
        break;
    }
    return Format(format, contentTable.c_str(), record.recordId, record.devId, record.accountId);
}

} // namespace cs::collection
