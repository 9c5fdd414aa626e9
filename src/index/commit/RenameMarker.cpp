#include "index/commit/RenameMarker.h"

#include "platform/Platform.h"
#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::index {

std::string CRenameMarker::path() { return utility::GetAppDir() + NAME; }

void CRenameMarker::create()
{
    int fd = platform::CreateTruncated(path());
    if (fd == -1)
        CS_THROW("failed to create tmp file while renaming index files");
    platform::CloseFile(fd);
}

bool CRenameMarker::remove()
{
    std::string marker = path();
    return platform::PathAccessible(marker) && platform::RemoveFile(marker);
}

} // namespace cs::index
