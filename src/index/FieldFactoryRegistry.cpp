#include "index/FieldFactoryRegistry.h"

#include "index/CrcFieldFactory.h"
#include "index/DateFieldFactory.h"
#include "index/TextFieldFactory.h"
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
    m_factories[pFactory->getName()] = pFactory;
}

CFieldFactory* CFieldFactoryRegistry::find(const std::string& name) const
{
    auto it = m_factories.find(name);
    return it == m_factories.end() ? nullptr : it->second;
}

} // namespace cs::index
