#include "search/IndexSearcher.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/IndexRefusal.h"
#include "index/IndexSnapshot.h"
#include "search/BarrelSearcher.h"
#include "search/DocumentReader.h"
#include "search/FieldAnalysis.h"
#include "search/QueryNode.h"
#include "search/Snippet.h"
#include "utility/Error.h"

namespace cs::search {

using content::CModeItem;
typedef std::vector<std::pair<int32_t, double>> ScoredDocs;   // ascending documents

struct CIndexSearcher::CPrepared {
    enum Kind { TERM, PHRASE, RANGE, AND, OR, NOT };
    explicit CPrepared(Kind kind) : kind(kind) {}

    Kind kind;
    int32_t fieldId = -1;
    std::vector<int32_t> terms;      // TERM: one, PHRASE: several
    int32_t from = 0;                // RANGE
    int32_t to = 0;
    double weight = 0.0;             // boost × idf
    double averageLength = 1.0;      // of the field
    std::vector<MatchList> matches;  // per barrel
    std::vector<std::unique_ptr<CPrepared>> children;
};

namespace {

bool Positional(const CModeItem& item)
{
    const std::string* pKind = item.getComponent("indexer");
    std::string kind = pKind ? *pKind : "text";
    return kind == "text" || (kind == "crc" && item.getIndexWay() == CModeItem::WAY_POSITIONS);
}

bool IsDateField(const CModeItem& item)
{
    const std::string* pKind = item.getComponent("indexer");
    return pKind && *pKind == "date";
}

ScoredDocs Intersect(const ScoredDocs& a, const ScoredDocs& b)
{
    ScoredDocs out;
    for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (a[i].first < b[j].first) {
            ++i;
        } else if (b[j].first < a[i].first) {
            ++j;
        } else {
            out.emplace_back(a[i].first, a[i].second + b[j].second);
            ++i;
            ++j;
        }
    }
    return out;
}

ScoredDocs Unite(const ScoredDocs& a, const ScoredDocs& b)
{
    ScoredDocs out;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].first < b[j].first)) {
            out.push_back(a[i++]);
        } else if (i == a.size() || b[j].first < a[i].first) {
            out.push_back(b[j++]);
        } else {
            out.emplace_back(a[i].first, a[i].second + b[j].second);
            ++i;
            ++j;
        }
    }
    return out;
}

ScoredDocs Subtract(const ScoredDocs& a, const ScoredDocs& b)
{
    ScoredDocs out;
    size_t j = 0;
    for (const auto& entry : a) {
        while (j < b.size() && b[j].first < entry.first)
            ++j;
        if (j == b.size() || b[j].first != entry.first)
            out.push_back(entry);
    }
    return out;
}

} // namespace

CIndexSearcher::CIndexSearcher(const std::string& indexDir, const std::string& defaultAnalyzer)
{
    m_pIndex = std::make_unique<index::CIndexSnapshot>(indexDir);
    std::string refusal =
        index::CIndexRefusal::listRefusal(indexDir, m_pIndex->damage(index::CIndexRefusal::Use::READ));
    if (!refusal.empty())
        CS_THROW("%s", refusal.c_str());
    const index::CBarrelsInfo& barrels = m_pIndex->barrels();
    if (!m_pIndex->hasList())
        CS_THROW("no index in %s: index_status.xml is missing", indexDir.c_str());
    if (barrels.getVersion() != index::CBarrelsInfo::VERSION)
        CS_THROW("the index in %s is of version %s, not %s", indexDir.c_str(), barrels.getVersion().c_str(),
                 index::CBarrelsInfo::VERSION);
    if (!barrels.getContentMode())
        CS_THROW("the barrel list of %s holds no content mode", indexDir.c_str());
    m_pAnalysis = std::make_unique<CFieldAnalysis>(barrels.getContentMode(), defaultAnalyzer);
    for (size_t i = 0; i < barrels.size(); ++i) {
        m_searchers.push_back(
            std::make_unique<CBarrelSearcher>(&m_pIndex->directory(), *barrels.getBarrel(i), contentMode()));
        m_liveDocs += m_searchers.back()->liveCount();
    }
}

CIndexSearcher::~CIndexSearcher() = default;

const content::CContentMode& CIndexSearcher::contentMode() const { return *m_pIndex->barrels().getContentMode(); }

std::vector<std::string> CIndexSearcher::fieldNames() const
{
    std::vector<std::string> names;
    for (size_t i = 0; i < contentMode().size(); ++i)
        names.push_back(contentMode().item(i).getName());
    return names;
}

