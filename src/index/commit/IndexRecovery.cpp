#include "index/commit/IndexRecovery.h"

#include <vector>

#include "index/commit/RenameMarker.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "platform/Env.h"
#include "store/ContentDirectory.h"
#include "utility/Logger.h"

namespace cs::index {

bool CIndexRecovery::recover(store::CDirectory* pDir)
{
    bool completed = CReplacePlan::recover(pDir);
    // A merged barrel keeps its "_mid_" name only until the list names it:
    // such files belong to a merge that never committed its replacement.
    pDir->removeFiles(std::string(format::MERGING_PREFIX) + "*");
    // Files of a flush whose replacement never began: the barrel list on
    // disk does not name them, and the next flush must not take them for
    // its own.
    std::vector<std::string> files;
    pDir->listFiles(files);
    size_t leftovers = 0;
    for (const std::string& file : files) {
        if (format::IsTmpName(file))
            ++leftovers;
    }
    if (leftovers > 0) {
        CS_LOG_INFO("removing %zu files of an unfinished flush in %s", leftovers, pDir->getPath().c_str());
        pDir->removeFiles(format::TmpPattern());
    }
    // No replacement is under way any more: a marker left by a crash goes.
    if (CRenameMarker::remove())
        CS_LOG_INFO("index recovery delete file %s", CRenameMarker::path().c_str());
    return completed;
}

bool CIndexRecovery::recover(const std::string& path)
{
    if (!platform::Env().isDirectory(path))
        return false;
    store::CContentDirectory directory(path, store::CContentDirectory::MODE_OPEN);
    return recover(&directory);
}

} // namespace cs::index
