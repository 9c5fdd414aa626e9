// Merges the document lengths (.len) of the barrels of a merge: each barrel's
// lengths in queue order, from its first kept document on, as the other files
// number the merged documents. A barrel without lengths (written before they
// were kept) gives its documents the length UNKNOWN; when no barrel has
// lengths, neither has the merged one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CMergeBarrelEntity;

class CDocLengthsMerger {
public:
    // Writes newBarrel.len over the fields `fieldIds`, unless no barrel has lengths.
    static void merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                      const std::string& newBarrel, const std::vector<int32_t>& fieldIds);
};

} // namespace cs::index
