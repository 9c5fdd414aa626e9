#include "index/merge/DocLengthsMerger.h"

#include <memory>

#include "index/format/BarrelFiles.h"
#include "index/format/DocLengths.h"
#include "index/merge/MergeBarrelEntity.h"
#include "store/Directory.h"
#include "store/IndexInput.h"
#include "store/IndexOutput.h"

namespace cs::index {

using format::CDocLengths;

void CDocLengthsMerger::merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                              const std::string& newBarrel, const std::vector<int32_t>& fieldIds)
{
    CDocLengths merged;
    merged.reset(fieldIds);
    bool anyKnown = false;
    for (CMergeBarrelEntity* pEntity : entities) {
        const std::string& barrel = pEntity->getBarrelInfo()->getName();
        CDocLengths source;
        if (pDir->fileExists(barrel + format::LEN)) {
            anyKnown = true;
            std::unique_ptr<store::CIndexInput> pInput(pDir->openInput(barrel + format::LEN));
            source.read(*pInput, pDir->getFullPath(barrel + format::LEN));
        }
        // The leading deleted documents a recycling merge drops.
        auto first = static_cast<size_t>(pEntity->getLead());
        auto count = static_cast<size_t>(pEntity->getBarrelInfo()->getDocCount());
        for (size_t k = 0; k < fieldIds.size(); ++k) {
            const std::vector<int32_t>* pColumn = source.field(fieldIds[k]);
            for (size_t doc = first; doc < count; ++doc) {
                bool known = pColumn && doc < pColumn->size();
                merged.lengths[k].push_back(known ? (*pColumn)[doc] : CDocLengths::UNKNOWN);
            }
        }
    }
    if (!anyKnown)
        return;
    std::unique_ptr<store::CIndexOutput> pOutput(pDir->createOutput(newBarrel + format::LEN));
    merged.write(*pOutput);
    pOutput->close();
}

} // namespace cs::index
