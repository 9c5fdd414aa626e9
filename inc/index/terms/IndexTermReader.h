// Access to one indexed field of one barrel: its term dictionary, loaded into
// memory from .tid, the terms in order through iterators, and for a sought
// term its documents and positions.
#pragma once

#include <string>

#include "index/terms/TermInfo.h"

namespace cs::store {
class CDirectory;
}

namespace cs::utility {
class CDocDeleted;
class CTerm;
}

namespace cs::index {

class CDocPosPosting;
class CDocPosting;
class CFieldInfo;
class CIndexTermIterator;

class CIndexTermReader {
public:
    virtual ~CIndexTermReader() = default;

    // Loads the dictionary of the field described by `pFieldInfo` from the
    // barrel's .tid. The field information and the deleted documents (null:
    // none) must outlive the reader; deleted documents are skipped by the
    // postings it hands out.
    virtual void open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
                      utility::CDocDeleted* pDocDeleted) = 0;
    // A new iterator over the field's terms in ascending order (the caller
    // owns it), or null when `field` is given and names another field.
    virtual CIndexTermIterator* termIterator(const char* field) = 0;
    // Makes `pTerm` the current term; false when the field does not hold it.
    virtual bool seek(const utility::CTerm* pTerm) = 0;
    // Cursors over the current term's documents, and positions, on inputs of
    // their own (the caller owns them); null without a current term, and
    // termPositions() also for a field that keeps no positions.
    virtual CDocPosting* termDocs() = 0;
    virtual CDocPosPosting* termPositions() = 0;
    virtual void close() = 0;
    // The dictionary entry of the term, or null.
    virtual const CTermInfo* find(const utility::CTerm* pTerm) = 0;
};

} // namespace cs::index
