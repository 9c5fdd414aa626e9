#include "index/fields/FieldFactoryRegistry.h"

#include "index/fields/BuiltinFieldFactory.h"
#include "utility/Error.h"

namespace cs::index {

CFieldFactoryRegistry& CFieldFactoryRegistry::instance()
{
    static CFieldFactoryRegistry registry;
    return registry;
}

CFieldFactoryRegistry::CFieldFactoryRegistry()
{
    registerFactory(&CBuiltinFieldFactory::text());
    registerFactory(&CBuiltinFieldFactory::crc());
    registerFactory(&CBuiltinFieldFactory::date());
}

void CFieldFactoryRegistry::registerFactory(CFieldFactory* pFactory)
{
    CS_ASSERT_ARG(pFactory);
    m_factories.put(pFactory->getName(), pFactory);
}

CFieldFactory* CFieldFactoryRegistry::find(const std::string& name) const
{
    return m_factories.find(name);
}

} // namespace cs::index
