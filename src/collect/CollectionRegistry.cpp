#include "collect/CollectionRegistry.h"

#include "collect/ContentCollection.h"
#include "collect/DirCollection.h"
#include "utility/Error.h"

namespace cs::collection {

CCollectionRegistry& CCollectionRegistry::instance()
{
    static CCollectionRegistry registry;
    return registry;
}

CCollectionRegistry::CCollectionRegistry()
{
    static CDirCollection::CDirCreator directory;
    registerCreator(&directory);
    static CContentCollection::CContentCollectionCreator content;
    registerCreator(&content);
}

void CCollectionRegistry::registerCreator(CCollection::CCreator* pCreator)
{
    CS_ASSERT_ARG(pCreator);
    m_creators.put(pCreator->identifier(), pCreator);
}

CCollection::CCreator* CCollectionRegistry::find(const std::string& identifier) const
{
    return m_creators.find(identifier);
}

} // namespace cs::collection
