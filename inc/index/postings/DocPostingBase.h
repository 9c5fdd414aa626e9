// A cursor over the documents of one term in one barrel, for queries:
// documents marked deleted are passed over, numbers are local to the barrel
// (add the barrel's document start for global numbers).
#pragma once

#include <cstdint>
#include <memory>

#include "index/postings/DiskPosting.h"

namespace cs::index {

class CDocPostingBase {
public:
    virtual ~CDocPostingBase();
    CDocPostingBase(const CDocPostingBase&) = delete;
    CDocPostingBase& operator=(const CDocPostingBase&) = delete;

    // Moves to the next document; false after the last.
    virtual bool next() = 0;
    // The current document and its frequency (1 without positions); only
    // after next() returned true.
    virtual int32_t doc() const = 0;
    virtual int32_t freq() const = 0;

    // Moves forward to the first document at or after `target`, which
    // *nearby receives; false (and *nearby -1) when there is none.
    bool skipTo(int32_t target, int32_t* nearby);
    // Documents of the term in the barrel, deleted ones included.
    int32_t docFreq() const { return m_pPosting->docFreq(); }

protected:
    // The posting reads through inputs of its own and is opened at its term.
    explicit CDocPostingBase(std::unique_ptr<CDiskPosting> pPosting);

    std::unique_ptr<CDiskPosting> m_pPosting;
    bool m_onDoc = false;
};

} // namespace cs::index
