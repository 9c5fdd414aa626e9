#include "index/fields/FieldFactoryRegistry.h"

#include "index/fields/CrcFieldFactory.h"
#include "index/fields/DateFieldFactory.h"
#include "index/fields/TextFieldFactory.h"
#include "utility/Error.h"

namespace cs::index {

CFieldFactoryRegistry& CFieldFactoryRegistry::instance()
{
    static CFieldFactoryRegistry registry;
    return registry;
}

CFieldFactoryRegistry::CFieldFactoryRegistry()
{
    registerFactory(&CTextFieldFactory::instance());
    registerFactory(&CCrcFieldFactory::instance());
    registerFactory(&CDateFieldFactory::instance());
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
