#include "index/stored/StoreFieldsMerger.h"

#include <memory>

#include "index/format/BarrelFiles.h"
#include "index/merge/MergeBarrelEntity.h"
#include "store/Directory.h"
#include "utility/Error.h"

namespace cs::index {

namespace {

// The .sfi entries of a barrel, checked against its .sfd.
std::vector<int64_t> ReadEntries(store::CDirectory* pDir, store::CIndexInput& sfi, const std::string& barrel,
                                 int32_t docCount, int64_t sfdLength)
{
    std::string path = pDir->getFullPath(barrel + format::SFI);
    if (sfi.length() < static_cast<int64_t>(docCount) * 8)
        CS_THROW("index file %s is damaged: %lld entries for %d documents", path.c_str(),
                 static_cast<long long>(sfi.length() / 8), docCount);
    std::vector<int64_t> entries(static_cast<size_t>(docCount));
    int64_t previous = 0;
    for (int64_t& entry : entries) {
        entry = sfi.readLong();
        if (entry == CStoreFieldsMerger::NO_RECORD)
            continue;
        // Records follow one another in document order.
        if (entry < previous || entry >= sfdLength)
            CS_THROW("index file %s is damaged: entry %lld out of range", path.c_str(), static_cast<long long>(entry));
        previous = entry;
    }
    return entries;
}

} // namespace

void CStoreFieldsMerger::merge(store::CDirectory* pDir, const std::vector<CMergeBarrelEntity*>& entities,
                               store::CIndexOutput& sfiOut, store::CIndexOutput& sfdOut)
{
    for (CMergeBarrelEntity* pEntity : entities) {
        const std::string& barrel = pEntity->getBarrelInfo()->getName();
        int32_t docCount = pEntity->getBarrelInfo()->getDocCount();
        std::unique_ptr<store::CIndexInput> pSfi(pDir->openInput(barrel + format::SFI));
        std::unique_ptr<store::CIndexInput> pSfd(pDir->openInput(barrel + format::SFD));
        std::vector<int64_t> entries = ReadEntries(pDir, *pSfi, barrel, docCount, pSfd->length());
        int64_t base = sfdOut.position();
        const utility::CDocDeleted* pDeleted = pEntity->getRecycledDeletions();
        if (!pDeleted) {
            for (int64_t entry : entries)
                sfiOut.writeLong(entry == NO_RECORD ? NO_RECORD : entry + base);
            if (pSfd->length() > 0)
                sfdOut.copyFrom(pSfd.get(), pSfd->length());
            continue;
        }
        // A kept record runs to the next document that has one, or to the end.
        std::vector<int64_t> ends(entries.size());
        int64_t next = pSfd->length();
        for (size_t doc = entries.size(); doc-- > 0;) {
            ends[doc] = next;
            if (entries[doc] != NO_RECORD)
                next = entries[doc];
        }
        for (int32_t doc = pEntity->getLead(); doc < docCount; ++doc) {
            int64_t entry = entries[static_cast<size_t>(doc)];
            if (pDeleted->isDeleted(doc) || entry == NO_RECORD) {
                sfiOut.writeLong(NO_RECORD);
                continue;
            }
            sfiOut.writeLong(sfdOut.position());
            pSfd->seek(entry);
            sfdOut.copyFrom(pSfd.get(), ends[static_cast<size_t>(doc)] - entry);
        }
    }
}

} // namespace cs::index
