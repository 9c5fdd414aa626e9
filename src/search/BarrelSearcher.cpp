#include "search/BarrelSearcher.h"

#include <algorithm>

#include "content/ContentMode.h"
#include "index/BarrelInfo.h"
#include "index/fields/FieldFactory.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/format/BarrelFiles.h"
#include "index/postings/DocPosPosting.h"
#include "index/postings/DocPosting.h"
#include "index/terms/DateIndexTermReader.h"
#include "index/terms/IndexTermIterator.h"
#include "index/terms/IndexTermReader.h"
#include "store/Directory.h"
#include "store/IndexInput.h"
#include "utility/Term.h"

namespace cs::search {

using index::CDocPosPosting;
using index::CDocPosting;

CBarrelSearcher::CBarrelSearcher(store::CDirectory* pDir, const index::CBarrelInfo& barrel,
                                 const content::CContentMode& mode)
    : m_pDir(pDir), m_name(barrel.getName()), m_docStart(barrel.getDocStart()), m_docCount(barrel.getDocCount()),
      m_mode(mode)
{
    std::unique_ptr<store::CIndexInput> pInput(pDir->openInput(m_name + index::format::FDI));
    m_fields.read(*pInput);
    std::string deleted = m_name + index::format::DEL;
    if (pDir->fileExists(deleted))
        m_deleted.decode(pDir->readFile(deleted), pDir->getFullPath(deleted));
}

CBarrelSearcher::~CBarrelSearcher() = default;

int32_t CBarrelSearcher::liveCount() const
{
    return m_docCount - static_cast<int32_t>(std::min<uint32_t>(m_deleted.docDelNum(), m_docCount));
}

std::vector<int32_t> CBarrelSearcher::liveDocs() const
{
    std::vector<int32_t> docs;
    docs.reserve(static_cast<size_t>(liveCount()));
    for (int32_t doc = 0; doc < m_docCount; ++doc) {
        if (!m_deleted.isDeleted(doc))
            docs.push_back(doc);
    }
    return docs;
}

const index::CFieldInfo* CBarrelSearcher::fieldInfo(int32_t fieldId) const
{
    // Field ids follow the content mode; the name makes sure of it.
    if (fieldId < 0 || static_cast<size_t>(fieldId) >= m_mode.size())
        return nullptr;
    return m_fields.find(m_mode.item(static_cast<size_t>(fieldId)).getName());
}

int64_t CBarrelSearcher::totalTerms(int32_t fieldId) const
{
    const index::CFieldInfo* pInfo = fieldInfo(fieldId);
    return pInfo ? pInfo->getTotalTerms() : 0;
}

index::CIndexTermReader* CBarrelSearcher::reader(int32_t fieldId)
{
    auto found = m_readers.find(fieldId);
    if (found != m_readers.end())
        return found->second.get();
    std::unique_ptr<index::CIndexTermReader>& pReader = m_readers[fieldId];
    const index::CFieldInfo* pInfo = fieldInfo(fieldId);
    if (!pInfo || !pInfo->isIndexed() || pInfo->getTermDictTrailer() < 0)
        return nullptr;
    const std::string* pKind = m_mode.item(static_cast<size_t>(fieldId)).getComponent("indexer");
    index::CFieldFactory* pFactory = index::CFieldFactoryRegistry::instance().find(pKind ? *pKind : "text");
    if (!pFactory)
        return nullptr;
    pReader.reset(pFactory->createTermReader());
    pReader->open(m_pDir, m_name.c_str(), pInfo, m_deleted.empty() ? nullptr : &m_deleted);
    return pReader.get();
}

MatchList CBarrelSearcher::termDocs(int32_t fieldId, int32_t term)
{
    MatchList matches;
    index::CIndexTermReader* pReader = reader(fieldId);
    utility::CTermT<int32_t> key(fieldInfo(fieldId) ? fieldInfo(fieldId)->getName() : std::string(), term);
    if (!pReader || !pReader->seek(&key))
        return matches;
    std::unique_ptr<CDocPosting> pDocs(pReader->termDocs());
    while (pDocs->next())
        matches.push_back({pDocs->doc(), pDocs->freq()});
    return matches;
}

MatchList CBarrelSearcher::phraseDocs(int32_t fieldId, const std::vector<int32_t>& terms)
{
    MatchList matches;
    index::CIndexTermReader* pReader = reader(fieldId);
    if (!pReader)
        return matches;
    std::vector<std::unique_ptr<CDocPosPosting>> cursors;
    for (int32_t term : terms) {
        utility::CTermT<int32_t> key(fieldInfo(fieldId)->getName(), term);
        if (!pReader->seek(&key))
            return matches;
        cursors.emplace_back(pReader->termPositions());
        if (!cursors.back() || !cursors.back()->next())
            return matches;
    }
    std::vector<std::vector<int32_t>> positions(cursors.size());
    for (;;) {
        // Bring every cursor to the largest current document.
        int32_t target = 0;
        for (const auto& pCursor : cursors)
            target = std::max(target, pCursor->doc());
        bool aligned = true;
        for (auto& pCursor : cursors) {
            if (pCursor->doc() < target) {
                int32_t nearby = -1;
                if (!pCursor->skipTo(target, &nearby))
                    return matches;
                aligned = aligned && nearby == target;
            }
        }
        if (!aligned)
            continue;
        for (size_t i = 0; i < cursors.size(); ++i) {
            positions[i].resize(static_cast<size_t>(cursors[i]->freq()));
            cursors[i]->positions(positions[i].data());
        }
        // An occurrence starts at p when term i stands at p + i for every i.
        int32_t occurrences = 0;
        for (int32_t start : positions[0]) {
            bool all = true;
            for (size_t i = 1; i < cursors.size() && all; ++i)
                all = std::binary_search(positions[i].begin(), positions[i].end(), start + static_cast<int32_t>(i));
            occurrences += all ? 1 : 0;
        }
        if (occurrences > 0)
            matches.push_back({target, occurrences});
        if (!cursors[0]->next())
            return matches;
    }
}

MatchList CBarrelSearcher::rangeDocs(int32_t fieldId, int32_t from, int32_t to)
{
    MatchList matches;
    auto* pReader = dynamic_cast<index::CDateIndexTermReader*>(reader(fieldId));
    if (!pReader)
        return matches;
    const std::string& name = fieldInfo(fieldId)->getName();
    utility::CTermT<int32_t> lower(name, from), upper(name, to);
    std::unique_ptr<index::CIndexTermIterator> pTerms(pReader->rangeQuery(&lower, &upper));
    const int32_t batch = 256;
    int32_t buffer[2 * batch];
    while (pTerms->next()) {
        index::CDiskPosting* pPosting = pTerms->posting();
        for (int32_t count; (count = pPosting->nextDocs(buffer, 2 * batch)) > 0;) {
            for (int32_t i = 0; i < count; ++i)
                matches.push_back({buffer[i], 1});
        }
    }
    // A document of several dates in the range counts once.
    std::sort(matches.begin(), matches.end(), [](const CMatch& a, const CMatch& b) { return a.doc < b.doc; });
    matches.erase(std::unique(matches.begin(), matches.end(),
                              [](const CMatch& a, const CMatch& b) { return a.doc == b.doc; }),
                  matches.end());
    return matches;
}

const std::vector<int32_t>* CBarrelSearcher::lengths(int32_t fieldId)
{
    if (!m_pLengths) {
        m_pLengths = std::make_unique<index::format::CDocLengths>();
        std::string name = m_name + index::format::LEN;
        if (m_pDir->fileExists(name)) {
            std::unique_ptr<store::CIndexInput> pInput(m_pDir->openInput(name));
            m_pLengths->read(*pInput, m_pDir->getFullPath(name));
        }
    }
    const std::vector<int32_t>* pColumn = m_pLengths->field(fieldId);
    return pColumn && pColumn->size() == static_cast<size_t>(m_docCount) ? pColumn : nullptr;
}

bool CBarrelSearcher::storedFields(int32_t doc, std::vector<index::CStoreFieldsReader::CStoredField>& fields)
{
    if (!m_pStored)
        m_pStored = std::make_unique<index::CStoreFieldsReader>(m_pDir, m_name, &m_fields);
    if (doc >= m_pStored->documentCount())
        return false;
    return m_pStored->document(doc, fields);
}

} // namespace cs::search
