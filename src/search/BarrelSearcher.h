// One barrel as a query sees it: the documents of a term, of a phrase or of a
// range of dates, read through the term readers of the barrel's fields, with
// documents marked deleted passed over; and the stored fields of a document.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "index/fields/FieldInfoList.h"
#include "index/format/DocLengths.h"
#include "index/stored/StoreFieldsReader.h"
#include "utility/DocDeleted.h"

namespace cs::content {
class CContentMode;
}

namespace cs::store {
class CDirectory;
}

namespace cs::index {
class CBarrelInfo;
class CIndexTermReader;
}

namespace cs::search {

// A document of the barrel (local number) and how often it holds what was asked.
struct CMatch {
    int32_t doc;
    int32_t tf;
};
typedef std::vector<CMatch> MatchList;   // ascending documents

class CBarrelSearcher {
public:
    // `pDir`, the barrel record and the mode must outlive the searcher.
    CBarrelSearcher(store::CDirectory* pDir, const index::CBarrelInfo& barrel, const content::CContentMode& mode);
    ~CBarrelSearcher();
    CBarrelSearcher(const CBarrelSearcher&) = delete;
    CBarrelSearcher& operator=(const CBarrelSearcher&) = delete;

    int32_t docStart() const { return m_docStart; }
    int32_t docCount() const { return m_docCount; }
    int32_t liveCount() const;
    std::vector<int32_t> liveDocs() const;
    // The terms the field's documents hold, stop words included (.fdi).
    int64_t totalTerms(int32_t fieldId) const;

    MatchList termDocs(int32_t fieldId, int32_t term);
    // Documents holding the terms at consecutive positions; tf counts the occurrences.
    MatchList phraseDocs(int32_t fieldId, const std::vector<int32_t>& terms);
    // Documents holding a term from `from` to `to` (both included) of a date field.
    MatchList rangeDocs(int32_t fieldId, int32_t from, int32_t to);

    // The length of every document in the field (B.len), or null when the
    // barrel keeps none for it.
    const std::vector<int32_t>* lengths(int32_t fieldId);

    // False when the document has no stored record.
    bool storedFields(int32_t doc, std::vector<index::CStoreFieldsReader::CStoredField>& fields);

private:
    // The open reader of an indexed field that has terms in this barrel, else null.
    index::CIndexTermReader* reader(int32_t fieldId);
    const index::CFieldInfo* fieldInfo(int32_t fieldId) const;

    store::CDirectory* m_pDir;
    std::string m_name;
    int32_t m_docStart;
    int32_t m_docCount;
    const content::CContentMode& m_mode;
    index::CFieldInfoList m_fields;
    utility::CDocDeleted m_deleted;
    std::map<int32_t, std::unique_ptr<index::CIndexTermReader>> m_readers;   // null: no terms here
    std::unique_ptr<index::CStoreFieldsReader> m_pStored;
    std::unique_ptr<index::format::CDocLengths> m_pLengths;   // read on first use
};

} // namespace cs::search
