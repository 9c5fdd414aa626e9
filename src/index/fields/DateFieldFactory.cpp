#include "index/fields/DateFieldFactory.h"

#include "index/fields/DateTimeFieldIndexer.h"
#include "index/merge/DateMerger.h"
#include "index/terms/DateIndexTermReader.h"

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
