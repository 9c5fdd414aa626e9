#include "index/merge/IndexMerger.h"

#include <algorithm>
#include <memory>

#include "index/BarrelsInfo.h"
#include "index/DocumentMap.h"
#include "index/commit/RenameMarker.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "index/format/DocLengths.h"
#include "index/merge/DocDeletedMerger.h"
#include "index/merge/DocLengthsMerger.h"
#include "index/merge/FieldMerger.h"
#include "index/stored/StoreFieldsMerger.h"
#include "index/writer/FlushListener.h"
#include "index/writer/IndexBarrelWriter.h"
#include "store/Directory.h"
#include "store/IndexOutput.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/SideTask.h"

namespace cs::index {

namespace {

// The merge writes each of its files in one long run: larger buffers, fewer
// writes, and with two threads written beside the merging.
std::unique_ptr<store::CIndexOutput> CreateMergeOutput(store::CDirectory* pDir, const std::string& name,
                                                       bool behind = false)
{
    std::unique_ptr<store::CIndexOutput> pOutput(pDir->createOutput(name));
    // Buffers written behind are larger again: each costs the writer a wake-up.
    pOutput->setBufferSize(store::CIndexOutput::STREAMING_BUFFER_SIZE * (behind ? 4 : 1));
    if (behind)
        pOutput->writeBehind();
    return pOutput;
}

// With two threads, the files of merged barrels are removed this many at a
// time: each removal waits on the disk far more than it works (see
// CReplacePlan::setRemovers), and four overlap most of those waits.
constexpr int REMOVERS = 4;

// Ends a merge however merge() is left: the levels go, the list is forgotten.
class CMergeScope {
public:
    CMergeScope(CIndexMerger& merger, CBarrelsInfo*& pBarrels) : m_merger(merger), m_pBarrels(pBarrels) {}
    ~CMergeScope()
    {
        m_merger.endMerge();
        m_pBarrels = nullptr;
    }
    CMergeScope(const CMergeScope&) = delete;
    CMergeScope& operator=(const CMergeScope&) = delete;

private:
    CIndexMerger& m_merger;
    CBarrelsInfo*& m_pBarrels;
};

} // namespace

struct CIndexMerger::MergedFields {
    CFieldInfoList fields;
    bool positions = false;
};

CIndexMerger::CIndexMerger(store::CDirectory* pDir) : m_pDirectory(pDir) { CS_ASSERT_ARG(pDir); }

CIndexMerger::~CIndexMerger() = default;

void CIndexMerger::setFactorySearcher(const FieldFactoryMap* pFactorySearcher)
{
    CS_ASSERT_ARG(pFactorySearcher);
    m_pFactorySearcher = pFactorySearcher;
}

void CIndexMerger::setBuffer(char* buffer, int64_t size)
{
    m_pBuffer = size > 0 ? buffer : nullptr;
    m_bufferSize = m_pBuffer ? size : 0;
}

void CIndexMerger::setThreads(int threads)
{
    CS_ASSERT_ARG_TEXT(threads == 1 || threads == 2, "threads 1 or 2");
    m_threads = threads;
}

bool CIndexMerger::recyclable(const CMergeBarrelQueue* pQueue) const
{
    if (!pQueue)
        return m_recycleStrategy != RECYCLE_NONE;
    uint32_t deleted = 0, documents = 0;
    for (int i = 0; i < pQueue->size(); ++i) {
        const CBarrelInfo* pInfo = pQueue->getAt(i)->getBarrelInfo();
        deleted += static_cast<uint32_t>(pInfo->getDeletedCount());
        documents += static_cast<uint32_t>(pInfo->getDocCount());
    }
    switch (m_recycleStrategy) {
    case RECYCLE_RATIO:
        return documents > 0 &&
               static_cast<float>(static_cast<double>(deleted) / documents) >= m_recycleParam.ratio;
    case RECYCLE_COUNT:
        return deleted > 0 && static_cast<int64_t>(deleted) >= m_recycleParam.count;
    default:
        return false;
    }
}

void CIndexMerger::merge(CBarrelsInfo* pBarrels)
{
    if (!pBarrels || pBarrels->size() < 2)
        return;
    m_pBarrels = pBarrels;
    CMergeScope scope(*this, m_pBarrels);
    {
        CMergeBarrelQueue barrels(std::string(), static_cast<int>(pBarrels->size()));
        for (size_t i = 0; i < pBarrels->size(); ++i)
            barrels.put(new CMergeBarrelEntity(m_pDirectory, pBarrels->getBarrel(i)));
        while (CMergeBarrelEntity* pEntity = barrels.pop())
            addBarrel(pEntity);
    }
    endMerge();

    CRenameMarker::create();
    CS_LOG_INFO("begin barrel update");
    barrelUpdate(pBarrels);
    CRenameMarker::remove();
    CS_LOG_INFO("void CIndexMerger::merge delete file: %s", CRenameMarker::path().c_str());
}

void CIndexMerger::barrelUpdate(CBarrelsInfo* pBarrels) { replaceBarrels(pBarrels, {}); }

void CIndexMerger::replaceBarrels(CBarrelsInfo* pBarrels, const std::vector<std::string>& removed,
                                  const CBarrelInfo* pMerged, const std::vector<MergedRun>& mergedRuns)
{
    // Largest barrel first, equal counts in their order; then _0, _1, ...
    std::vector<std::unique_ptr<CBarrelInfo>> barrels;
    while (pBarrels->size() > 0)
        barrels.push_back(pBarrels->takeBarrel(pBarrels->getBarrel(0)));
    if (barrels.size() >= 2) {
        std::stable_sort(barrels.begin(), barrels.end(),
                         [](const std::unique_ptr<CBarrelInfo>& a, const std::unique_ptr<CBarrelInfo>& b) {
                             return a->getDocCount() > b->getDocCount();
                         });
    }
    CReplacePlan plan(m_pDirectory);
    plan.setRemovers(m_threads == 2 ? REMOVERS : 1);
    for (const std::string& name : removed)
        plan.addBarrelRemove(0, name);
    int32_t docStart = 0;
    int counter = 0;
    CDocumentMap documents;
    for (std::unique_ptr<CBarrelInfo>& pBarrel : barrels) {
        if (pBarrel.get() == pMerged) {
            for (const MergedRun& run : mergedRuns)
                documents.addRun(run.first, run.count, docStart + run.local);
        } else {
            documents.addRun(pBarrel->getDocStart(), pBarrel->getDocCount(), docStart);
        }
        std::string name = format::BarrelName(counter++);
        if (pBarrel->getName() != name) {
            if (CIndexBarrelWriter* pWriter = pBarrel->getWriter())
                pWriter->closeFiles();
            std::string staged = format::RENUMBERING_PREFIX + pBarrel->getName();
            plan.addBarrelRename(0, pBarrel->getName(), staged);
            plan.addBarrelRename(1, staged, name);
            pBarrel->setName(name);
        }
        pBarrel->setDocStart(docStart);
        docStart += pBarrel->getDocCount();
        pBarrels->appendBarrel(std::move(pBarrel));
    }
    pBarrels->write(*m_pDirectory);
    // The listener writes its state under ".tmp" names, renamed with the list.
    if (m_pListener && documents.changesAnything())
        m_pListener->documentsRenumbered(documents);
    plan.addTmpRenames(1);
    // From here on the next start completes the replacement should this process not.
    plan.commit();
    plan.execute();
    for (size_t i = 0; i < pBarrels->size(); ++i)
        pBarrels->getBarrel(i)->setWriter(nullptr);
}

void CIndexMerger::mergeFields(const std::vector<CMergeBarrelEntity*>& entities, const std::string& name,
                               MergedFields& merged)
{
    CS_ASSERT_OP_TEXT(m_pFactorySearcher != nullptr, "pFactorySearcher");
    std::unique_ptr<store::CIndexOutput> pTid = CreateMergeOutput(m_pDirectory, name + format::TID);
    std::unique_ptr<store::CIndexOutput> pDid = CreateMergeOutput(m_pDirectory, name + format::DID, m_threads == 2);
    std::unique_ptr<store::CIndexOutput> pPid = CreateMergeOutput(m_pDirectory, name + format::PID, m_threads == 2);
    COutputDescriptor outputs(pTid.get(), pDid.get(), pPid.get());
    merged.fields.setContentMode(m_pBarrels->getContentMode());
    for (int32_t fid = 0;; ++fid) {
        std::unique_ptr<CFieldMerger> pMerger;
        const CFieldInfo* pLast = nullptr;
        int64_t totalTerms = 0;
        for (CMergeBarrelEntity* pEntity : entities) {
            if (fid >= pEntity->getFieldInfos().getFieldCount())
                continue;
            const CFieldInfo* pInfo = pEntity->getFieldInfos().getField(fid);
            pLast = pInfo;
            totalTerms += pInfo->getTotalTerms();
            if (!pInfo->isIndexed())
                continue;
            if (!pMerger) {
                auto found = m_pFactorySearcher->find(fid);
                if (found == m_pFactorySearcher->end() || !found->second)
                    CS_THROW("no field kind for field %s (id %d) of barrel %s", pInfo->getName().c_str(), fid,
                             pEntity->getBarrelInfo()->getName().c_str());
                pMerger.reset(found->second->createFieldMerger());
                CS_ASSERT(pMerger);
                pMerger->setDirectory(m_pDirectory);
                pMerger->setFieldFactory(found->second);
            }
            pMerger->addField(pEntity->getBarrelInfo()->getName(), pEntity->getMergeStart(), pEntity->getShift(),
                              pInfo, pEntity->getRecycledDeletions());
        }
        if (!pLast)
            break;
        CFieldInfo info(*pLast);
        info.setTotalTerms(totalTerms);
        if (pMerger) {
            int64_t tidOff1 = pTid->position(), didOff1 = pDid->position(), pidOff1 = pPid->position();
            pMerger->setBuffer(m_pBuffer, m_bufferSize);
            info.setTermDictTrailer(pMerger->merge(outputs));
            int64_t tidOff2 = pTid->position(), didOff2 = pDid->position(), pidOff2 = pPid->position();
            CS_ASSERT((tidOff2 - tidOff1) >= 0);
            CS_ASSERT((didOff2 - didOff1) >= 0);
            info.setDistinctTerms(pMerger->getTermCount());
            info.setTermDictBytes(tidOff2 - tidOff1);
            info.setDocPostingBytes(didOff2 - didOff1);
            info.setPosPostingBytes(pidOff2 - pidOff1);
            merged.positions = merged.positions || pidOff2 - pidOff1 > 0;
        }
        merged.fields.mergeField(info);
    }
    pTid->close();
    pDid->close();
    pPid->close();
}

void CIndexMerger::mergeBarrel(CMergeBarrelQueue* pQueue)
{
    CS_LOG_INFO("index merging begins");
    bool recycle = recyclable(pQueue);
    std::vector<CMergeBarrelEntity*> entities;
    for (int i = 0; i < pQueue->size(); ++i)
        entities.push_back(pQueue->getAt(i));
    for (CMergeBarrelEntity* pEntity : entities)
        pEntity->load(recycle);

    // Files of an earlier merge cut off before its barrel was listed.
    const std::string name = pQueue->getName();
    m_pDirectory->removeFiles(name + ".*");

    // The new barrel's numbers: barrels in queue order, leading deleted runs dropped.
    int32_t docStart = 0, dropped = 0;
    std::vector<MergedRun> runs;
    for (CMergeBarrelEntity* pEntity : entities) {
        const CBarrelInfo* pInfo = pEntity->getBarrelInfo();
        int32_t lead = pEntity->getLead();
        dropped += lead;
        pEntity->place(docStart, docStart - dropped);
        runs.push_back(MergedRun{pInfo->getDocStart() + lead, pInfo->getDocCount() - lead, docStart - dropped + lead});
        docStart += pInfo->getDocCount();
    }

    // A barrel still attached to its writer may hold open stored-fields files.
    for (CMergeBarrelEntity* pEntity : entities) {
        if (CIndexBarrelWriter* pWriter = pEntity->getBarrelInfo()->getWriter())
            pWriter->closeFiles();
    }
    // The stored fields are copied first, or beside the term merge when the
    // run has two threads, and committed last: the disk writes their bulk
    // while the fields are merged. The files are the same either way.
    std::unique_ptr<store::CIndexOutput> pSfi = CreateMergeOutput(m_pDirectory, name + format::SFI);
    std::unique_ptr<store::CIndexOutput> pSfd = CreateMergeOutput(m_pDirectory, name + format::SFD);
    MergedFields merged;
    {
        utility::CSideTask stored(m_threads == 2,
                                  [&] { CStoreFieldsMerger::merge(m_pDirectory, entities, *pSfi, *pSfd); });
        mergeFields(entities, name, merged);
        stored.wait();
    }
    pSfi->close();
    pSfd->close();
    int32_t docCount = 0, deletedCount = 0;
    CDocDeletedMerger::merge(m_pDirectory, entities, name, docCount, deletedCount);
    CDocLengthsMerger::merge(m_pDirectory, entities, name, format::CDocLengths::coveredFields(*m_pFactorySearcher));
    {
        std::unique_ptr<store::CIndexOutput> pFdi(m_pDirectory->createOutput(name + format::FDI));
        merged.fields.write(*pFdi);
        pFdi->close();
    }
    if (!merged.positions)
        m_pDirectory->removeFile(name + format::PID);

    // The sources leave the list and the new barrel joins it in one replacement.
    std::vector<std::string> removed;
    std::vector<std::unique_ptr<CBarrelInfo>> sources;
    for (CMergeBarrelEntity* pEntity : entities) {
        removed.push_back(pEntity->getBarrelInfo()->getName());
        sources.push_back(m_pBarrels->takeBarrel(pEntity->getBarrelInfo()));
    }
    auto pNew = std::make_unique<CBarrelInfo>(name, 0, docCount, deletedCount);
    CBarrelInfo* pNewInfo = pNew.get();
    m_pBarrels->appendBarrel(std::move(pNew));
    CRenameMarker::create();
    CS_LOG_INFO("begin barrel update");
    replaceBarrels(m_pBarrels, removed, pNewInfo, runs);
    CS_LOG_INFO("index merging ended");
    utility::CConsoleProgress::instance().mergeDone();
    CRenameMarker::remove();
    CS_LOG_INFO("CIndexMerger::mergeBarrel delete file %s", CRenameMarker::path().c_str());

    pQueue->clear();
    sources.clear();
    addBarrel(new CMergeBarrelEntity(m_pDirectory, pNewInfo));
}

} // namespace cs::index
