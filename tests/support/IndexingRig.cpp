#include "support/IndexingRig.h"

#include "analyze/AnalyzerRegistry.h"
#include "parse/ParserRegistry.h"
#include "support/AnalyzerTestData.h"

namespace cs::test {

namespace {

// An analyzer lent to a writer, which owns its analyzers.
class CLentAnalyzer : public analyze::CAnalyzer {
public:
    explicit CLentAnalyzer(analyze::CAnalyzer& analyzer) : m_analyzer(analyzer) {}

    int analyze(const char* text, size_t length, analyze::CTokenListBase* tokens) override
    {
        return m_analyzer.analyze(text, length, tokens);
    }
    bool analyzeSpans(const char* text, size_t length, analyze::CTokenListBase* tokens,
                      std::vector<analyze::CTermSpan>& spans) override
    {
        return m_analyzer.analyzeSpans(text, length, tokens, spans);
    }

private:
    analyze::CAnalyzer& m_analyzer;
};

} // namespace

CIndexingRig::CIndexingRig(const std::string& dir, int openMode, analyze::CAnalyzer* pAnalyzer)
    : m_configurator(dir + "/no-content-mode.xml"), m_pIndex(std::make_unique<index::CIndex>(openMode, dir)),
      m_pAnalyzer(pAnalyzer)
{
    InstallTestDictionary();
    m_configurator.load();
    m_pIndex->setContentMode(&m_configurator.getContentMode());
}

std::unique_ptr<index::CIndexWriter> CIndexingRig::newWriter(int threads)
{
    std::unique_ptr<analyze::CAnalyzer> pAnalyzer =
        m_pAnalyzer ? std::make_unique<CLentAnalyzer>(*m_pAnalyzer)
                    : analyze::CAnalyzerRegistry::instance().find("general.analyzer")->create();
    auto pWriter = std::make_unique<index::CIndexWriter>(
        m_pIndex.get(), parse::CParserRegistry::instance().find("txt.parser")->create(), std::move(pAnalyzer));
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
