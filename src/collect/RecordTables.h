// Which tables of the activity database are record tables, and which of them
// a run collects.
#pragma once

#include <string>
#include <vector>

namespace cs::collection {

class CCollectStatus;

// "A" followed by the 8 digits of a day, nothing more.
bool IsRecordTable(const std::string& name);

// The record tables among `tables` that are not indexed yet, not below the
// resume table and not beyond the end of the debug range, in ascending order.
std::vector<std::string> SelectRecordTables(const std::vector<std::string>& tables, const CCollectStatus& status);

} // namespace cs::collection
