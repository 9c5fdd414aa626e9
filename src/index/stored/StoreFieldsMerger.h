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
class CIndexOutput;
}

namespace cs::index {

class CMergeBarrelEntity;

class CStoreFieldsMerger {
public:
    // The entry of a document without record.
    static constexpr int64_t NO_RECORD = -1;

    // Writes the new barrel's .sfi and .sfd to the outputs and leaves them
    // open: the caller closes (commits) them.
    static void merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                      store::CIndexOutput& sfiOut, store::CIndexOutput& sfdOut);
};

} // namespace cs::index
