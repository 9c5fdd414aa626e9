// The "text" field kind.
#pragma once

#include "index/fields/FieldFactory.h"

namespace cs::index {

class CTextFieldFactory : public CFieldFactory {
public:
    static CTextFieldFactory& instance();

    const char* getName() const override { return "text"; }
    CFieldIndexer* createFieldIndexer(utility::CMemoryCache* pMemory) override;
    CFieldMerger* createFieldMerger() override;
    CIndexTermReader* createTermReader() override;

private:
    CTextFieldFactory() = default;
};

} // namespace cs::index
