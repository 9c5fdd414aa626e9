// How a merge renumbers the documents of an index: runs of old global
// document numbers and the new numbers they take. A number in no run is a
// document the merge dropped (a recycled deletion).
#pragma once

#include <cstdint>
#include <vector>

namespace cs::index {

class CDocumentMap {
public:
    // Documents first .. first + count - 1 become newFirst .. newFirst + count - 1.
    void addRun(int32_t first, int32_t count, int32_t newFirst);
    // The new number of `doc`, or -1 when it was dropped.
    int32_t map(int32_t doc) const;
    // Whether some document gets a number other than its own.
    bool changesAnything() const;

private:
    struct Run {
        int32_t first;
        int32_t count;
        int32_t newFirst;
    };
    std::vector<Run> m_runs;   // by first
};

} // namespace cs::index
