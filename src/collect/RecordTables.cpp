#include "collect/RecordTables.h"

#include <algorithm>

#include "collect/CollectStatus.h"

namespace cs::collection {

bool IsRecordTable(const std::string& name)
{
    if (name.size() != 9 || name[0] != 'A')
        return false;
    return std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> SelectRecordTables(const std::vector<std::string>& tables, const CCollectStatus& status)
{
    std::vector<std::string> selected;
    for (const std::string& table : tables) {
        if (IsRecordTable(table) && !status.isIndexed(table) && table >= status.table() &&
            !status.debugRange().tableBeyondEnd(table))
            selected.push_back(table);
    }
    std::sort(selected.begin(), selected.end());
    return selected;
}

} // namespace cs::collection
