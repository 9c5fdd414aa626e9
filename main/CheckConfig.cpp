#include "CheckConfig.h"

#include <cstdio>

#include "analyze/AnalyzerRegistry.h"
#include "collect/CollectionRegistry.h"
#include "config/Configurator.h"
#include "config/DbInfo.h"
#include "config/GlobalConfig.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "parse/ParserRegistry.h"
#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Failure.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/StringResource.h"

namespace cs::driver {

using namespace cs::utility;

namespace {

std::string Unknown(const char* kind, const std::string& value, const std::string& item, const std::string& file)
{
    return Format("unknown %s identifier \"%s\" (%s) in %s", kind, value.c_str(), item.c_str(), file.c_str());
}

// The general analyser, the default one or a field's, reads the dictionary.
bool UsesDictionary(const CConfigurator& configurator)
{
    const char* const general = "general.analyzer";
    bool uses = configurator.getAnalyzerArgument().identifier == general;
    const content::CContentMode& mode = configurator.getContentMode();
    for (size_t i = 0; i < mode.size(); ++i) {
        const std::string* pAnalyzer = mode.item(i).getComponent("analyzer");
        uses = uses || (pAnalyzer && *pAnalyzer == general);
    }
    return uses;
}

// The problems said while the checks run: every WARN and ERROR line.
std::vector<std::string> g_logged;

void CollectLine(LogLevel level, const char* text)
{
    g_logged.push_back(std::string(level == LogLevel::WARN ? "warning: " : "error: ") + text);
}

} // namespace

std::vector<std::string> ComponentProblems(const CConfigurator& configurator)
{
    std::vector<std::string> problems;
    const std::string& file = configurator.getPath();
    const std::string& collection = configurator.getCollectionArgument().identifier;
    if (!collection::CCollectionRegistry::instance().find(collection))
        problems.push_back("collection name is error: " + Unknown("collection", collection, "collection", file));
    if (configurator.getParserIdentifiers().empty())
        problems.push_back("no parser identifier in " + file);
    for (const std::string& parser : configurator.getParserIdentifiers()) {
        if (!parse::CParserRegistry::instance().find(parser))
            problems.push_back(Unknown("parser", parser, "parser", file));
    }
    const std::string& analyzer = configurator.getAnalyzerArgument().identifier;
    if (!analyze::CAnalyzerRegistry::instance().find(analyzer))
        problems.push_back(Unknown("analyzer", analyzer, "analyzer", file));
    const content::CContentMode& mode = configurator.getContentMode();
    if (mode.size() == 0)
        problems.push_back("the content mode of " + file + " has no mode_item");
    for (size_t i = 0; i < mode.size(); ++i) {
        const content::CModeItem& item = mode.item(i);
        if (item.getIndexKind() == content::CModeItem::INDEX_NO)
            continue;
        std::string where = "mode_item " + item.getName();
        const std::string* pAnalyzer = item.getComponent("analyzer");
        if (pAnalyzer && !analyze::CAnalyzerRegistry::instance().find(*pAnalyzer))
            problems.push_back(Unknown("analyzer", *pAnalyzer, where, file));
        const std::string* pIndexer = item.getComponent("indexer");
        if (pIndexer && !index::CFieldFactoryRegistry::instance().find(*pIndexer))
            problems.push_back(Unknown("indexer", *pIndexer, where, file));
    }
    if (UsesDictionary(configurator) && CConfigPath::instance().hasPath("DICTIONARY_PATH")) {
        std::string dictionary = CConfigPath::instance().getPath("DICTIONARY_PATH");
        int fd = platform::Env().openRegularFileForRead(dictionary);
        if (fd == -1)
            problems.push_back(FailureText("build dictionary failed", dictionary,
                                           platform::SystemErrorText(platform::LastErrorCode())));
        else
            platform::Env().closeFile(fd);
    }
    return problems;
}

void RequireSoundComponents(const CConfigurator& configurator)
{
    std::vector<std::string> problems = ComponentProblems(configurator);
    if (!problems.empty())
        CS_THROW("%s", problems.front().c_str());
}

int CheckConfiguration()
{
    SetLogListener(CollectLine);
    std::vector<std::string> problems;
    try {
        // Loaded again, now that the loaders' lines are collected.
        g_pGlobalConfig->load(CConfigPath::instance().getPath("GLOBAL_CONFIG_PATH"));
        std::string resources = CConfigPath::instance().getPath("STRRES_PATH");
        if (!CStringResource::instance().load(resources))
            problems.push_back("failed to load string resource: " + resources + " (" +
                               CStringResource::instance().failure() + ")");
        CDbInfo info(CConfigPath::instance().getPath("DBINFO_PATH"));
        if (!info.read())
            problems.push_back("read global config failed: " + CConfigPath::instance().getPath("DBINFO_PATH"));
        else if (info.dbCount() <= 0)
            problems.push_back("no database in " + CConfigPath::instance().getPath("DBINFO_PATH"));
        CConfigurator configurator(CConfigPath::instance().getPath("CONFIGURATE_PATH"));
        configurator.load();
        for (const std::string& problem : ComponentProblems(configurator))
            problems.push_back(problem);
        if (g_pGlobalConfig->systemStatus() == 0)
            problems.push_back("indexing is switched off (/config/index/system_status 0)");
    } catch (const std::exception& e) {
        problems.push_back(WithoutErrorSite(e.what()));
    }
    SetLogListener(nullptr);
    // The loaders' own lines first, then what the checks found; each once.
    std::vector<std::string> lines = g_logged;
    for (const std::string& problem : problems) {
        bool logged = false;
        for (const std::string& line : g_logged)
            logged = logged || line.find(problem) != std::string::npos;
        if (!logged)
            lines.push_back("error: " + problem);
    }
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
    if (lines.empty()) {
        std::printf("the configuration is sound\n");
        return 0;
    }
    SayFailure(Format("the configuration has %zu problem%s (listed on standard output)", lines.size(),
                      lines.size() == 1 ? "" : "s"));
    return 1;
}

} // namespace cs::driver