std::unique_ptr<CIndexSearcher::CPrepared> CIndexSearcher::prepare(const CQueryNode& node)
{
    switch (node.kind) {
    case CQueryNode::TERM: {
        const CModeItem& item = m_pAnalysis->searchable(node.field);
        std::vector<int32_t> terms = m_pAnalysis->terms(node.field, node.text);
        if (terms.empty())
            return nullptr;   // nothing but stop words
        auto single = [&](int32_t term) {
            auto pTerm = std::make_unique<CPrepared>(CPrepared::TERM);
            pTerm->fieldId = item.getFieldID();
            pTerm->terms = {term};
            return pTerm;
        };
        if (terms.size() == 1)
            return single(terms[0]);
        if (Positional(item)) {
            auto pPhrase = std::make_unique<CPrepared>(CPrepared::PHRASE);
            pPhrase->fieldId = item.getFieldID();
            pPhrase->terms = terms;
            return pPhrase;
        }
        auto pAll = std::make_unique<CPrepared>(CPrepared::AND);
        for (int32_t term : terms)
            pAll->children.push_back(single(term));
        return pAll;
    }
    case CQueryNode::RANGE: {
        const CModeItem& item = m_pAnalysis->searchable(node.field);
        if (!IsDateField(item))
            throw CFieldAnalysis::CBadValue("field " + node.field + " holds no dates: ranges are for date fields");
        auto pRange = std::make_unique<CPrepared>(CPrepared::RANGE);
        pRange->fieldId = item.getFieldID();
        pRange->from = node.from.empty() ? std::numeric_limits<int32_t>::min()
                                         : m_pAnalysis->dayNumber(node.field, node.from);
        pRange->to = node.to.empty() ? std::numeric_limits<int32_t>::max()
                                     : m_pAnalysis->dayNumber(node.field, node.to);
        if (pRange->from > pRange->to)
            throw CFieldAnalysis::CBadValue("the date range " + node.from + ".." + node.to + " is empty");
        return pRange;
    }
    default: {
        auto pNode = std::make_unique<CPrepared>(node.kind == CQueryNode::AND  ? CPrepared::AND
                                                 : node.kind == CQueryNode::OR ? CPrepared::OR
                                                                               : CPrepared::NOT);
        for (const auto& pChild : node.children) {
            if (std::unique_ptr<CPrepared> pPrepared = prepare(*pChild))
                pNode->children.push_back(std::move(pPrepared));
        }
        if (pNode->children.empty())
            return nullptr;
        if (pNode->kind != CPrepared::NOT && pNode->children.size() == 1)
            return std::move(pNode->children[0]);
        return pNode;
    }
    }
}

void CIndexSearcher::collect(CPrepared& node)
{
    for (auto& pChild : node.children)
        collect(*pChild);
    if (node.kind != CPrepared::TERM && node.kind != CPrepared::PHRASE && node.kind != CPrepared::RANGE)
        return;
    size_t documents = 0;
    int64_t terms = 0, docCount = 0;
    for (auto& pSearcher : m_searchers) {
        if (node.kind == CPrepared::TERM)
            node.matches.push_back(pSearcher->termDocs(node.fieldId, node.terms[0]));
        else if (node.kind == CPrepared::PHRASE)
            node.matches.push_back(pSearcher->phraseDocs(node.fieldId, node.terms));
        else
            node.matches.push_back(pSearcher->rangeDocs(node.fieldId, node.from, node.to));
        documents += node.matches.back().size();
        terms += pSearcher->totalTerms(node.fieldId);
        docCount += pSearcher->docCount();
    }
    const CModeItem& item = contentMode().item(static_cast<size_t>(node.fieldId));
    double df = static_cast<double>(documents);
    double idf = std::log(1.0 + (static_cast<double>(m_liveDocs) - df + 0.5) / (df + 0.5));
    node.weight = item.getBoost() * idf;
    node.averageLength = docCount > 0 && terms > 0 ? static_cast<double>(terms) / static_cast<double>(docCount) : 1.0;
}

ScoredDocs CIndexSearcher::evaluate(const CPrepared& node, size_t barrel)
{
    ScoredDocs out;
    switch (node.kind) {
    case CPrepared::TERM:
    case CPrepared::PHRASE: {
        // Without a known length a document counts as of the average one.
        const std::vector<int32_t>* pLengths = m_searchers[barrel]->lengths(node.fieldId);
        for (const CMatch& match : node.matches[barrel]) {
            int32_t length = pLengths ? (*pLengths)[static_cast<size_t>(match.doc)] : -1;
            double dl = length > 0 ? static_cast<double>(length) : node.averageLength;
            double tf = match.tf;
            double norm = tf + K1 * (1.0 - B + B * dl / node.averageLength);
            out.emplace_back(match.doc, node.weight * tf * (K1 + 1.0) / norm);
        }
        return out;
    }
    case CPrepared::RANGE:
        for (const CMatch& match : node.matches[barrel])
            out.emplace_back(match.doc, 0.0);
        return out;
    case CPrepared::NOT: {
        for (int32_t doc : m_searchers[barrel]->liveDocs())
            out.emplace_back(doc, 0.0);
        return Subtract(out, evaluate(*node.children[0], barrel));
    }
    case CPrepared::AND: {
        // Negated operands take their documents away instead of being
        // complemented first.
        bool first = true;
        std::vector<const CPrepared*> negated;
        for (const auto& pChild : node.children) {
            if (pChild->kind == CPrepared::NOT) {
                negated.push_back(pChild->children[0].get());
                continue;
            }
            ScoredDocs docs = evaluate(*pChild, barrel);
            out = first ? std::move(docs) : Intersect(out, docs);
            first = false;
        }
        if (first) {
            for (int32_t doc : m_searchers[barrel]->liveDocs())
                out.emplace_back(doc, 0.0);
        }
        for (const CPrepared* pNegated : negated)
            out = Subtract(out, evaluate(*pNegated, barrel));
        return out;
    }
    case CPrepared::OR:
        for (const auto& pChild : node.children)
            out = Unite(out, evaluate(*pChild, barrel));
        return out;
    }
    return out;
}

