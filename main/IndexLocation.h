// Where the operator's tools find the index of a configured database: the
// same directory csindexer writes, from the same configuration.
#pragma once

#include <string>
#include <vector>

namespace cs::driver {

// The index directories of the databases named `name` in the database
// information file, or of every database for "all", each directory once
// (databases of the directory collection share the index root). Raises when
// the configuration cannot be read or names no such database.
std::vector<std::string> ConfiguredIndexDirectories(const std::string& name);

} // namespace cs::driver
