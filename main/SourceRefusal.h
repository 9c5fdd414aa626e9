// The source directory of the directory collection, checked before a run
// changes anything: a run over a directory that is missing (an unmounted
// disk), not a directory or unreadable would index nothing and, as a rebuild,
// replace the index with an empty one; a source that holds the index root, or
// lies inside it, would index the index or, rebuilt, lose the user's files.
#pragma once

#include <string>

namespace cs::driver {

// Empty when `source` can be walked for the index at `indexRoot`; otherwise
// one line for the operator naming the directory, the cause and the way out.
std::string SourceRefusal(const std::string& source, const std::string& indexRoot);

} // namespace cs::driver
