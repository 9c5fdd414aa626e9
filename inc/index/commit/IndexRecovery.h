// What the next start does before anything else touches an index: it
// completes a replacement of barrel files that a crash cut off (a merge, a
// flush that moves a new barrel into place, the swap of a rebuild), and clears
// what an unfinished merge, flush or rebuild left behind (see
// docs/crash-safety.md). A plan that cannot be read is refused
// (CIndexRefusal::ofPlan) with nothing changed.
#pragma once

#include <string>

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CIndexRecovery {
public:
    // True when an interrupted replacement was completed.
    static bool recover(store::CDirectory* pDir);
    // The same for the index directory at `path`; a directory that does not
    // exist has nothing to recover.
    static bool recover(const std::string& path);
};

} // namespace cs::index
