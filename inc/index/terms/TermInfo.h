// One entry of a field's term dictionary as a term reader holds it.
#pragma once

#include <cstdint>

namespace cs::index {

struct CTermInfo {
    int32_t m_term = 0;
    int32_t m_docFreq = 0;
    int64_t m_docPointer = 0;   // the .did offset of the term's posting trailer
};

} // namespace cs::index
