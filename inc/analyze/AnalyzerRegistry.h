// The process-wide table of analyzer creators by identifier. It is filled with
// the built-in creators on first use, so no start-up order matters.
#pragma once

#include <string>

#include "analyze/Analyzer.h"
#include "utility/NameTable.h"

namespace cs::analyze {

class CAnalyzerRegistry {
public:
    static CAnalyzerRegistry& instance();

    // A later creator of the same identifier replaces the earlier one. The
    // creator must outlive the registry.
    void registerCreator(CAnalyzer::CCreator* pCreator);

    // The creator of that identifier, or null.
    CAnalyzer::CCreator* find(const std::string& identifier) const;

    CAnalyzerRegistry(const CAnalyzerRegistry&) = delete;
    CAnalyzerRegistry& operator=(const CAnalyzerRegistry&) = delete;

private:
    CAnalyzerRegistry();

    utility::CNameTable<CAnalyzer::CCreator> m_creators;
};

} // namespace cs::analyze
