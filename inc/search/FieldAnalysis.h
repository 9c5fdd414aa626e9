// Turns the value a query gives for a field into that field's terms, with the
// analyser the indexer used for it: the analyser the content mode names for
// the field, else the default one. The value arrives in UTF-8 and is analysed
// in GBK, the text of the index.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace cs::analyze {
class CAnalyzer;
struct CTermSpan;
}

namespace cs::content {
class CContentMode;
class CModeItem;
}

namespace cs::search {

class CFieldAnalysis {
public:
    // A value the field's analyser cannot take (a date that is none, a type
    // word not known, an address without '@').
    class CBadValue : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // `pMode` must outlive the object; `defaultAnalyzer` is the identifier of
    // the run's default analyser.
    CFieldAnalysis(const content::CContentMode* pMode, const std::string& defaultAnalyzer);
    ~CFieldAnalysis();
    CFieldAnalysis(const CFieldAnalysis&) = delete;
    CFieldAnalysis& operator=(const CFieldAnalysis&) = delete;

    // The item of a searchable field (indexed through an analyser); raises
    // CBadValue for another name.
    const content::CModeItem& searchable(const std::string& field) const;

    // The terms of `utf8Value` in text order, stop words left out (positions
    // count only the terms kept, as the indexer counts them). The e-mail
    // fields take "@domain" and "local@" for one side of an address.
    std::vector<int32_t> terms(const std::string& field, const std::string& utf8Value);

    // The terms of text already in GBK (a stored field), stop words included
    // as -1, with where each lies; false when the field's analyser cannot tell.
    bool termSpans(const std::string& field, const std::string& gbkText, std::vector<int32_t>& terms,
                   std::vector<analyze::CTermSpan>& spans);

    // The day number of a date, as the date analyser gives it.
    int32_t dayNumber(const std::string& field, const std::string& utf8Value);

private:
    analyze::CAnalyzer& analyzerOf(const content::CModeItem& item);
    // `shown` names the value in messages.
    std::vector<int32_t> analyze(const content::CModeItem& item, const std::string& gbkText,
                                 const std::string& shown);

    const content::CContentMode* m_pMode;
    std::string m_defaultId;
    std::map<std::string, std::unique_ptr<analyze::CAnalyzer>> m_analyzers;   // by identifier
};

} // namespace cs::search
