// A field kind ("text", "crc", "date"): makes the field's indexer for the
// barrel being filled, its merger and its term reader. The content mode names
// the kind of each indexed field by its "indexer" component.
#pragma once

#include <map>
#include <string>

#include "utility/MemoryCache.h"

namespace cs::index {

class CFieldIndexer;
class CFieldMerger;
class CIndexTermReader;

class CFieldFactory {
public:
    // The registry key.
    virtual const char* getName() const = 0;
    // The caller owns what the three create; null when the kind cannot make it.
    // An indexer whose postings are carved from `pMemory`.
    virtual CFieldIndexer* createFieldIndexer(utility::CMemoryCache* pMemory) = 0;
    virtual CFieldMerger* createFieldMerger() = 0;
    virtual CIndexTermReader* createTermReader() = 0;
    // Whether the kind's postings keep frequencies and positions in a field
    // of index way `indexWay`.
    virtual bool keepsPositions(int indexWay) const = 0;
    virtual ~CFieldFactory() = default;

    CFieldFactory(const CFieldFactory&) = delete;
    CFieldFactory& operator=(const CFieldFactory&) = delete;

protected:
    CFieldFactory() = default;
};

// The factory of each indexed field, by field id.
typedef std::map<int, CFieldFactory*> FieldFactoryMap;

} // namespace cs::index
