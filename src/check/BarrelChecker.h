// Checks one barrel of an index against everything its files promise each
// other: field information against the sections of .tid, .did and .pid, every
// term dictionary and posting, every stored record, and the deleted documents
// against the barrel list. Postings are decoded through the production term
// readers; the byte layout around them is followed with the index inputs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "index/fields/FieldInfoList.h"
#include "utility/DocDeleted.h"

namespace cs::content {
class CContentMode;
}

namespace cs::index {
class CBarrelInfo;
class CDiskPosting;
class CFieldInfo;
class CIndexTermIterator;
}

namespace cs::store {
class CDirectory;
class CIndexInput;
}

namespace cs::check {

class CCheckReport;
struct CProblem;

class CBarrelChecker {
public:
    CBarrelChecker(store::CDirectory* pDir, const index::CBarrelInfo& barrel, const content::CContentMode& mode,
                   CCheckReport& report);
    ~CBarrelChecker();
    CBarrelChecker(const CBarrelChecker&) = delete;
    CBarrelChecker& operator=(const CBarrelChecker&) = delete;

    void check();

private:
    // Where the sections of the next field begin in .tid, .did and .pid.
    struct CSections {
        int64_t tid = 0;
        int64_t did = 0;
        int64_t pid = 0;
    };
    // One dictionary entry as the file holds it.
    struct CEntry {
        int32_t term;
        int32_t docFreq;
        int64_t trailer;
        int64_t offset;   // of the entry in .tid
    };

    std::string file(const char* extension) const;
    bool requireFiles();
    bool checkFieldInfos();
    void checkField(const index::CFieldInfo& info, const CSections& at);
    bool readDictionary(const index::CFieldInfo& info, const CSections& at, std::vector<CEntry>& entries);
    bool checkPostings(const index::CFieldInfo& info, const CSections& at, const std::vector<CEntry>& entries);
    // `positional`: whether the field's postings must keep positions.
    bool checkPosting(const index::CFieldInfo& info, bool positional, const CEntry& entry,
                      index::CDiskPosting& posting, CSections& next);
    void checkStoredFields();
    void checkDeleted();
    // The document lengths, when the barrel has them.
    void checkLengths();
    void problem(const std::string& extension, const std::string& field, const CEntry* pEntry, int64_t offset,
                 const std::string& reason);

    store::CDirectory* m_pDir;
    const index::CBarrelInfo& m_barrel;
    const content::CContentMode& m_mode;
    CCheckReport& m_report;
    index::CFieldInfoList m_fields;
    utility::CDocDeleted m_deleted;
    std::unique_ptr<store::CIndexInput> m_pTid;
    std::unique_ptr<store::CIndexInput> m_pDid;
    std::unique_ptr<store::CIndexInput> m_pPid;
};

} // namespace cs::check
