// The term reader of a text field.
#pragma once

#include "index/TermReaderWrapper.h"

namespace cs::index {

class CTextIndexTermReader : public CTermReaderWrapper {
public:
    CTextIndexTermReader();
};

} // namespace cs::index
