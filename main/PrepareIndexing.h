// Building what one database run needs: the collection, the default parser
// and analyzer, the index and its writer, wired together.
#pragma once

#include <memory>
#include <string>

#include "collect/Collection.h"
#include "index/Index.h"

namespace cs::utility {
class CConfigurator;
}

namespace cs::driver {

// A collection ready to run and the index it feeds. The collection owns the
// index writer; the index outlives both (members go in reverse order).
struct CPreparedRun {
    std::unique_ptr<index::CIndex> pIndex;
    std::unique_ptr<collection::CCollection> pCollection;
};

// The index directory of database `name` for the collection the configurator
// names: the index root itself for the directory collection, the root's
// subdirectory `name` for the activity-record collection; empty for any
// other collection.
std::string IndexDirectoryOf(const utility::CConfigurator& configurator, const std::string& name);

// The directory collection when the configurator names it, else null: its
// state names the documents of the index root by number, so a merge-only run
// has it follow the merge.
std::unique_ptr<collection::CCollection> RootStateKeeper(const utility::CConfigurator& configurator);

// Creates the collection, the parser and analyzer the configurator names,
// the index (rebuilt when `recreate`) and its writer. Failures raise.
CPreparedRun PrepareIndexing(utility::CConfigurator* pConfigurator, const std::string& name, int recreate);

} // namespace cs::driver
