#include "index/CrcFieldFactory.h"

#include "index/CrcIndexer.h"

namespace cs::index {

CCrcFieldFactory& CCrcFieldFactory::instance()
{
    static CCrcFieldFactory factory;
    return factory;
}

CFieldIndexer* CCrcFieldFactory::createFieldIndexer(utility::CMemoryCache* pMemory)
{
    return new CCrcIndexer(pMemory);
}

// The reading side of the field kind is not built yet: no merger, no reader.
CFieldMerger* CCrcFieldFactory::createFieldMerger() { return nullptr; }

CIndexTermReader* CCrcFieldFactory::createTermReader() { return nullptr; }

} // namespace cs::index
