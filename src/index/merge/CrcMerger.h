// Merges a crc field: positions with index way 0, document numbers with 1.
#pragma once

#include "index/merge/FieldMerger.h"

namespace cs::index {

class CCrcMerger : public CFieldMerger {
protected:
    bool keepsPositions(const CFieldInfo& fieldInfo) const override;
    void writeTerms(const COutputDescriptor& outputs, const CTermInfo* entries, int32_t count) override;
    int64_t endField(const COutputDescriptor& outputs) override;
};

} // namespace cs::index
