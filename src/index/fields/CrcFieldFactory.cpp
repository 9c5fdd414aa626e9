#include "index/fields/CrcFieldFactory.h"

#include "index/fields/CrcIndexer.h"
#include "index/merge/CrcMerger.h"
#include "index/terms/CrcIndexTermReader.h"

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

CFieldMerger* CCrcFieldFactory::createFieldMerger() { return new CCrcMerger(); }

CIndexTermReader* CCrcFieldFactory::createTermReader() { return new CCrcIndexTermReader(); }

} // namespace cs::index
