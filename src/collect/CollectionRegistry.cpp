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
    m_creators[pCreator->identifier()] = pCreator;
}

CCollection::CCreator* CCollectionRegistry::find(const std::string& identifier) const
{
    auto it = m_creators.find(identifier);
    return it == m_creators.end() ? nullptr : it->second;
}

} // namespace cs::collection
