// The field kinds by name. It holds the three built-in kinds from its first
// use on, so no start-up order matters.
#pragma once

#include <string>

#include "index/fields/FieldFactory.h"
#include "utility/NameTable.h"

namespace cs::index {

class CFieldFactoryRegistry {
public:
    static CFieldFactoryRegistry& instance();

    // A later factory of the same name replaces the earlier one; the factory
    // must outlive the registry.
    void registerFactory(CFieldFactory* pFactory);
    // The factory of exactly that name, or null.
    CFieldFactory* find(const std::string& name) const;

    CFieldFactoryRegistry(const CFieldFactoryRegistry&) = delete;
    CFieldFactoryRegistry& operator=(const CFieldFactoryRegistry&) = delete;

private:
    CFieldFactoryRegistry();

    utility::CNameTable<CFieldFactory> m_factories;
};

} // namespace cs::index
