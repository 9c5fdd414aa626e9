// The "crc" field kind.
#pragma once

#include "index/fields/FieldFactory.h"

namespace cs::index {

class CCrcFieldFactory : public CFieldFactory {
public:
    static CCrcFieldFactory& instance();

    const char* getName() const override { return "crc"; }
    CFieldIndexer* createFieldIndexer(utility::CMemoryCache* pMemory) override;
    CFieldMerger* createFieldMerger() override;
    CIndexTermReader* createTermReader() override;

private:
    CCrcFieldFactory() = default;
};

} // namespace cs::index
