#include "collect/DebugCollectRange.h"

#include "collect/DecimalText.h"
#include "utility/Logger.h"
#include "utility/XmlDocument.h"

namespace cs::collection {

using utility::CXmlNode;

void CDebugCollectRange::load(utility::CXmlDocument& global)
{
    m_active = false;
    CS_LOG_INFO("loading debug collect config...");
    if (!global.select("/config/collect")) {
        CS_LOG_INFO("debug collect config not take effect");
        return;
    }
    if (!readBounds(global)) {
        CS_LOG_WARN("failed to load debug collect config");
        return;
    }
    if (m_toTable < m_fromTable || (m_toTable == m_fromTable && m_toId < m_fromId)) {
        CS_LOG_WARN("debug collect config range error");
        return;
    }
    m_active = true;
    readTypes(global);
    CS_LOG_INFO("collect range: qvtrace: [%s:%u - %s:%u] mailproxy: [%s:%u - %s:%u]", m_fromTable.c_str(),
                m_fromId, m_toTable.c_str(), m_toId, m_fromTable.c_str(), m_fromId, m_toTable.c_str(), m_toId);
    CS_LOG_INFO("collect types: %c:%d %c:%d %c:%d %c:%d %c:%d", CollectTypeLetter(COLLECT_W), m_enabled[COLLECT_W],
                CollectTypeLetter(COLLECT_C), m_enabled[COLLECT_C], CollectTypeLetter(COLLECT_U), m_enabled[COLLECT_U],
                CollectTypeLetter(COLLECT_S), m_enabled[COLLECT_S], CollectTypeLetter(COLLECT_M), m_enabled[COLLECT_M]);
    CS_LOG_INFO("debug collect config loaded");
}

bool CDebugCollectRange::readBounds(utility::CXmlDocument& global)
{
    CXmlNode fromTable = global.select("/config/collect/A/from/table");
    CXmlNode fromId = global.select("/config/collect/A/from/id");
    CXmlNode toTable = global.select("/config/collect/A/to/table");
    CXmlNode toId = global.select("/config/collect/A/to/id");
    if (!fromTable || !fromId || !toTable || !toId)
        return false;
    if (!ParseDecimal(fromId.content(), m_fromId) || !ParseDecimal(toId.content(), m_toId))
        return false;
    m_fromTable = fromTable.content();
    m_toTable = toTable.content();
    return true;
}

void CDebugCollectRange::readTypes(utility::CXmlDocument& global)
{
    for (bool& enabled : m_enabled)
        enabled = true;
    CXmlNode types = global.select("/config/collect/collect_types");
    for (CXmlNode child = types.firstChild(); child; child = child.nextSibling()) {
        std::string name = child.name();
        int type = name.empty() ? -1 : CollectTypeOf(name[0]);
        if (type < 0) {
            CS_LOG_WARN("debug collect config: no such collect type: %s", name.c_str());
            continue;
        }
        m_enabled[type] = child.content() == "1";
    }
}

} // namespace cs::collection
