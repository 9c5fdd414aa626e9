// Runs queries over every barrel of an index directory and ranks what they
// find by BM25: for each positive term, idf = ln(1 + (N - df + 0.5) / (df +
// 0.5)) over the live documents of the whole index, times tf (k1 + 1) / (tf +
// k1 (1 - b + b dl / avgdl)), times the boost of the term's field. dl is the
// document's length in the field as the barrel's B.len keeps it; avgdl the
// field's total terms over its documents. A barrel without lengths (written
// before they were kept) takes every document to be of the average length.
// A phrase scores as one term, with its occurrences as tf; a date range
// filters without scoring.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "search/SearchHit.h"

namespace cs::content {
class CContentMode;
class CModeItem;
}

namespace cs::index {
class CIndexSnapshot;
}

namespace cs::search {

struct CQueryNode;
class CBarrelSearcher;
class CDocumentReader;
class CFieldAnalysis;

class CIndexSearcher {
public:
    static constexpr double K1 = 1.2;
    static constexpr double B = 0.75;

    // Opens the index of `indexDir` without changing anything in it, all of
    // one moment while csindexer may change it (CIndexSnapshot); raises when
    // there is no index, its version is not this program's, or it changed
    // on every attempt to read it.
    // `defaultAnalyzer` is the identifier of the indexer's default analyser.
    CIndexSearcher(const std::string& indexDir, const std::string& defaultAnalyzer);
    ~CIndexSearcher();
    CIndexSearcher(const CIndexSearcher&) = delete;
    CIndexSearcher& operator=(const CIndexSearcher&) = delete;

    const content::CContentMode& contentMode() const;
    // Field names of the mode, for the query parser.
    std::vector<std::string> fieldNames() const;

    // The best `limit` hits (0: all) after the best `offset`, best first,
    // equal scores in document order, with their stored fields and snippets;
    // `total` receives the number of documents that matched. A value a field
    // cannot take raises CFieldAnalysis::CBadValue.
    std::vector<CSearchHit> search(const CQueryNode& query, size_t limit, size_t& total, size_t offset = 0);

private:
    struct CPrepared;

    std::unique_ptr<CPrepared> prepare(const CQueryNode& node);
    void collect(CPrepared& node);
    std::vector<std::pair<int32_t, double>> evaluate(const CPrepared& node, size_t barrel);
    void fillStored(CSearchHit& hit);
    // The terms of the text field that positive parts of the query name.
    void collectWanted(const CPrepared& node, int32_t fieldId);
    // The analysed text field, which the abstract mirrors; null without one.
    const content::CModeItem* textField() const;
    // A snippet of `text` around the wanted terms: true when it holds one;
    // else the text's start, unless the hit has a snippet already.
    bool snippetOf(std::string text, CSearchHit& hit);
    // From the abstract, else from the document read again.
    void makeSnippet(CSearchHit& hit);

    std::unique_ptr<index::CIndexSnapshot> m_pIndex;   // every file the search reads
    std::unique_ptr<CFieldAnalysis> m_pAnalysis;
    std::vector<std::unique_ptr<CBarrelSearcher>> m_searchers;
    int64_t m_liveDocs = 0;
    std::set<int32_t> m_wanted;   // of the current query
    std::unique_ptr<CDocumentReader> m_pReader;
};

} // namespace cs::search
