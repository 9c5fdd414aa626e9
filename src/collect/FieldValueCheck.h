// Checks the values the collection puts into exact-value fields (the date and
// the record type) with the analyzer the content mode gives the field, before
// the document reaches the index writer: a value the analyzer rejects there
// would end the whole run.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "analyze/Analyzer.h"
#include "analyze/TokenList.h"

namespace cs::content {
class CContentMode;
}

namespace cs::collection {

class CFieldValueCheck {
public:
    // Takes the analyzers of the analysed fields among "date" and "type".
    void setContentMode(const content::CContentMode& mode);

    // Raises CBadRecord, naming the field and the value, when the field's
    // analyzer rejects the value.
    void check(const std::string& field, const std::string& value);

private:
    std::map<std::string, std::unique_ptr<analyze::CAnalyzer>> m_analyzers;
    analyze::CTokenList<analyze::wid_t> m_tokens;
};

} // namespace cs::collection
