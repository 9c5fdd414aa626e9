// Merges the deleted-documents bitmaps of the barrels of a merge: their
// concatenation in the barrels' order (a barrel without one counts as all
// kept), without the leading run of barrels whose deletions are dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CMergeBarrelEntity;

class CDocDeletedMerger {
public:
    // Saves the bitmap as newBarrel.del when it holds a deletion; gives the
    // merged barrel's document and deletion counts.
    static void merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                      const std::string& newBarrel, int32_t& docCount, int32_t& deletedCount);
};

} // namespace cs::index
