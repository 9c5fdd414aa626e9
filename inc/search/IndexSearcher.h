// Runs queries over every barrel of an index directory and ranks what they
// find by BM25: for each positive term, idf = ln(1 + (N - df + 0.5) / (df +
// 0.5)) over the live documents of the whole index, times tf (k1 + 1) / (tf +
// k1 (1 - b + b dl / avgdl)), times the boost of the term's field. The index
// keeps no length per document: dl is the term count of the field's stored
// text when the field is stored, and the field's average (its total terms
// over its documents) otherwise. A phrase scores as one term, with its
// occurrences as tf; a date range filters without scoring.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "search/SearchHit.h"

namespace cs::content {
class CContentMode;
}

namespace cs::index {
class CBarrelsInfo;
}

namespace cs::store {
class CContentDirectory;
}

namespace cs::search {

struct CQueryNode;
class CBarrelSearcher;
class CFieldAnalysis;

class CIndexSearcher {
public:
    static constexpr double K1 = 1.2;
    static constexpr double B = 0.75;

    // Opens the index of `indexDir` without changing anything in it; raises
    // when there is no index or its version is not this program's.
    // `defaultAnalyzer` is the identifier of the indexer's default analyser.
    CIndexSearcher(const std::string& indexDir, const std::string& defaultAnalyzer);
    ~CIndexSearcher();
    CIndexSearcher(const CIndexSearcher&) = delete;
    CIndexSearcher& operator=(const CIndexSearcher&) = delete;

    const content::CContentMode& contentMode() const;
    // Field names of the mode, for the query parser.
    std::vector<std::string> fieldNames() const;

    // The best `limit` hits (0: all), best first, equal scores in document
    // order; `total` receives the number of documents that matched. A value
    // a field cannot take raises CFieldAnalysis::CBadValue.
    std::vector<CSearchHit> search(const CQueryNode& query, size_t limit, size_t& total);

private:
    struct CPrepared;

    std::unique_ptr<CPrepared> prepare(const CQueryNode& node);
    void collect(CPrepared& node);
    std::vector<std::pair<int32_t, double>> evaluate(const CPrepared& node, size_t barrel);
    double documentLength(size_t barrel, int32_t fieldId, int32_t doc);
    void fillStored(CSearchHit& hit);

    std::unique_ptr<store::CContentDirectory> m_pDirectory;
    std::unique_ptr<index::CBarrelsInfo> m_pBarrels;
    std::unique_ptr<CFieldAnalysis> m_pAnalysis;
    std::vector<std::unique_ptr<CBarrelSearcher>> m_searchers;
    int64_t m_liveDocs = 0;
};

} // namespace cs::search
