#include "IndexLocation.h"

#include <algorithm>
#include <strings.h>

#include "PrepareIndexing.h"
#include "config/Configurator.h"
#include "config/DbInfo.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"

namespace cs::driver {

using namespace cs::utility;

std::vector<std::string> ConfiguredIndexDirectories(const std::string& name)
{
    std::string dbinfoPath = CConfigPath::instance().getPath("DBINFO_PATH");
    CDbInfo info(dbinfoPath);
    if (!info.read())
        CS_THROW("cannot read the database information file %s", dbinfoPath.c_str());
    CConfigurator configurator(CConfigPath::instance().getPath("CONFIGURATE_PATH"));
    configurator.load();
    bool all = ::strcasecmp(name.c_str(), "all") == 0;
    std::vector<std::string> dirs;
    for (const CDbInfo::Database& database : info.databaseList()) {
        if (!all && database.name != name)
            continue;
        std::string dir = IndexDirectoryOf(configurator, database.name);
        if (dir.empty())
            CS_THROW("the collection %s keeps no index", configurator.getCollectionArgument().identifier.c_str());
        if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(dir);
    }
    if (dirs.empty())
        CS_THROW("%s names no database %s", dbinfoPath.c_str(), name.c_str());
    return dirs;
}

} // namespace cs::driver
