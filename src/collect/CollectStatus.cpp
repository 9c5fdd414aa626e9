#include "collect/CollectStatus.h"

#include <algorithm>

#include "collect/DecimalText.h"
#include "collect/LogText.h"
#include "index/format/BarrelFiles.h"
#include "platform/Env.h"
#include "utility/Blanks.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::collection {

using utility::CXmlDocument;
using utility::CXmlNode;

const char* const CCollectStatus::kCollectDateTemplate =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><collect_date>\t<A><date/><auto_id/></A>\t<latest_time>\t\t<ALL><time/>"
    "<count>0</count></ALL>\t\t<W><time/><count>0</count></W>\t\t<C><time/><count>0</count></C>\t\t<U><time/><count>0"
    "</count></U>\t\t<S><time/><count>0</count></S>\t\t<M><time/><count>0</count></M>\t</latest_time></collect_date>";
const char* const CCollectStatus::kIndexedTablesTemplate = "<?xml version=\"1.0\" encoding=\"utf-8\"?><indexed_tables/>";
const char* const CCollectStatus::kCollectDateFile = index::format::COLLECT_DATE_FILE;
const char* const CCollectStatus::kIndexedTablesFile = index::format::INDEXED_TABLES_FILE;

namespace {

const char* const kTmp = ".tmp";

std::string TypePath(int type, const char* leaf)
{
    return std::string("/collect_date/latest_time/") + CollectTypeLetter(type) + "/" + leaf;
}

bool SetContent(CXmlDocument& doc, const std::string& xpath, const std::string& text)
{
    CXmlNode node = doc.select(xpath);
    if (!node)
        return false;
    node.setContent(text);
    return true;
}

} // namespace

void CCollectStatus::load(const std::string& dbname, bool recreate)
{
    CS_LOG_INFO("loading collect status for database: %s...", dbname.c_str());
    m_dbname = dbname;
    CXmlDocument global;
    if (!global.parseFile(utility::CConfigPath::instance().getPath("GLOBAL_CONFIG_PATH")))
        CS_THROW("global config file not exist or parse failed");
    readIndexSettings(global);
    m_completed.clear();
    m_indexedTables.clear();
    for (CTypeTotal& total : m_totals)
        total = CTypeTotal();
    if (recreate) {
        createDocuments();
        m_table = m_startTable;
        m_autoId = 0;
    } else {
        loadDocuments();
    }
    m_debug.load(global);
    if (m_debug.active())
        setResumePoint(m_debug.fromTable(), m_debug.fromId());
    CXmlNode web = global.select("/config/index/web");
    m_webEnabled = !(web && utility::TrimBlanks(web.content()) == "0");
    if (!m_webEnabled)
        CS_LOG_INFO("web collecting is disabled");
    CS_LOG_INFO("collect status loaded: collect from [%s, %u]", m_table.c_str(), m_autoId);
}

void CCollectStatus::readIndexSettings(CXmlDocument& global)
{
    CXmlNode path = global.select("/config/index/path");
    if (!path)
        CS_THROW("failed to get index path from global config file");
    m_indexDir = path.content();
    if (m_indexDir.empty())
        CS_THROW("wrong index file path");
    if (m_indexDir.back() != '/' && m_indexDir.back() != '\\')
        m_indexDir += '/';
    m_indexDir += m_dbname + "/";

    m_startTable.clear();
    CXmlNode date = global.select("/config/index/date");
    if (!date) {
        CS_LOG_INFO("failed to get collect date config from global config file, default collect all dates");
        return;
    }
    std::string value(utility::TrimBlanks(date.content()));
    if (value == "all")
        return;
    std::string digits;
    std::copy_if(value.begin(), value.end(), std::back_inserter(digits), [](char c) { return c >= '0' && c <= '9'; });
    // A record table is named by exactly eight digits; any other count would
    // compare wrongly against the table names.
    if (digits.size() != 8)
        CS_THROW("wrong date format");
    m_startTable = "A" + digits;
}

void CCollectStatus::createDocuments()
{
    if (!m_dateDoc.parseText(kCollectDateTemplate))
        CS_THROW("failed to create collect_date XML");
    if (!m_tablesDoc.parseText(kIndexedTablesTemplate))
        CS_THROW("failed to create indexed_tables XML");
}

void CCollectStatus::loadDocuments()
{
    if (!m_dateDoc.parseFile(m_indexDir + kCollectDateFile) || m_dateDoc.root().name() != "collect_date")
        CS_THROW("not found collect_date.xml in index path: %s", m_indexDir.c_str());
    if (!m_tablesDoc.parseFile(m_indexDir + kIndexedTablesFile) || m_tablesDoc.root().name() != "indexed_tables")
        CS_THROW("not found indexed_tables.xml in index path: %s", m_indexDir.c_str());
    for (CXmlNode child = m_tablesDoc.root().firstChild(); child; child = child.nextSibling())
        m_indexedTables.insert(child.name());

    CXmlNode table = m_dateDoc.select("/collect_date/A/date");
    CXmlNode autoId = m_dateDoc.select("/collect_date/A/auto_id");
    if (!table || !autoId || !ParseDecimal(autoId.content(), m_autoId))
        CS_THROW("failed to load collect stop table and auto_id");
    m_table = table.content();
    if (!m_startTable.empty() && m_table < m_startTable)
        setResumePoint(m_startTable, 0);
    loadTotals();
}

