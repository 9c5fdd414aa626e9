#include "check/IndexRepair.h"

#include <exception>
#include <map>
#include <memory>

#include "check/BarrelChecker.h"
#include "check/CheckReport.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/IndexLock.h"
#include "index/IndexRefusal.h"
#include "index/commit/IndexRecovery.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "platform/Env.h"
#include "store/ContentDirectory.h"
#include "utility/DocDeleted.h"
#include "utility/Error.h"
#include "utility/Format.h"

namespace cs::check {

using index::CBarrelInfo;
using index::CBarrelsInfo;
using utility::Format;

namespace {

// A barrel the list does not name, as its files describe it: the documents
// .sfi has room for, the deletions .del counts.
CBarrelInfo Unlisted(store::CDirectory& dir, const std::string& name)
{
    int64_t length = 0;
    if (dir.fileExists(name + index::format::SFI))
        length = dir.fileLength(name + index::format::SFI);
    int32_t deleted = 0;
    if (dir.fileExists(name + index::format::DEL)) {
        try {
            utility::CDocDeleted marks;
            if (marks.load(dir.getFullPath(name + index::format::DEL)))
                deleted = static_cast<int32_t>(marks.docDelNum());
        } catch (const std::exception&) {
            // The barrel's check reports the damaged file.
        }
    }
    return CBarrelInfo(name, 0, static_cast<int32_t>(length / index::format::SFI_ENTRY_BYTES), deleted);
}

std::string Range(int64_t start, int32_t count)
{
    if (count <= 0)
        return "documents of a number that is not known";
    return Format("documents %lld to %lld", static_cast<long long>(start), static_cast<long long>(start + count - 1));
}

} // namespace

CIndexRepair::CIndexRepair(const std::string& indexDir, content::CContentMode* pConfiguredMode)
    : m_dir(indexDir), m_pConfiguredMode(pConfiguredMode)
{
    if (!m_dir.empty() && m_dir.back() == '/')
        m_dir.pop_back();
}

std::vector<std::string> CIndexRepair::repair()
{
    // A repair writes the index: it holds the writer's lock, so that no run
    // writes beside it, and none that runs is written over.
    std::unique_ptr<index::CIndexLock> pLock;
    if (platform::Env().isDirectory(m_dir)) {
        pLock = std::make_unique<index::CIndexLock>(m_dir);
        if (pLock->holder() != 0)
            CS_THROW("%s: csindexer (process %d) is writing the index; nothing was changed: repair it once the run "
                     "has ended",
                     m_dir.c_str(), pLock->holder());
        if (!pLock->held())
            CS_THROW("%s: the index cannot be locked for the repair: %s", m_dir.c_str(), pLock->failure().c_str());
    }
    index::CIndexRecovery::recover(m_dir);
    std::vector<std::string> lines;
    std::string damage = index::CIndexRefusal::listDamage(m_dir);
    if (damage.empty()) {
        lines.push_back(m_dir + ": nothing to repair, the barrel list agrees with the barrel files");
        return lines;
    }
    store::CContentDirectory dir(m_dir, store::CContentDirectory::MODE_OPEN);
    const std::string list = dir.getFullPath(CBarrelsInfo::STATUS_FILE);
    lines.push_back(list + ": " + damage);

    // What the list still says: the barrels in its order with their counts,
    // and the content mode they were written with.
    std::string version;
    std::vector<CBarrelInfo> listed;
    CBarrelsInfo old;
    bool readable = dir.fileExists(CBarrelsInfo::STATUS_FILE) &&
                    CBarrelsInfo::readBarrels(list, version, listed).empty() && old.read(dir);
    content::CContentMode* pMode = readable ? old.getContentMode() : nullptr;
    if (!pMode || pMode->size() == 0) {
        pMode = m_pConfiguredMode;
        if (!pMode || pMode->size() == 0)
            CS_THROW("%s: no content mode to decode the barrels with, neither in the list nor in the configuration",
                     list.c_str());
        lines.push_back("the barrels are decoded with the content mode of the configuration");
    }
    // Every barrel of the list or of the files, in the order of their names,
    // which is the order of their documents.
    std::map<int, CBarrelInfo> barrels;
    for (const CBarrelInfo& barrel : listed) {
        if (index::format::BarrelNumber(barrel.getName()) >= 0)
            barrels.emplace(index::format::BarrelNumber(barrel.getName()), barrel);
    }
    std::vector<std::string> files = dir.listFileNames();
    for (const std::string& file : files) {
        std::string name = index::format::BarrelOfFile(file);
        if (!name.empty() && barrels.count(index::format::BarrelNumber(name)) == 0)
            barrels.emplace(index::format::BarrelNumber(name), Unlisted(dir, name));
    }

    CBarrelsInfo repaired;
    repaired.setContentMode(pMode);
    index::CReplacePlan plan(&dir);
    if (dir.fileExists(CBarrelsInfo::STATUS_FILE))
        plan.addRename(0, CBarrelsInfo::STATUS_FILE, index::format::SET_ASIDE_PREFIX + std::string(CBarrelsInfo::STATUS_FILE));
    int64_t start = 0, kept = 0, documents = 0;
    for (auto& [number, barrel] : barrels) {
        int64_t oldStart = start;
        start += barrel.getDocCount();
        barrel.setDocStart(static_cast<int32_t>(documents));
        CCheckReport report;
        CBarrelChecker(&dir, barrel, *pMode, report).check();
        if (report.sound()) {
            lines.push_back("barrel " + barrel.getName() + ": kept, " + Range(oldStart, barrel.getDocCount()) +
                            (oldStart == documents ? std::string() : ", now numbered from " + std::to_string(documents)));
            documents += barrel.getDocCount();
            ++kept;
            repaired.appendBarrel(std::make_unique<CBarrelInfo>(barrel));
            continue;
        }
        lines.push_back("barrel " + barrel.getName() + ": lost, " + Range(oldStart, barrel.getDocCount()) + " (" +
                        report.problems().front().text() + "); its files are set aside as " +
                        index::format::SET_ASIDE_PREFIX + barrel.getName() + ".*");
        for (const std::string& file : files) {
            if (index::format::BarrelOfFile(file) == barrel.getName())
                plan.addRename(0, file, index::format::SET_ASIDE_PREFIX + file);
        }
    }
    // The directory collection's state names documents by the numbers of the
    // old list; once documents are lost those numbers are wrong.
    const std::string state = index::format::COLLECTED_FILES_FILE;
    const bool stateSetAside = documents != start && dir.fileExists(state);
    if (stateSetAside)
        plan.addRename(0, state, index::format::SET_ASIDE_PREFIX + state);
    repaired.write(dir);
    plan.addRename(1, index::format::TmpName(CBarrelsInfo::STATUS_FILE), CBarrelsInfo::STATUS_FILE);
    plan.commit();
    plan.execute();
    lines.push_back(Format("%s: a new barrel list of %lld barrels and %lld documents is in place; the old one is set "
                           "aside as %s%s",
                           list.c_str(), static_cast<long long>(kept), static_cast<long long>(documents),
                           index::format::SET_ASIDE_PREFIX, CBarrelsInfo::STATUS_FILE));
    if (dir.fileExists(index::format::COLLECT_DATE_FILE))
        lines.push_back("the next run goes on from where the collection stopped, so lost documents are not indexed "
                        "again: \"csindexer -d <database> -r\" rebuilds the whole index");
    if (stateSetAside)
        lines.push_back(dir.getFullPath(state) + " numbered the documents as the old list did and is set aside as " +
                        index::format::SET_ASIDE_PREFIX + state + ": the next run refuses the index until "
                        "\"csindexer -d <database> -r\" rebuilds it");
    return lines;
}

} // namespace cs::check
