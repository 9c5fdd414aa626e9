// Merges the stored fields (.sfi offset tables and .sfd records) of the
// barrels of a merge into the new barrel's, in the barrels' order. Records
// of barrels without dropped deletions are appended in bulk; a barrel whose
// deleted documents are dropped loses its leading run of them, and its other
// deleted documents get the entry -1.
#pragma once

#include <string>
#include <vector>

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CMergeBarrelEntity;

class CStoreFieldsMerger {
public:
    // The entry of a document without record.
    static constexpr int64_t NO_RECORD = -1;

    static void merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                      const std::string& newBarrel);
};

} // namespace cs::index