void CCollectStatus::loadTotals()
{
    for (int type = 0; type < COLLECT_TYPES; ++type) {
        CXmlNode time = m_dateDoc.select(TypePath(type, "time"));
        CXmlNode count = m_dateDoc.select(TypePath(type, "count"));
        if (!time || !count || !ParseDecimal(count.content(), m_totals[type].count))
            CS_THROW("failed to load collect status for type: %c", CollectTypeLetter(type));
        m_totals[type].time = time.content();
    }
}

void CCollectStatus::setIndexDir(const std::string& dir)
{
    m_indexDir = dir;
    if (m_indexDir.back() != '/')
        m_indexDir += '/';
}

void CCollectStatus::setResumePoint(const std::string& table, uint32_t autoId)
{
    m_table = table;
    m_autoId = autoId;
}

void CCollectStatus::completeTable(const std::string& table)
{
    if (std::find(m_completed.begin(), m_completed.end(), table) == m_completed.end())
        m_completed.push_back(table);
}

void CCollectStatus::countRecord(int type, const std::string& date)
{
    CTypeTotal& total = m_totals[type];
    ++total.count;
    if (date > total.time)
        total.time = date;
}

void CCollectStatus::save(int percent)
{
    CS_LOG_INFO("saving collect status into path: %s...", m_indexDir.c_str());
    if (!SetContent(m_dateDoc, "/collect_date/A/date", m_table) ||
        !SetContent(m_dateDoc, "/collect_date/A/auto_id", std::to_string(m_autoId)))
        CS_THROW("failed to save collect stop table and auto_id");
    CTypeTotal all;
    for (int type = 0; type < COLLECT_TYPES; ++type) {
        const CTypeTotal& total = m_totals[type];
        if (!SetContent(m_dateDoc, TypePath(type, "time"), total.time) ||
            !SetContent(m_dateDoc, TypePath(type, "count"), std::to_string(total.count)))
            CS_THROW("failed to save collect status for type: %c", CollectTypeLetter(type));
        all.count += total.count;
        all.time = std::max(all.time, total.time);
    }
    if (!SetContent(m_dateDoc, "/collect_date/latest_time/ALL/time", all.time) ||
        !SetContent(m_dateDoc, "/collect_date/latest_time/ALL/count", std::to_string(all.count)))
        CS_THROW("failed to save collect status for all types");
    CXmlNode root = m_tablesDoc.root();
    for (const std::string& table : m_completed) {
        if (m_indexedTables.insert(table).second)
            root.createChild(table);
    }
    logSummary(percent);
    writeDocuments();
}

void CCollectStatus::logSummary(int percent) const
{
    uint32_t count = 0;
    std::string time;
    for (const CTypeTotal& total : m_totals) {
        count += total.count;
        time = std::max(time, total.time);
    }
    CS_LOG_INFO("stopped at %s:%u, %d%%", m_table.c_str(), m_autoId, percent);
    CS_LOG_INFO("total:  %u, %s", count, LogText(time).c_str());
    CS_LOG_INFO("web:    %u, %s", m_totals[COLLECT_W].count, LogText(m_totals[COLLECT_W].time).c_str());
    CS_LOG_INFO("chat:   %u, %s", m_totals[COLLECT_C].count, LogText(m_totals[COLLECT_C].time).c_str());
    CS_LOG_INFO("httpup: %u, %s", m_totals[COLLECT_U].count, LogText(m_totals[COLLECT_U].time).c_str());
    CS_LOG_INFO("search: %u, %s", m_totals[COLLECT_S].count, LogText(m_totals[COLLECT_S].time).c_str());
    CS_LOG_INFO("mail:   %u, %s", m_totals[COLLECT_M].count, LogText(m_totals[COLLECT_M].time).c_str());
    for (const std::string& table : m_completed)
        CS_LOG_INFO("table: %s", table.c_str());
}

void CCollectStatus::writeDocuments()
{
    if (!m_dateDoc.save(m_indexDir + kCollectDateFile + kTmp) ||
        !m_tablesDoc.save(m_indexDir + kIndexedTablesFile + kTmp)) {
        // A half-written state file must not be taken for the new state.
        removeTemporaryFiles();
        CS_THROW("failed to save collect status and collected tables XML file");
    }
}

void CCollectStatus::removeTemporaryFiles() const
{
    platform::Env().removeFile(m_indexDir + kCollectDateFile + kTmp);
    platform::Env().removeFile(m_indexDir + kIndexedTablesFile + kTmp);
}

void CCollectStatus::commit()
{
    for (const char* name : {kCollectDateFile, kIndexedTablesFile}) {
        std::string path = m_indexDir + name;
        if (!platform::Env().moveFileReplace(path + kTmp, path))
            CS_THROW("failed to save collect status and collected tables XML file");
    }
}

} // namespace cs::collection
