#include "index/IndexRecovery.h"

#include "index/IndexMerger.h"
#include "index/ReplacePlan.h"
#include "platform/Platform.h"
#include "store/Directory.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::index {

bool CIndexRecovery::recover(store::CDirectory* pDir)
{
    bool completed = CReplacePlan::recover(pDir);
    // A merged barrel keeps its "_mid_" name only until the list names it:
    // such files belong to a merge that never committed its replacement.
    pDir->removeFiles("_mid_*");
    // No replacement is under way any more: a marker left by a crash goes.
    std::string marker = utility::GetAppDir() + CIndexMerger::RENAME_MARKER;
    if (platform::PathAccessible(marker)) {
        platform::RemoveFile(marker);
        CS_LOG_INFO("index recovery delete file %s", marker.c_str());
    }
    return completed;
}

} // namespace cs::index
