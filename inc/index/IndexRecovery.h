// What the next start does before anything else touches an index: it
// completes a replacement of barrel files that a crash cut off (a merge, or
// a flush that moves a new barrel into place), and clears what an
// unfinished merge left behind.
#pragma once

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CIndexRecovery {
public:
    // True when an interrupted replacement was completed.
    static bool recover(store::CDirectory* pDir);
};

} // namespace cs::index
