// cscheck: verifies index directories. See man/cscheck.1.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Entry.h"
#include "IndexLocation.h"
#include "check/IndexChecker.h"
#include "utility/Error.h"
#include "utility/Failure.h"
#include "utility/OsUtility.h"

namespace {

const int kUsageError = 2;
const char kUsage[] = "usage: cscheck [-q] [--home <program home>] (-d <database>|all | <index directory>...)\n";

// The one line on standard error of a command line or a check that cannot run.
int Refuse(const std::string& problem)
{
    cs::utility::SayFailure(problem + " (cscheck --help shows the usage)");
    return kUsageError;
}

} // namespace

int main(int argc, char** argv)
{
    cs::driver::StartProcess();
    bool quiet = false;
    std::string home = cs::utility::GetAppDir();
    std::vector<std::string> dirs;
    std::vector<std::string> databases;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-q") == 0) {
            quiet = true;
        } else if (std::strcmp(argv[i], "-d") == 0) {
            if (++i >= argc)
                return Refuse("-d needs a database name or all");
            databases.push_back(argv[i]);
        } else if (std::strcmp(argv[i], "--home") == 0) {
            if (++i >= argc)
                return Refuse("--home needs a directory");
            home = argv[i];
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            return cs::driver::PrintVersion();
        } else if (argv[i][0] == '-') {
            return Refuse(std::string("unknown option ") + argv[i]);
        } else {
            dirs.push_back(argv[i]);
        }
    }
    if (dirs.empty() && databases.empty())
        return Refuse("name an index directory or a database");
    bool sound = true;
    size_t problems = 0;
    try {
        for (const std::string& database : databases) {
            for (const std::string& dir : cs::driver::ConfiguredIndexDirectories(database)) {
                if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
                    dirs.push_back(dir);
            }
        }
        for (const std::string& dir : dirs) {
            cs::check::CIndexChecker checker(dir, home);
            const cs::check::CCheckReport& report = checker.check();
            if (!checker.holdsIndex()) {
                std::fflush(stdout);
                return Refuse(checker.summary());
            }
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
            problems += report.count();
            sound = sound && report.sound();
        }
    } catch (const std::exception& e) {
        std::fflush(stdout);
        cs::utility::SayFailure(cs::utility::WithoutErrorSite(e.what()));
        return kUsageError;
    }
    std::fflush(stdout);
    if (sound)
        return 0;
    cs::utility::SayFailure(std::to_string(problems) + " problem" + (problems == 1 ? "" : "s") +
                            " found (listed on standard output)");
    return 1;
}
