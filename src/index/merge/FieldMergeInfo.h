// One barrel's cursor in the k-way merge of a field's dictionaries: the
// barrel's term reader, an iterator over it and the current term.
#pragma once

#include <cstdint>
#include <memory>

#include "index/terms/IndexTermIterator.h"
#include "index/terms/IndexTermReader.h"

namespace cs::index {

class CFieldMergeInfo {
public:
    CFieldMergeInfo(int32_t docStart, int32_t shift, std::unique_ptr<CIndexTermReader> pReader);
    ~CFieldMergeInfo();
    CFieldMergeInfo(const CFieldMergeInfo&) = delete;
    CFieldMergeInfo& operator=(const CFieldMergeInfo&) = delete;

    // Moves to the next term of the barrel; false (and no current term) after the last.
    bool next();

    int32_t m_docStart;    // of the barrel in the merge: orders equal terms
    int32_t m_shift;       // from the barrel's numbers to the new barrel's
    const utility::CTermT<int32_t>* m_pCurTerm = nullptr;
    int32_t m_term = 0;    // the current term's value, which orders the cursors
    std::unique_ptr<CIndexTermReader> m_pIndexTermReader;
    std::unique_ptr<CIndexTermIterator> m_pIterator;
};

} // namespace cs::index
