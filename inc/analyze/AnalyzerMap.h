// Which analyzer serves each analysed field, by field id. The index writer
// owns the analyzers; documents only borrow them for the analysis pass.
#pragma once

#include <map>

namespace cs::analyze {

class CAnalyzer;

typedef std::map<int, CAnalyzer*> AnalyzerMap;

} // namespace cs::analyze
