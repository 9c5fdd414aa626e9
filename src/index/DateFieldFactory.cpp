#include "index/DateFieldFactory.h"

#include "index/DateIndexTermReader.h"
#include "index/DateMerger.h"
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

CFieldMerger* CDateFieldFactory::createFieldMerger() { return new CDateMerger(); }

CIndexTermReader* CDateFieldFactory::createTermReader() { return new CDateIndexTermReader(); }

} // namespace cs::index
