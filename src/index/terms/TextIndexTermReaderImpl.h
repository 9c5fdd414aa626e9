// The dictionary of a text field: a flat array; postings with positions.
#pragma once

#include "index/terms/TermReaderImpl.h"

namespace cs::index {

class CTextIndexTermReaderImpl : public CTermReaderImpl {
public:
    CIndexTermIterator* termIterator(const char* field) override;
    bool positional() const override { return true; }

protected:
    const char* kind() const override { return "text"; }
};

} // namespace cs::index
