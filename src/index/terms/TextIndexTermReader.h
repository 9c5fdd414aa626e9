// The term reader of a text field.
#pragma once

#include "index/terms/TermReaderWrapper.h"

namespace cs::index {

class CTextIndexTermReader : public CTermReaderWrapper {
public:
    CTextIndexTermReader();
};

} // namespace cs::index
