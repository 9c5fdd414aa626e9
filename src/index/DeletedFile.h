// Reading a barrel's ".del" file where the index is changed (merge,
// deletions): a file that cannot be read whole is a damaged index.
#pragma once

#include <string>

#include "utility/DocDeleted.h"

namespace cs::index {

// Loads `path` into `deleted`. A file that cannot be opened raises "failed
// to read %s", one that cannot be decoded what is wrong with it.
void LoadDeletedFile(const std::string& path, utility::CDocDeleted& deleted);

} // namespace cs::index
