// The operator's debug range under /config/collect of the global
// configuration: collect only the records between two (table, auto_id) points
// and only some collect types.
#pragma once

#include <cstdint>
#include <string>

#include "collect/CollectType.h"

namespace cs::utility {
class CXmlDocument;
}

namespace cs::collection {

class CDebugCollectRange {
public:
    // Reads the range from the parsed global configuration; a missing, partial
    // or inverted range does not apply (each case logged).
    void load(utility::CXmlDocument& global);

    bool active() const { return m_active; }
    const std::string& fromTable() const { return m_fromTable; }
    uint32_t fromId() const { return m_fromId; }
    const std::string& toTable() const { return m_toTable; }
    uint32_t toId() const { return m_toId; }

    bool typeEnabled(int type) const { return !m_active || m_enabled[type]; }
    // A table after the end table is not collected at all.
    bool tableBeyondEnd(const std::string& table) const { return m_active && table > m_toTable; }
    // A record after the end point ends the collection of its table.
    bool recordBeyondEnd(const std::string& table, uint32_t autoId) const
    {
        return m_active && table >= m_toTable && autoId > m_toId;
    }

private:
    bool readBounds(utility::CXmlDocument& global);
    void readTypes(utility::CXmlDocument& global);

    bool m_active = false;
    std::string m_fromTable;
    uint32_t m_fromId = 0;
    std::string m_toTable;
    uint32_t m_toId = 0;
    bool m_enabled[COLLECT_TYPES] = {true, true, true, true, true};
};

} // namespace cs::collection
