// The run of one database and the merge-only mode.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace cs::driver {

// Indexes one database: 0 when the run finished, -1 when indexing is
// switched off (/config/index/system_status 0).
int RunDatabase(const std::string& name, const std::string& description, int recreate);

// Merges the barrels of the index at the index root: 0 on success, -1 when
// indexing is switched off.
int MergeIndexOnly();

// True when the index of database `name` is to be rebuilt now.
bool NeedRecreate(const std::string& name);

// The rebuild test for an index of `documents` documents of which `deleted`
// are deleted, at local time `now`. An empty index is never rebuilt.
bool RecreateDue(uint64_t documents, uint64_t deleted, const std::tm& now);

} // namespace cs::driver
