#include "index/DateFieldFactory.h"

#include "index/DateTimeFieldIndexer.h"

namespace cs::index {

CDateFieldFactory& CDateFieldFactory::instance()
{
    static CDateFieldFactory factory;
    return factory;
}

CFieldIndexer* CDateFieldFactory::createFieldIndexer(utility::CMemoryCache* pMemory)
{
    return new CDateTimeFieldIndexer(pMemory);
}

// The reading side of the field kind is not built yet: no merger, no reader.
CFieldMerger* CDateFieldFactory::createFieldMerger() { return nullptr; }

CIndexTermReader* CDateFieldFactory::createTermReader() { return nullptr; }

} // namespace cs::index
