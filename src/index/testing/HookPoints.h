// The moments at which the index writer and the replacement plan let a test
// step in (see TestHooks.h). Without a hook set they do nothing.
#pragma once

#include <cstdint>

namespace cs::index::hooks {

// Moments of a flush, in order.
enum FlushPoint {
    BARREL_WRITTEN,     // the barrel's six ".tmp" files are whole
    STATUS_WRITTEN,     // index_status.xml.tmp is whole
    COLLECTION_SAVED,   // the collection's state files are whole
    MARKER_CREATED,     // "index.rename" exists, nothing renamed yet
    RENAMED,            // every file has its final name
    MARKER_REMOVED      // before the merge policy runs
};

void ReachFlushPoint(FlushPoint point);
// Before every change a replacement plan makes on disk.
void ReachPlanStep();
// The first-barrel threshold a test fixed, or 0.
int32_t FixedFirstBarrelThreshold();

} // namespace cs::index::hooks
