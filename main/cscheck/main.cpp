// cscheck: verifies index directories. See man/cscheck.1.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Entry.h"
#include "IndexLocation.h"
#include "check/IndexChecker.h"
#include "check/IndexRepair.h"
#include "config/Configurator.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace {

const int kUsageError = 2;

int Usage(const char* problem)
{
    if (problem)
        std::fprintf(stderr, "cscheck: %s\n", problem);
    std::fputs("usage: cscheck [-q] [--repair] [--home <program home>] (-d <database>|all | <index directory>...)\n",
               stderr);
    return kUsageError;
}

} // namespace

int main(int argc, char** argv)
{
    cs::driver::StartProcess();
    bool quiet = false;
    bool repair = false;
    std::string home = cs::utility::GetAppDir();
    std::vector<std::string> dirs;
    std::vector<std::string> databases;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-q") == 0) {
            quiet = true;
        } else if (std::strcmp(argv[i], "--repair") == 0) {
            repair = true;
        } else if (std::strcmp(argv[i], "-d") == 0) {
            if (++i >= argc)
                return Usage("-d needs a database name or all");
            databases.push_back(argv[i]);
        } else if (std::strcmp(argv[i], "--home") == 0) {
            if (++i >= argc)
                return Usage("--home needs a directory");
            home = argv[i];
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            Usage(nullptr);
            return 0;
        } else if (argv[i][0] == '-') {
            return Usage((std::string("unknown option ") + argv[i]).c_str());
        } else {
            dirs.push_back(argv[i]);
        }
    }
    if (dirs.empty() && databases.empty())
        return Usage("name an index directory or a database");
    bool sound = true;
    try {
        for (const std::string& database : databases) {
            for (const std::string& dir : cs::driver::ConfiguredIndexDirectories(database)) {
                if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
                    dirs.push_back(dir);
            }
        }
        // A list that cannot be read is repaired with the content mode the
        // indexer writes with.
        cs::utility::CConfigurator configurator(cs::utility::CConfigPath::instance().getPath("CONFIGURATE_PATH"));
        if (repair)
            configurator.load();
        for (const std::string& dir : dirs) {
            if (repair) {
                cs::check::CIndexRepair repairer(dir, &configurator.getContentMode());
                for (const std::string& line : repairer.repair())
                    std::printf("%s\n", line.c_str());
            }
            cs::check::CIndexChecker checker(dir, home);
            const cs::check::CCheckReport& report = checker.check();
            for (const cs::check::CProblem& problem : report.problems())
                std::printf("%s\n", problem.text().c_str());
            if (report.count() > report.problems().size())
                std::printf("... and %zu more problems\n", report.count() - report.problems().size());
            if (!quiet) {
                for (const std::string& note : report.notes())
                    std::printf("note: %s\n", note.c_str());
            }
            if (!quiet || !report.sound())
                std::printf("%s\n", checker.summary().c_str());
            sound = sound && report.sound();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cscheck: %s\n", cs::utility::WithoutErrorSite(e.what()).c_str());
        return kUsageError;
    }
    std::fflush(stdout);
    return sound ? 0 : 1;
}
