#include "index/DeletedFile.h"

#include <stdexcept>

#include "utility/Error.h"

namespace cs::index {

void LoadDeletedFile(const std::string& path, utility::CDocDeleted& deleted)
{
    try {
        if (!deleted.load(path))
            CS_THROW("failed to read %s", path.c_str());
    } catch (const std::logic_error& e) {
        CS_THROW("deleted-documents file %s is damaged: %s", path.c_str(), e.what());
    }
}

} // namespace cs::index
