// The process-wide table of collection creators by identifier. It is filled
// with the built-in creators on first use, so no start-up order matters.
#pragma once

#include <string>

#include "collect/Collection.h"
#include "utility/NameTable.h"

namespace cs::collection {

class CCollectionRegistry {
public:
    static CCollectionRegistry& instance();

    // A later creator of the same identifier replaces the earlier one; a null
    // creator is an invalid argument ("pCreator"). The creator must outlive
    // the registry.
    void registerCreator(CCollection::CCreator* pCreator);

    // The creator of that identifier, or null.
    CCollection::CCreator* find(const std::string& identifier) const;

    CCollectionRegistry(const CCollectionRegistry&) = delete;
    CCollectionRegistry& operator=(const CCollectionRegistry&) = delete;

private:
    CCollectionRegistry();

    utility::CNameTable<CCollection::CCreator> m_creators;
};

} // namespace cs::collection
