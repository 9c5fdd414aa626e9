// The dictionary of a crc field: an ordered map from term value to entry.
// Index way 0 keeps positions, index way 1 document numbers only.
#pragma once

#include "index/terms/CrcIndexTermIterator.h"
#include "index/terms/TermReaderImpl.h"

namespace cs::index {

class CCrcIndexTermReaderImpl : public CTermReaderImpl {
public:
    CIndexTermIterator* termIterator(const char* field) override;
    bool positional() const override;

protected:
    const char* kind() const override { return "crc"; }
    void keepDictionary(std::vector<CTermInfo>&& entries) override;
    const CTermInfo* findValue(int32_t value) const override;

private:
    CCrcIndexTermIterator::Dictionary m_map;
};

} // namespace cs::index
