#include "analyze/AnalyzerRegistry.h"

#include "analyze/CrcAnalyzer.h"
#include "analyze/DatetimeAnalyzer.h"
#include "analyze/EmailaddrAnalyzer.h"
#include "analyze/GeneralAnalyzer.h"
#include "analyze/TypeAnalyzer.h"
#include "utility/Error.h"

namespace cs::analyze {

CAnalyzerRegistry& CAnalyzerRegistry::instance()
{
    static CAnalyzerRegistry registry;
    return registry;
}

CAnalyzerRegistry::CAnalyzerRegistry()
{
    static CAnalyzerCreator<CGeneralAnalyzer> general("general");
    static CAnalyzerCreator<CCrcAnalyzer> crc("crc");
    static CAnalyzerCreator<CDatetimeAnalyzer> datetime("datetime");
    static CAnalyzerCreator<CEmailaddrAnalyzer> email("email");
    static CAnalyzerCreator<CTypeAnalyzer> type("type");
    registerCreator(&general);
    registerCreator(&crc);
    registerCreator(&datetime);
    registerCreator(&email);
    registerCreator(&type);
}

void CAnalyzerRegistry::registerCreator(CAnalyzer::CCreator* pCreator)
{
    CS_ASSERT_ARG(pCreator);
    m_creators.put(pCreator->identifier(), pCreator);
}

CAnalyzer::CCreator* CAnalyzerRegistry::find(const std::string& identifier) const
{
    return m_creators.find(identifier);
}

} // namespace cs::analyze
