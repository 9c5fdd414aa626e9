#include "collect/FieldValueCheck.h"

#include <stdexcept>

#include "analyze/AnalyzerRegistry.h"
#include "collect/LogText.h"
#include "collect/RecordDocument.h"
#include "content/ContentMode.h"

namespace cs::collection {

void CFieldValueCheck::setContentMode(const content::CContentMode& mode)
{
    m_analyzers.clear();
    for (const char* name : {"date", "type"}) {
        const content::CModeItem* pItem = mode.find(name);
        if (!pItem || pItem->getIndexKind() != content::CModeItem::INDEX_ANALYZE)
            continue;
        const std::string* pAnalyzer = pItem->getComponent("analyzer");
        // The dictionary analyzer takes any text.
        if (!pAnalyzer || *pAnalyzer == "general.analyzer")
            continue;
        analyze::CAnalyzer::CCreator* pCreator = analyze::CAnalyzerRegistry::instance().find(*pAnalyzer);
        if (pCreator) {
            if (std::unique_ptr<analyze::CAnalyzer> pAnalyzerObject = pCreator->create())
                m_analyzers[name] = std::move(pAnalyzerObject);
        }
    }
}

void CFieldValueCheck::check(const std::string& field, const std::string& value)
{
    auto it = m_analyzers.find(field);
    // The analysis pass leaves empty texts alone.
    if (it == m_analyzers.end() || value.empty())
        return;
    m_tokens.clear();
    try {
        it->second->analyze(value.data(), value.size(), &m_tokens);
    } catch (const std::logic_error& e) {
        throw CBadRecord("field " + field + " cannot take \"" + LogText(value) + "\": " + LogText(e.what()));
    }
}

} // namespace cs::collection
