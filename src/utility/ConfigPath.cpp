#include "utility/ConfigPath.h"

#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/XmlDocument.h"

namespace cs::utility {

namespace {
std::string LocatePathConfig()
{
    std::string file;
    if (!FindPathConfig(file))
        CS_THROW("not found pathconfig.xml");
    return file;
}
} // namespace

CConfigPath& CConfigPath::instance()
{
    static CConfigPath paths(LocatePathConfig());
    return paths;
}

CConfigPath::CConfigPath(const std::string& file)
{
    CXmlDocument document;
    if (!document.parseFile(file))
        CS_THROW("failed to parse %s (%s)", file.c_str(), document.parseFailure().c_str());
    CXmlNode rootNode = document.select("/pathconfig/root");
    if (!rootNode)
        CS_THROW("not found root path node in %s", file.c_str());
    std::string root = PathConfigRoot(file, rootNode.content());
    for (CXmlNode entry = rootNode.nextSibling(); entry; entry = entry.nextSibling()) {
        std::string name = entry.name();
        std::string path = root + entry.content();
        if (!platform::Env().pathAccessible(path))
            CS_LOG_WARN("config file: %s is not exist or doesn't have access permission", name.c_str());
        m_paths.emplace(name, path);   // a repeated name keeps its first path
    }
}

std::string CConfigPath::getPath(const std::string& name) const
{
    auto it = m_paths.find(name);
    if (it == m_paths.end())
        CS_THROW("no such config file: %s", name.c_str());
    return it->second;
}

} // namespace cs::utility
