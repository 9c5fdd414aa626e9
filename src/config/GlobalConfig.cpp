#include "config/GlobalConfig.h"

namespace cs::utility {

CGlobalConfig* g_pGlobalConfig = nullptr;

void CGlobalConfig::load(const std::string& path)
{
    m_filePath = path;
}

} // namespace cs::utility
