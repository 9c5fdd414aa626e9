// Terms of a date field: its dictionary is a flat array like a text field's,
// and a range query walks a slice of it.
#pragma once

#include "index/terms/TextIndexTermIterator.h"

namespace cs::index {

class CDateIndexTermIterator : public CTextIndexTermIterator {
public:
    using CTextIndexTermIterator::CTextIndexTermIterator;
};

} // namespace cs::index
