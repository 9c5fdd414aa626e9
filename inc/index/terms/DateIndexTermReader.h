// The term reader of a date field, with the range query.
#pragma once

#include "index/terms/TermReaderWrapper.h"

namespace cs::index {

class CDateIndexTermReader : public CTermReaderWrapper {
public:
    CDateIndexTermReader();

    // The terms from `from` to `to`, both included, in ascending order (the
    // caller owns the iterator); both must be date terms, `from` not after `to`.
    CIndexTermIterator* rangeQuery(const utility::CTerm* from, const utility::CTerm* to);
};

} // namespace cs::index
