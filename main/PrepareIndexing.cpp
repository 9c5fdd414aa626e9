#include "PrepareIndexing.h"

#include "SourceRefusal.h"

#include <exception>

#include "analyze/Analyzer.h"
#include "analyze/AnalyzerRegistry.h"
#include "collect/CollectionRegistry.h"
#include "config/Configurator.h"
#include "config/GlobalConfig.h"
#include "index/BarrelsInfo.h"
#include "index/commit/RebuildBeside.h"
#include "index/writer/IndexWriter.h"
#include "parse/Parser.h"
#include "parse/ParserRegistry.h"
#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::driver {

using utility::g_pGlobalConfig;

namespace {

const char* const kDirectoryCollection = "directory.collection";
const char* const kContentCollection = "content.collection";

std::unique_ptr<parse::CParser> CreateDefaultParser(const utility::CConfigurator& configurator)
{
    const std::vector<std::string>& identifiers = configurator.getParserIdentifiers();
    parse::CParser::CCreator* pCreator =
        identifiers.empty() ? nullptr : parse::CParserRegistry::instance().find(identifiers[0]);
    return pCreator ? pCreator->create() : nullptr;
}

std::unique_ptr<analyze::CAnalyzer> CreateDefaultAnalyzer(const utility::CConfigurator& configurator)
{
    analyze::CAnalyzer::CCreator* pCreator =
        analyze::CAnalyzerRegistry::instance().find(configurator.getAnalyzerArgument().identifier);
    return pCreator ? pCreator->create() : nullptr;
}

} // namespace

std::string IndexDirectoryOf(const utility::CConfigurator& configurator, const std::string& name)
{
    const std::string& identifier = configurator.getCollectionArgument().identifier;
    if (identifier == kDirectoryCollection)
        return g_pGlobalConfig->indexPath();
    if (identifier == kContentCollection)
        return g_pGlobalConfig->indexPath() + "/" + name;
    return std::string();
}

std::string SourceRefusalOf(const utility::CConfigurator& configurator, const std::string& name)
{
    if (configurator.getCollectionArgument().identifier != kDirectoryCollection)
        return std::string();
    return SourceRefusal(g_pGlobalConfig->sourceDir(), IndexDirectoryOf(configurator, name));
}

std::unique_ptr<collection::CCollection> RootStateKeeper(const utility::CConfigurator& configurator)
{
    if (configurator.getCollectionArgument().identifier != kDirectoryCollection)
        return nullptr;
    return collection::CCollectionRegistry::instance().find(kDirectoryCollection)->create(g_pGlobalConfig->sourceDir(), 0);
}

CPreparedRun PrepareIndexing(utility::CConfigurator* pConfigurator, const std::string& name, int recreate)
{
    CS_ASSERT(pConfigurator);
    const std::string& identifier = pConfigurator->getCollectionArgument().identifier;
    std::string indexDir = IndexDirectoryOf(*pConfigurator, name);
    std::string source;
    int collectionRecreate = recreate;
    if (identifier == kDirectoryCollection) {
        source = g_pGlobalConfig->sourceDir();
    } else if (identifier == kContentCollection) {
        source = name;
        // A database without a barrel list starts its collection state anew.
        if (!recreate && !platform::Env().pathAccessible(indexDir + "/" + index::CBarrelsInfo::STATUS_FILE))
            collectionRecreate = 1;
    } else {
        CS_THROW("collection name is error: %s", identifier.c_str());
    }

    CPreparedRun run;
    collection::CCollection::CCreator* pCreator = collection::CCollectionRegistry::instance().find(identifier);
    if (pCreator)
        run.pCollection = pCreator->create(source, collectionRecreate);
    if (!run.pCollection)
        CS_THROW("creating collection failed");

    std::unique_ptr<parse::CParser> pParser = CreateDefaultParser(*pConfigurator);
    if (!pParser)
        CS_THROW("creating default parser failed");
    std::unique_ptr<analyze::CAnalyzer> pAnalyzer = CreateDefaultAnalyzer(*pConfigurator);
    if (!pAnalyzer)
        CS_THROW("creating default analyzer failed");

    // The index's own failure (a damaged barrel list, another version) is
    // the reason the operator reads. A rebuild writes beside the index it
    // replaces (the run driver swaps the two when the run is done).
    try {
        run.pIndex = recreate ? std::make_unique<index::CIndex>(index::CIndex::ACCESS_CREATE,
                                                                index::CRebuildBeside::stagingDir(indexDir))
                              : std::make_unique<index::CIndex>(index::CIndex::ACCESS_APPEND, indexDir);
    } catch (const std::exception& e) {
        CS_THROW("creating indexer failed: %s", utility::WithoutErrorSite(e.what()).c_str());
    }
    if (pConfigurator->getContentMode().size() > 0)
        run.pIndex->setContentMode(&pConfigurator->getContentMode());

    std::unique_ptr<index::CIndexWriter> pWriter;
    try {
        pWriter = std::make_unique<index::CIndexWriter>(run.pIndex.get(), std::move(pParser), std::move(pAnalyzer));
    } catch (const std::exception& e) {
        CS_THROW("creating indexwriter failed: %s", utility::WithoutErrorSite(e.what()).c_str());
    }
    pWriter->setConfigurator(pConfigurator);
    pWriter->setThreads(g_pGlobalConfig->indexThreads());
    pWriter->setFlushListener(run.pCollection.get());
    run.pCollection->setIndexWriter(pWriter.release(), true);
    CS_LOG_INFO("finished index preparing work.created indexer, indexwriter, parser, analyzer");
    CS_LOG_INFO("documents are parsed and analysed %s",
                g_pGlobalConfig->indexThreads() == 2 ? "on a second thread" : "on the indexing thread");
    return run;
}

} // namespace cs::driver
