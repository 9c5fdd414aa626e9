#include "Entry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <strings.h>

#include "CheckConfig.h"
#include "IndexMemory.h"
#include "RunDriver.h"
#include "WriterGuard.h"
#include "config/DbInfo.h"
#include "config/GlobalConfig.h"
#include "utility/ConfigPath.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"
#include "utility/Failure.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/StringResource.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

const int kGoOn = -2;
const char kVersion[] = "1.0.0";

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

// --help: the usage and the options that answer without indexing.
void PrintHelp()
{
    PrintUsage();
    std::fputs("-j 1|2: threads of the index writer (/config/index/threads); with 2, documents are parsed and "
               "analysed on a second thread, and merges copy the stored fields on it\n", stdout);
    std::fputs("--check-config: check the configuration, touch no index\n", stdout);
    std::fputs("--help, --version\n", stdout);
}

// The usage on standard output, as the command line's answer to a word it
// does not know, which the line on standard error names.
int RefuseWord(const char* word)
{
    PrintUsage();
    SayFailure(std::string(word[0] == '-' ? "unknown option " : "unexpected argument ") + word);
    return 1;
}

// -m merges at once, and ends with 1 even when the merge went well; the line
// on standard error says which it was.
int MergeOnly()
{
    if (MergeIndexOnly() != 0) {
        SayFailure("merge only (-m): indexing is switched off (/config/index/system_status 0), nothing merged");
        return 1;
    }
    std::string done = "merge only (-m): the index in " + g_pGlobalConfig->indexPath() +
                       " is merged; this mode always ends with exit status 1";
    SayLine(done);
    CS_LOG_INFO("%s", done.c_str());
    return 1;
}

// Scans the arguments; -m merges at once. kGoOn to go on, else the exit code.
int ParseCommandLine(int argc, char** argv, CommandLine& line)
{
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (SameWord(word, "-d")) {
            if (i + 1 >= argc || argv[i + 1][0] == '-') {
                std::fputs("invalid database name\n", stdout);
                SayFailure(i + 1 >= argc ? std::string("-d needs a database name")
                                         : std::string("-d needs a database name, not the option ") + argv[i + 1]);
                return 1;
            }
            line.database = argv[++i];
            line.named = true;
        } else if (SameWord(word, "-r")) {
            line.recreate = 1;
        } else if (SameWord(word, "-j")) {
            const char* count = i + 1 < argc ? argv[i + 1] : "";
            if (std::strcmp(count, "1") != 0 && std::strcmp(count, "2") != 0) {
                PrintUsage();
                SayFailure(*count ? std::string("-j takes 1 or 2 threads, not ") + count
                                  : std::string("-j needs a number of threads, 1 or 2"));
                return 1;
            }
            // In force at once: a -m that follows merges with it.
            g_pGlobalConfig->overrideIndexThreads(std::atoi(argv[++i]));
        } else if (SameWord(word, "-m")) {
            return MergeOnly();
        } else {
            return RefuseWord(word);
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
        CS_THROW("read global config failed: %s", CConfigPath::instance().getPath("DBINFO_PATH").c_str());
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

int PrintVersion()
{
    std::printf("%s version %s\n", GetAppFileName().c_str(), kVersion);
    return 0;
}

int Main(int argc, char** argv)
{
    // Words that answer without running anything, not even a second copy.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintHelp();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0)
            return PrintVersion();
        if (std::strcmp(argv[i], "--check-config") == 0)
            return CheckConfiguration();
    }
    EnsureSingleInstance();
    try {
        std::string resources = CConfigPath::instance().getPath("STRRES_PATH");
        if (!CStringResource::instance().load(resources))
            CS_THROW("failed to load string resource: %s (%s)", resources.c_str(),
                     CStringResource::instance().failure().c_str());
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
    } catch (const std::bad_alloc&) {
        ReportLackOfMemory();
    } catch (const std::exception& e) {
        // The operator at the console learns what stopped the run, on a line
        // of its own.
        CConsoleProgress::instance().finish();
        SayFailure(WithoutErrorSite(e.what()));
        return -1;
    } catch (...) {
        SayFailure("other exception");
        return -1;
    }
}

} // namespace cs::driver
