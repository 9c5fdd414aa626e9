#include "index/commit/RebuildBeside.h"

#include <algorithm>
#include <set>
#include <vector>

#include "index/BarrelsInfo.h"
#include "index/commit/RenameMarker.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "platform/Env.h"
#include "store/ContentDirectory.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/MemoryCache.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::index {

namespace {

bool IsCollectionState(const std::string& name)
{
    return std::any_of(std::begin(format::COLLECTION_STATE_FILES), std::end(format::COLLECTION_STATE_FILES),
                       [&](const char* state) { return name == state; });
}

// A file of a barrel, also while a merge renumbers it.
std::string BarrelOf(const std::string& name)
{
    const size_t prefix = sizeof(format::RENUMBERING_PREFIX) - 1;
    if (name.compare(0, prefix, format::RENUMBERING_PREFIX) == 0)
        return format::BarrelOfFile(name.substr(prefix));
    return format::BarrelOfFile(name);
}

// The files an index consists of: its barrels, its list, its collection state.
bool IsIndexFile(const std::string& name)
{
    return !BarrelOf(name).empty() || name == CBarrelsInfo::STATUS_FILE || IsCollectionState(name);
}

void RemoveStaging(const std::string& staging)
{
    store::CContentDirectory staged(staging, store::CContentDirectory::MODE_OPEN);
    staged.removeFiles("*", true);
    if (!platform::Env().removeDirectory(staging))
        CS_THROW("failed to remove directory: %s (%s)", staging.c_str(), utility::GetLastErrorText().c_str());
}

} // namespace

std::string CRebuildBeside::stagingDir(const std::string& indexDir)
{
    std::string dir = indexDir;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + STAGING_DIR;
}

void CRebuildBeside::checkRoom(const std::string& indexDir)
{
    if (!platform::Env().isDirectory(indexDir))
        return;
    store::CContentDirectory dir(indexDir, store::CContentDirectory::MODE_OPEN);
    int64_t bytes = 0;
    for (const std::string& name : dir.listFileNames()) {
        if (IsIndexFile(name))
            bytes += dir.fileLength(name);
    }
    const utility::CMemoryCache* pMemory = utility::GetIndexMemoryCache();
    int64_t firstBlock = pMemory ? static_cast<int64_t>(pMemory->firstBlockSize()) : 0;
    int64_t neededMiB = ((bytes + firstBlock) >> 20) + 1;
    int64_t freeMiB = utility::GetDiskSpace(indexDir);
    if (neededMiB >= freeMiB)
        utility::DumpLastError(utility::Format(
            "%s: a rebuild beside the index in %s needs about %lld MiB, the file system has %lld MiB free",
            utility::CStringResource::instance().get("IDR_LACK_DISKSPACE").c_str(), indexDir.c_str(),
            static_cast<long long>(neededMiB), static_cast<long long>(freeMiB)));
}

void CRebuildBeside::swapIn(const std::string& indexDir)
{
    const std::string staging = stagingDir(indexDir);
    store::CContentDirectory dir(indexDir, store::CContentDirectory::MODE_OPEN);
    store::CContentDirectory staged(staging, store::CContentDirectory::MODE_OPEN);
    std::vector<std::string> oldFiles = dir.listFileNames();
    std::vector<std::string> newFiles = staged.listFileNames();
    // The new barrels take names that no file of the old index has.
    int base = 0;
    for (const std::string& name : oldFiles) {
        std::string barrel = BarrelOf(name);
        if (!barrel.empty())
            base = std::max(base, format::BarrelNumber(barrel) + 1);
    }
    CBarrelsInfo list;
    bool listed = list.read(staged);
    const std::string from = std::string(STAGING_DIR) + "/";
    CReplacePlan plan(&dir);
    // A rebuild that found nothing to index: no index, at once.
    if (!listed && dir.fileExists(CBarrelsInfo::STATUS_FILE))
        plan.addRemove(0, CBarrelsInfo::STATUS_FILE);
    std::set<std::string> moved;
    for (size_t i = 0; i < list.size(); ++i) {
        CBarrelInfo& barrel = *list.getBarrel(i);
        std::string name = format::BarrelName(base + static_cast<int>(i));
        for (const std::string& file : newFiles) {
            if (format::BarrelOfFile(file) == barrel.getName())
                plan.addRename(0, from + file, name + file.substr(barrel.getName().size()));
        }
        barrel.setName(name);
    }
    // The collection's state, and whatever else the run keeps beside its
    // barrels; not the leftovers of its own commits.
    for (const std::string& file : newFiles) {
        if (format::BarrelOfFile(file).empty() && file != CBarrelsInfo::STATUS_FILE && !format::IsTmpName(file) &&
            file.compare(0, std::string(CReplacePlan::FILE_NAME).size(), CReplacePlan::FILE_NAME) != 0) {
            plan.addRename(0, from + file, file);
            moved.insert(file);
        }
    }
    if (listed) {
        list.write(staged);
        plan.addRename(0, from + format::TmpName(CBarrelsInfo::STATUS_FILE), CBarrelsInfo::STATUS_FILE);
    }
    for (const std::string& file : oldFiles) {
        if (IsIndexFile(file) && file != CBarrelsInfo::STATUS_FILE && moved.count(file) == 0)
            plan.addRemove(1, file);
    }
    CS_LOG_INFO("the rebuilt index of %zu barrels takes the place of the old one in %s", list.size(),
                dir.getPath().c_str());
    CRenameMarker::create();
    // From here on the next start completes the swap should this process not.
    plan.commit();
    plan.execute();
    CRenameMarker::remove();
    RemoveStaging(staging);
}

bool CRebuildBeside::removeLeftover(const std::string& indexDir)
{
    const std::string staging = stagingDir(indexDir);
    if (!platform::Env().isDirectory(staging))
        return false;
    CS_LOG_INFO("removing the partial index of a rebuild that did not finish: %s", staging.c_str());
    RemoveStaging(staging);
    return true;
}

} // namespace cs::index
