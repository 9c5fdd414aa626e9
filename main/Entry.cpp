#include "Entry.h"

#include <cstdio>
#include <exception>
#include <strings.h>

#include "IndexMemory.h"
#include "RunDriver.h"
#include "config/DbInfo.h"
#include "config/GlobalConfig.h"
#include "utility/ConfigPath.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

const int kGoOn = -2;

struct CommandLine {
    std::string database;   // empty without -d
    bool named = false;     // -d was given
    int recreate = 0;
};

bool SameWord(const char* word, const char* option) { return ::strcasecmp(word, option) == 0; }

void PrintUsage()
{
    std::fputs("welcome to use content indexer. version 1.0.0\n", stdout);
    std::fputs("usage:process-name <-d database-name> [-r] [-m] \n", stdout);
    std::fputs("-r: recreate index\n", stdout);
    std::fputs("-m: only merge index\n", stdout);
}

// Scans the arguments; -m merges at once. kGoOn to go on, else the exit code.
int ParseCommandLine(int argc, char** argv, CommandLine& line)
{
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (SameWord(word, "-d")) {
            if (i + 1 >= argc || argv[i + 1][0] == '-') {
                std::fputs("invalid database name\n", stdout);
                return 1;
            }
            line.database = argv[++i];
            line.named = true;
        } else if (SameWord(word, "-r")) {
            line.recreate = 1;
        } else if (SameWord(word, "-m")) {
            MergeIndexOnly();
            return 1;
        } else {
            PrintUsage();
            return 1;
        }
    }
    return kGoOn;
}

// "all" runs every configured database; any other name runs the entries of
// exactly that name, in file order.
void RunDatabases(const CommandLine& line)
{
    CDbInfo info(CConfigPath::instance().getPath("DBINFO_PATH"));
    if (!info.read())
        CS_THROW("read global config failed");
    if (info.dbCount() <= 0)
        DumpLastError(CStringResource::instance().get("IDR_NEED_CONFIGDB"));   // used unchanged
    bool all = SameWord(line.database.c_str(), "all");
    std::vector<CDbInfo::Database> databases = info.databaseList();
    std::string names;
    bool found = all;
    for (const CDbInfo::Database& database : databases) {
        names += (names.empty() ? "" : ", ") + database.name;
        found = found || database.name == line.database;
    }
    // A name the file does not hold is a mistake, not a run with nothing to do.
    if (line.named && !found)
        CS_THROW("%s holds no database %s; nothing was indexed. The configured databases: %s (or all)",
                 info.path().c_str(), line.database.c_str(), names.c_str());
    for (const CDbInfo::Database& database : databases) {
        if (all || database.name == line.database)
            RunDatabase(database.name, database.description, line.recreate);
    }
}

} // namespace

void StartProcess()
{
    InstallProcessFaultHandlers();
    static CGlobalConfig config;
    config.load(CConfigPath::instance().getPath("GLOBAL_CONFIG_PATH"));
    g_pGlobalConfig = &config;
}

int Main(int argc, char** argv)
{
    EnsureSingleInstance();
    try {
        if (!CStringResource::instance().load(CConfigPath::instance().getPath("STRRES_PATH")))
            CS_THROW("failed to load string resource");
        AllocateIndexMemory();
        CS_LOG_INFO("indexing begin");
        CommandLine line;
        int code = ParseCommandLine(argc, argv, line);
        if (code != kGoOn)
            return code;
        RunDatabases(line);
        CS_LOG_INFO("indexing end");
        CConsoleProgress::instance().finish();
        std::fputs("congratulations, game over!\n", stdout);
        return 0;
    } catch (const std::exception& e) {
        CS_LOG_ERROR("%s", e.what());
        // The operator at the console learns what stopped the run.
        CConsoleProgress::instance().finish();
        std::fprintf(stderr, "%s: %s\n", GetAppFileName().c_str(), WithoutErrorSite(e.what()).c_str());
        return -1;
    } catch (...) {
        CS_LOG_ERROR("other exception");
        return -1;
    }
}

} // namespace cs::driver
