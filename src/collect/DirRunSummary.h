// What one run of the directory collection did with the files it met: the
// last log line of the run and the terminal's final status line.
#pragma once

#include <cstdint>
#include <string>

#include "content/DropReason.h"

namespace cs::collection {

struct CDirRunSummary {
    uint64_t seen = 0;        // files the walk met
    uint64_t indexed = 0;     // new files indexed
    uint64_t unchanged = 0;   // skipped without being read
    uint64_t updated = 0;     // changed files indexed again
    uint64_t removed = 0;     // gone since the last run
    uint64_t kept = 0;        // below directories that could not be listed
    uint64_t dropped[static_cast<int>(content::DropReason::COUNT)] = {};

    void drop(content::DropReason reason) { ++dropped[static_cast<int>(reason)]; }
    // "12 files seen, 2 indexed, 8 unchanged, 1 updated, 3 removed, 1
    // dropped (1 unknown encoding)".
    std::string text() const;
};

} // namespace cs::collection
