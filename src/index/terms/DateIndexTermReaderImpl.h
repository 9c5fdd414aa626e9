// The dictionary of a date field: a flat array of day values; postings of
// document numbers only. Adds the range query.
#pragma once

#include "index/terms/TermReaderImpl.h"

namespace cs::index {

class CDateIndexTermReaderImpl : public CTermReaderImpl {
public:
    CIndexTermIterator* termIterator(const char* field) override;
    bool positional() const override { return false; }
    // The terms from `from` to `to`, both included (the caller owns the iterator).
    CIndexTermIterator* rangeQuery(const utility::CTerm* from, const utility::CTerm* to);

protected:
    const char* kind() const override { return "date"; }
};

} // namespace cs::index
