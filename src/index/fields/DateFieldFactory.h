// The "date" field kind.
#pragma once

#include "index/fields/FieldFactory.h"

namespace cs::index {

class CDateFieldFactory : public CFieldFactory {
public:
    static CDateFieldFactory& instance();

    const char* getName() const override { return "date"; }
    CFieldIndexer* createFieldIndexer(utility::CMemoryCache* pMemory) override;
    CFieldMerger* createFieldMerger() override;
    CIndexTermReader* createTermReader() override;

private:
    CDateFieldFactory() = default;
};

} // namespace cs::index
