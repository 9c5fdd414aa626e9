#include "index/CrcFieldFactory.h"

#include "index/CrcIndexTermReader.h"
#include "index/CrcMerger.h"
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

CFieldMerger* CCrcFieldFactory::createFieldMerger() { return new CCrcMerger(); }

CIndexTermReader* CCrcFieldFactory::createTermReader() { return new CCrcIndexTermReader(); }

} // namespace cs::index