void CIndexSearcher::collectWanted(const CPrepared& node, int32_t fieldId)
{
    if (node.kind == CPrepared::NOT)
        return;
    if ((node.kind == CPrepared::TERM || node.kind == CPrepared::PHRASE) && node.fieldId == fieldId)
        m_wanted.insert(node.terms.begin(), node.terms.end());
    for (const auto& pChild : node.children)
        collectWanted(*pChild, fieldId);
}

std::vector<CSearchHit> CIndexSearcher::search(const CQueryNode& query, size_t limit, size_t& total, size_t offset)
{
    std::unique_ptr<CPrepared> pRoot = prepare(query);
    if (!pRoot)
        throw CFieldAnalysis::CBadValue("the query holds nothing but stop words");
    collect(*pRoot);
    m_wanted.clear();
    if (const CModeItem* pText = textField())
        collectWanted(*pRoot, pText->getFieldID());
    std::vector<CSearchHit> hits;
    for (size_t barrel = 0; barrel < m_searchers.size(); ++barrel) {
        for (const auto& entry : evaluate(*pRoot, barrel)) {
            CSearchHit hit;
            hit.doc = static_cast<int64_t>(m_searchers[barrel]->docStart()) + entry.first;
            hit.score = entry.second;
            hits.push_back(hit);
        }
    }
    total = hits.size();
    auto better = [](const CSearchHit& a, const CSearchHit& b) {
        return a.score != b.score ? a.score > b.score : a.doc < b.doc;
    };
    size_t first = std::min(offset, hits.size());
    size_t end = limit == 0 ? hits.size() : std::min(first + limit, hits.size());
    std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(end), hits.end(), better);
    hits.resize(end);
    hits.erase(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(first));
    for (CSearchHit& hit : hits) {
        fillStored(hit);
        makeSnippet(hit);
    }
    return hits;
}

const CModeItem* CIndexSearcher::textField() const
{
    // The parsers give "abstract" the text they give "text".
    const CModeItem* pText = contentMode().find("text");
    return pText && pText->getIndexKind() == CModeItem::INDEX_ANALYZE ? pText : nullptr;
}

bool CIndexSearcher::snippetOf(std::string text, CSearchHit& hit)
{
    // Text files keep their terminating zero byte.
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    const CModeItem* pText = textField();
    std::vector<int32_t> terms;
    std::vector<analyze::CTermSpan> spans;
    if (!m_wanted.empty() && pText && m_pAnalysis->termSpans(pText->getName(), text, terms, spans) &&
        MakeSnippet(text, terms, spans, m_wanted, hit))
        return true;
    if (hit.snippet.empty())
        LeadingSnippet(text, hit);
    return false;
}

void CIndexSearcher::makeSnippet(CSearchHit& hit)
{
    // The file is read again when it may hold a match, or there is nothing else to show.
    if (snippetOf(hit.abstract, hit) || hit.path.empty() || (m_wanted.empty() && !hit.abstract.empty()))
        return;
    if (!m_pReader)
        m_pReader = std::make_unique<CDocumentReader>(contentMode());
    const CModeItem* pText = textField();
    std::string text = m_pReader->text(hit.path, pText ? pText->getFieldID() : -1);
    if (!text.empty())
        snippetOf(text, hit);
}

void CIndexSearcher::fillStored(CSearchHit& hit)
{
    const CModeItem* pPath = contentMode().find("path");
    const CModeItem* pDate = contentMode().find("date");
    const CModeItem* pAbstract = contentMode().find("abstract");
    for (auto& pSearcher : m_searchers) {
        int64_t local = hit.doc - pSearcher->docStart();
        if (local < 0 || local >= pSearcher->docCount())
            continue;
        std::vector<index::CStoreFieldsReader::CStoredField> fields;
        if (!pSearcher->storedFields(static_cast<int32_t>(local), fields))
            return;
        for (const auto& field : fields) {
            if (pPath && field.fieldId == pPath->getFieldID())
                hit.path = field.text;
            else if (pDate && field.fieldId == pDate->getFieldID())
                hit.date = field.text;
            else if (pAbstract && field.fieldId == pAbstract->getFieldID())
                hit.abstract = field.text;
        }
        return;
    }
}

} // namespace cs::search
