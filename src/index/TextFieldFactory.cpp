#include "index/TextFieldFactory.h"

#include "index/TextFieldIndexer.h"

namespace cs::index {

CTextFieldFactory& CTextFieldFactory::instance()
{
    static CTextFieldFactory factory;
    return factory;
}

CFieldIndexer* CTextFieldFactory::createFieldIndexer(utility::CMemoryCache* pMemory)
{
    return new CTextFieldIndexer(pMemory);
}

// The reading side of the field kind is not built yet: no merger, no reader.
CFieldMerger* CTextFieldFactory::createFieldMerger() { return nullptr; }

CIndexTermReader* CTextFieldFactory::createTermReader() { return nullptr; }

} // namespace cs::index
