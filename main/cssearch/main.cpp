// cssearch: queries an index directory. See man/cssearch.1.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "Entry.h"
#include "IndexLocation.h"
#include "config/Configurator.h"
#include "platform/Platform.h"
#include "search/FieldAnalysis.h"
#include "search/HitPrinter.h"
#include "search/IndexSearcher.h"
#include "search/QueryParser.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Failure.h"

namespace {

using namespace cs;

const int kUsageError = 2;
const char kUsage[] = "usage: cssearch (-d <database> | -i <index directory>) [-n <count>] [--offset <count>] [--json] "
                      "<query>...\n"
                      "query: words, field:value, \"a phrase\", date:from..to, AND, OR, NOT, ( )\n";

// The one line on standard error of a search that cannot run.
int Refuse(const std::string& problem)
{
    utility::SayFailure(problem);
    return kUsageError;
}

int Usage(const std::string& problem) { return Refuse(problem + " (cssearch --help shows the usage)"); }

bool Option(const char* arg, const char* shortName, const char* longName)
{
    return std::strcmp(arg, shortName) == 0 || std::strcmp(arg, longName) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    driver::StartProcess();
    std::string indexDir;
    std::string database;
    std::string query;
    long limit = 10;
    long offset = 0;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (Option(arg, "-i", "--index") || Option(arg, "-d", "--database") || Option(arg, "-n", "--limit") ||
            std::strcmp(arg, "--offset") == 0) {
            if (i + 1 >= argc)
                return Usage(std::string(arg) + " needs a value");
            const char* value = argv[++i];
            if (arg[1] == 'i' || arg[2] == 'i') {
                indexDir = value;
            } else if (arg[1] == 'd' || arg[2] == 'd') {
                database = value;
            } else {
                long& count = arg[2] == 'o' ? offset : limit;
                char* end = nullptr;
                count = std::strtol(value, &end, 10);
                if (*value == '\0' || *end != '\0' || count < 0)
                    return Usage((std::string("the count of ") + arg + " is a number of 0 or more").c_str());
            }
        } else if (std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (Option(arg, "-h", "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(arg, "--version") == 0) {
            return driver::PrintVersion();
        } else if (std::strncmp(arg, "--", 2) == 0) {
            // A mistyped option is no query text.
            return Usage(std::string("unknown option ") + arg);
        } else {
            query += (query.empty() ? "" : " ") + std::string(arg);
        }
    }
    if (indexDir.empty() == database.empty())
        return Usage("name the index with -d or -i");
    if (query.empty())
        return Usage("no query");
    try {
        if (!database.empty()) {
            std::vector<std::string> dirs = driver::ConfiguredIndexDirectories(database);
            if (dirs.size() > 1)
                return Refuse("-d " + database + " names several indexes: search one at a time");
            indexDir = dirs.front();
        }
        utility::CConfigurator configurator(utility::CConfigPath::instance().getPath("CONFIGURATE_PATH"));
        configurator.load();
        search::CIndexSearcher searcher(indexDir, configurator.getAnalyzerArgument().identifier);
        std::vector<std::string> names = searcher.fieldNames();
        search::CQueryParser parser(std::set<std::string>(names.begin(), names.end()), "text");
        std::unique_ptr<search::CQueryNode> pQuery = parser.parse(query);
        size_t total = 0;
        std::vector<search::CSearchHit> hits =
            searcher.search(*pQuery, static_cast<size_t>(limit), total, static_cast<size_t>(offset));
        search::CHitPrinter printer(json                       ? search::CHitPrinter::JSON
                                    : platform::IsTerminal(1) ? search::CHitPrinter::TERMINAL
                                                               : search::CHitPrinter::PLAIN);
        for (const search::CSearchHit& hit : hits)
            std::fputs(printer.line(hit).c_str(), stdout);
        std::fputs(printer.summary(total, static_cast<size_t>(offset), hits.size()).c_str(), json ? stdout : stderr);
        std::fflush(stdout);
        // Every exit but 0 says why on standard error, --json's included.
        if (json && total == 0)
            std::fputs(search::CHitPrinter(search::CHitPrinter::PLAIN).summary(0, 0, 0).c_str(), stderr);
        return total > 0 ? 0 : 1;
    } catch (const search::CQueryParser::CQueryError& e) {
        return Refuse(std::string("query: ") + e.what());
    } catch (const std::exception& e) {
        return Refuse(utility::WithoutErrorSite(e.what()));
    }
}
