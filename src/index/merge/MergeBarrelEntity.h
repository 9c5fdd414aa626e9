// One barrel taking part in a merge: its record in the barrel list, its field
// information and its deleted documents.
#pragma once

#include <cstdint>
#include <memory>

#include "index/BarrelInfo.h"
#include "index/fields/FieldInfoList.h"
#include "utility/DocDeleted.h"

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CMergeBarrelEntity {
public:
    CMergeBarrelEntity(store::CDirectory* pDir, CBarrelInfo* pBarrelInfo);
    ~CMergeBarrelEntity();
    CMergeBarrelEntity(const CMergeBarrelEntity&) = delete;
    CMergeBarrelEntity& operator=(const CMergeBarrelEntity&) = delete;

    // Reads the field information (.fdi) and the deleted documents (.del,
    // cut or grown to the barrel's document count). With `recycle` the merge
    // drops the deleted documents, unless the file's count disagrees with the
    // barrel list: such a barrel keeps its deletions as they are.
    void load(bool recycle);

    CBarrelInfo* getBarrelInfo() const { return m_pBarrelInfo; }
    const CFieldInfoList& getFieldInfos() const { return *m_pFieldInfos; }
    // The barrel's bitmap; null without a .del file.
    utility::CDocDeleted* getDocDeleted() const { return m_pDocDeleted.get(); }
    // The bitmap whose documents the merge drops; null when none are dropped.
    utility::CDocDeleted* getRecycledDeletions() const { return m_recycle ? m_pDocDeleted.get() : nullptr; }
    // Deleted documents at the start of the barrel that the merge drops.
    int32_t getLead() const { return m_lead; }

    // Where the barrel's documents go in the merged barrel: document d becomes d + shift.
    void place(int32_t docStart, int32_t shift);
    int32_t getMergeStart() const { return m_mergeStart; }
    int32_t getShift() const { return m_shift; }

private:
    void loadDocDeleted(bool recycle);

    store::CDirectory* m_pDir;
    CBarrelInfo* m_pBarrelInfo;   // not owned
    std::unique_ptr<CFieldInfoList> m_pFieldInfos;
    std::unique_ptr<utility::CDocDeleted> m_pDocDeleted;
    bool m_recycle = false;
    int32_t m_lead = 0;
    int32_t m_mergeStart = 0;
    int32_t m_shift = 0;
};

} // namespace cs::index
