// The statements the activity-record collection sends.
#pragma once

#include <cstdint>
#include <string>

#include "collect/RecordDocument.h"

namespace cs::collection {

// The records of `table` from `autoId` on that are collected: the count
// (column `total`) and the rows in auto_id order. Without web collecting,
// of the type-1 records only the search requests are taken.
std::string RecordCountQuery(const std::string& table, uint32_t autoId, bool web);
std::string RecordSelectQuery(const std::string& table, uint32_t autoId, bool web);

// The content row of a record in the content table `contentTable`, whose
// first letter tells its kind.
std::string ContentQuery(const std::string& contentTable, const CRecordRow& record);

} // namespace cs::collection
