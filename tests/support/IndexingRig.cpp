#include "support/IndexingRig.h"

#include "analyze/AnalyzerRegistry.h"
#include "parse/ParserRegistry.h"
#include "support/AnalyzerTestData.h"

namespace cs::test {

CIndexingRig::CIndexingRig(const std::string& dir, int openMode)
    : m_configurator(dir + "/no-content-mode.xml"), m_pIndex(std::make_unique<index::CIndex>(openMode, dir))
{
    InstallTestDictionary();
    m_configurator.load();
    m_pIndex->setContentMode(&m_configurator.getContentMode());
}

std::unique_ptr<index::CIndexWriter> CIndexingRig::newWriter(int threads)
{
    auto pWriter = std::make_unique<index::CIndexWriter>(
        m_pIndex.get(), parse::CParserRegistry::instance().find("txt.parser")->create(),
        analyze::CAnalyzerRegistry::instance().find("general.analyzer")->create());
    pWriter->setConfigurator(&m_configurator);
    pWriter->setThreads(threads);
    return pWriter;
}

void CIndexingRig::run(collection::CCollection& collection, int threads)
{
    std::unique_ptr<index::CIndexWriter> pWriter = newWriter(threads);
    pWriter->setFlushListener(&collection);
    collection.setIndexWriter(pWriter.release(), true);
    collection.run();
}

} // namespace cs::test
