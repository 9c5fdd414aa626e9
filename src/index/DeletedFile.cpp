#include "index/DeletedFile.h"

#include "utility/Error.h"

namespace cs::index {

void LoadDeletedFile(const std::string& path, utility::CDocDeleted& deleted)
{
    if (!deleted.load(path))   // a damaged file raises what is wrong with it
        CS_THROW("failed to read %s", path.c_str());
}

} // namespace cs::index
