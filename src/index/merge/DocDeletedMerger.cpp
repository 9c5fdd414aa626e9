#include "index/merge/DocDeletedMerger.h"

#include "index/format/BarrelFiles.h"
#include "index/merge/MergeBarrelEntity.h"
#include "store/Directory.h"
#include "utility/DocDeleted.h"
#include "utility/Error.h"

namespace cs::index {

void CDocDeletedMerger::merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                              const std::string& newBarrel, int32_t& docCount, int32_t& deletedCount)
{
    utility::CDocDeleted merged;
    merged.grow(0);
    for (CMergeBarrelEntity* pEntity : entities) {
        const utility::CDocDeleted* pDeleted = pEntity->getDocDeleted();
        if (!pDeleted) {
            merged.grow(static_cast<uint32_t>(pEntity->getBarrelInfo()->getDocCount()));
            continue;
        }
        utility::CDocDeleted copy;
        copy.append(*pDeleted);
        if (pEntity->getRecycledDeletions())
            copy.trimLeadingDeleted();
        // A barrel whose every document went leaves nothing to append.
        merged.append(copy);
    }
    docCount = static_cast<int32_t>(merged.docNum());
    deletedCount = static_cast<int32_t>(merged.docDelNum());
    if (deletedCount > 0) {
        std::string path = pDir->getFullPath(newBarrel + format::DEL);
        if (!merged.save(path))
            CS_THROW("failed to write %s", path.c_str());
    }
}

} // namespace cs::index
