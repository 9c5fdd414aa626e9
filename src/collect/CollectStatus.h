// The memory of the activity-record collection between runs: the resume point
// (record table and auto_id), the per-type totals and the record tables that
// are completely indexed, kept in collect_date.xml and indexed_tables.xml in
// the database's index directory. Both are written as ".tmp" files that take
// their final names together with the barrel they describe.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "collect/CollectType.h"
#include "collect/DebugCollectRange.h"
#include "utility/XmlDocument.h"

namespace cs::collection {

class CCollectStatus {
public:
    struct CTypeTotal {
        std::string time;    // latest record date seen ("YYYY-MM-DD hh:mm:ss")
        uint32_t count = 0;  // records collected
    };

    static const char* const kCollectDateTemplate;
    static const char* const kIndexedTablesTemplate;
    static const char* const kCollectDateFile;
    static const char* const kIndexedTablesFile;

    // Reads the global configuration and either starts afresh (`recreate`) or
    // loads the state files of the index directory. Failures raise.
    void load(const std::string& dbname, bool recreate);

    // Writes both state files as ".tmp" files into the index directory and
    // logs the summary. Failures raise, so that a barrel is never committed
    // with a state that does not describe it.
    void save(int percent);
    // Moves the ".tmp" files written by save() to their final names.
    void commit();

    const std::string& dbname() const { return m_dbname; }
    const std::string& indexDir() const { return m_indexDir; }
    // Where save() and commit() write from now on: the directory of the index
    // being written, which a rebuild builds beside the one it replaces. (load()
    // reads the database's index directory.)
    void setIndexDir(const std::string& dir);
    const std::string& startTable() const { return m_startTable; }
    const std::string& table() const { return m_table; }
    uint32_t autoId() const { return m_autoId; }
    bool webEnabled() const { return m_webEnabled; }
    const CDebugCollectRange& debugRange() const { return m_debug; }
    const CTypeTotal& total(int type) const { return m_totals[type]; }
    bool isIndexed(const std::string& table) const { return m_indexedTables.count(table) != 0; }
    const std::vector<std::string>& completedTables() const { return m_completed; }

    void setResumePoint(const std::string& table, uint32_t autoId);
    // `table` was read to its end and a later record table exists.
    void completeTable(const std::string& table);
    void countRecord(int type, const std::string& date);

private:
    void readIndexSettings(utility::CXmlDocument& global);
    void createDocuments();
    void loadDocuments();
    void loadTotals();
    void writeDocuments();
    void logSummary(int percent) const;
    void removeTemporaryFiles() const;

    std::string m_dbname;
    std::string m_indexDir;
    std::string m_startTable;   // from /config/index/date; empty for "all"
    std::string m_table;        // resume table
    uint32_t m_autoId = 0;      // resume auto_id in it
    CTypeTotal m_totals[COLLECT_TYPES];
    CDebugCollectRange m_debug;
    bool m_webEnabled = true;
    std::set<std::string> m_indexedTables;
    std::vector<std::string> m_completed;   // in this run
    utility::CXmlDocument m_dateDoc;
    utility::CXmlDocument m_tablesDoc;
};

} // namespace cs::collection
