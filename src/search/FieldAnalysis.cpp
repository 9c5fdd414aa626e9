#include "search/FieldAnalysis.h"

#include <stdexcept>

#include "analyze/Analyzer.h"
#include "analyze/AnalyzerRegistry.h"
#include "analyze/TokenList.h"
#include "content/ContentMode.h"
#include "utility/StringConvertor.h"

namespace cs::search {

using content::CModeItem;

namespace {
const char* const kEmailAnalyzer = "email.analyzer";
} // namespace

CFieldAnalysis::CFieldAnalysis(const content::CContentMode* pMode, const std::string& defaultAnalyzer)
    : m_pMode(pMode), m_defaultId(defaultAnalyzer)
{
}

CFieldAnalysis::~CFieldAnalysis() = default;

const CModeItem& CFieldAnalysis::searchable(const std::string& field) const
{
    const CModeItem* pItem = m_pMode->find(field);
    if (!pItem)
        throw CBadValue("the index has no field " + field);
    if (pItem->getIndexKind() != CModeItem::INDEX_ANALYZE)
        throw CBadValue("field " + field + " is not indexed through an analyser and cannot be searched");
    return *pItem;
}

analyze::CAnalyzer& CFieldAnalysis::analyzerOf(const CModeItem& item)
{
    // The indexer's rule: the field's own analyser when one of that name can
    // be made, else the default one.
    const std::string* pName = item.getComponent("analyzer");
    std::string id = pName && !pName->empty() ? *pName : m_defaultId;
    if (!analyze::CAnalyzerRegistry::instance().find(id))
        id = m_defaultId;
    std::unique_ptr<analyze::CAnalyzer>& pAnalyzer = m_analyzers[id];
    if (!pAnalyzer) {
        analyze::CAnalyzer::CCreator* pCreator = analyze::CAnalyzerRegistry::instance().find(id);
        if (pCreator)
            pAnalyzer = pCreator->create();
        if (!pAnalyzer)
            throw std::runtime_error("cannot create the analyser " + id + " (see the log)");
    }
    return *pAnalyzer;
}

std::vector<int32_t> CFieldAnalysis::analyze(const CModeItem& item, const std::string& gbkText,
                                             const std::string& shown)
{
    analyze::CTokenList<analyze::wid_t> tokens;
    try {
        analyzerOf(item).analyze(gbkText.data(), gbkText.size(), &tokens);
    } catch (const std::logic_error&) {
        // The value analysers refuse what they cannot read through assertions.
        throw CBadValue("'" + shown + "' is no value of field " + item.getName());
    }
    return std::vector<int32_t>(tokens.begin(), tokens.end());
}

std::vector<int32_t> CFieldAnalysis::terms(const std::string& field, const std::string& utf8Value)
{
    const CModeItem& item = searchable(field);
    std::string value = utility::utf8ToGbk(utf8Value);
    // The activity collection stores user names with lower-case ASCII letters
    // (and GBK characters as they are).
    if (field == "user")
        value = utility::LowerAsciiLetters(value);
    const std::string* pName = item.getComponent("analyzer");
    bool email = pName && *pName == kEmailAnalyzer;
    // The analyser passes over words without '@' in silence.
    if (email && value.find('@') == std::string::npos)
        throw CBadValue("'" + utf8Value + "' is no e-mail address: give local@domain, @domain or local@");
    std::vector<int32_t> all = analyze(item, value, utf8Value);
    if (email && all.size() == 2 && value.find(' ') == std::string::npos) {
        // One side of an address: "@domain" or "local@".
        size_t at = value.find('@');
        if (at == 0)
            return {all[1]};
        if (at + 1 == value.size())
            return {all[0]};
    }
    std::vector<int32_t> kept;
    for (int32_t term : all) {
        if (term != -1)
            kept.push_back(term);
    }
    return kept;
}

bool CFieldAnalysis::termSpans(const std::string& field, const std::string& gbkText, std::vector<int32_t>& terms,
                               std::vector<analyze::CTermSpan>& spans)
{
    analyze::CTokenList<analyze::wid_t> tokens;
    spans.clear();
    if (!analyzerOf(searchable(field)).analyzeSpans(gbkText.data(), gbkText.size(), &tokens, spans))
        return false;
    terms.assign(tokens.begin(), tokens.end());
    return true;
}

int32_t CFieldAnalysis::dayNumber(const std::string& field, const std::string& utf8Value)
{
    std::vector<int32_t> days = analyze(searchable(field), utility::utf8ToGbk(utf8Value), utf8Value);
    if (days.size() != 1)
        throw CBadValue("'" + utf8Value + "' is no date");
    return days[0];
}

} // namespace cs::search
