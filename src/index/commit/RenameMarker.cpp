#include "index/commit/RenameMarker.h"

#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::index {

std::string CRenameMarker::path() { return utility::GetAppDir() + NAME; }

void CRenameMarker::create()
{
    int fd = platform::Env().createTruncated(path());
    if (fd == -1)
        CS_THROW("failed to create tmp file while renaming index files");
    platform::Env().closeFile(fd);
}

bool CRenameMarker::remove()
{
    std::string marker = path();
    return platform::Env().pathAccessible(marker) && platform::Env().removeFile(marker);
}

} // namespace cs::index
