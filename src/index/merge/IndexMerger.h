// Merges groups of barrels into one: the driver of a merge. Which barrels
// form a group is the policy of a subclass; the replacement of the merged
// barrels by the new one, and the renumbering of the barrel list, go through
// a replacement plan so that a crash at any point leaves an index that the
// next start completes (CIndexRecovery).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/fields/FieldFactory.h"
#include "index/merge/MergeBarrelQueue.h"

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CBarrelsInfo;
class CFlushListener;

class CIndexMerger {
public:
    enum RecycleStrategy { RECYCLE_NONE = 0, RECYCLE_RATIO = 1, RECYCLE_COUNT = 2 };

    explicit CIndexMerger(store::CDirectory* pDir);
    virtual ~CIndexMerger();
    CIndexMerger(const CIndexMerger&) = delete;
    CIndexMerger& operator=(const CIndexMerger&) = delete;

    // Renumbers the barrel list (largest barrel first) and writes it.
    virtual void barrelUpdate(CBarrelsInfo* pBarrels);
    virtual void addBarrel(CMergeBarrelEntity* pEntity) = 0;
    virtual void endMerge() = 0;
    virtual void setParam(int m, int c, int s) = 0;

    // Merges the barrels of the list as far as the policy wants; the list and
    // index_status.xml are updated.
    void merge(CBarrelsInfo* pBarrels);
    // Whether merging the queue drops deleted documents (no queue: whether
    // the strategy ever does).
    bool recyclable(const CMergeBarrelQueue* pQueue) const;

    // The field kind of each field id; not owned.
    void setFactorySearcher(const FieldFactoryMap* pFactorySearcher);
    // Memory lent for read buffers (null: none); it must outlive the merges.
    void setBuffer(char* buffer, int64_t size);
    void setRecycleStrategy(int strategy) { m_recycleStrategy = strategy; }
    // The ratio of deleted documents (strategy 1).
    void setRecycleRatio(float ratio) { m_recycleParam.ratio = ratio; }
    // The number of deleted documents (strategy 2).
    void setRecycleCount(int32_t count) { m_recycleParam.count = count; }
    // 2: the stored fields of a merge are copied on a second thread.
    void setThreads(int threads);
    // Told of every renumbering, to move its state along in the same
    // replacement (not owned; null: nobody).
    void setFlushListener(CFlushListener* pListener) { m_pListener = pListener; }

protected:
    // Merges the queue's barrels into one named after the queue, replaces
    // them by it in the barrel list, and hands the new barrel to addBarrel().
    void mergeBarrel(CMergeBarrelQueue* pQueue);

    store::CDirectory* m_pDirectory;
    CBarrelsInfo* m_pBarrels = nullptr;

private:
    struct MergedFields;
    // Documents of a merged barrel: old global numbers first .. first +
    // count - 1 become its local numbers local .. local + count - 1.
    struct MergedRun {
        int32_t first;
        int32_t count;
        int32_t local;
    };

    void mergeFields(const std::vector<CMergeBarrelEntity*>& entities, const std::string& name,
                     MergedFields& merged);
    // Renumbers the list and puts it on disk; `removed` names barrels whose
    // records left the list and whose files go in the same replacement, and
    // `pMerged` (with the runs of its documents) the barrel that took their
    // place. The barrels are no longer attached to barrel writers afterwards.
    void replaceBarrels(CBarrelsInfo* pBarrels, const std::vector<std::string>& removed,
                        const CBarrelInfo* pMerged = nullptr, const std::vector<MergedRun>& mergedRuns = {});

    char* m_pBuffer = nullptr;
    int64_t m_bufferSize = 0;
    const FieldFactoryMap* m_pFactorySearcher = nullptr;
    CFlushListener* m_pListener = nullptr;
    int m_threads = 1;
    int m_recycleStrategy = RECYCLE_NONE;
    union {
        float ratio;
        int32_t count;
    } m_recycleParam{};
};

} // namespace cs::index
