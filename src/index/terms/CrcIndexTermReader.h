// The term reader of a crc field.
#pragma once

#include "index/terms/TermReaderWrapper.h"

namespace cs::index {

class CCrcIndexTermReader : public CTermReaderWrapper {
public:
    CCrcIndexTermReader();
};

} // namespace cs::index
