#include "collect/ContentCollection.h"

#include <new>
#include <vector>

#include "collect/Database.h"
#include "collect/DecimalText.h"
#include "collect/LogText.h"
#include "collect/RecordQueries.h"
#include "collect/RecordTables.h"
#include "config/DbInfo.h"
#include "config/GlobalConfig.h"
#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/Index.h"
#include "index/writer/IndexWriter.h"
#include "parse/TrashLists.h"
#include "utility/ConfigPath.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/Logger.h"

namespace cs::collection {

using utility::CDatabase;
using utility::CDbInfo;
using utility::Format;

namespace {

// Passes in a row of a record query that the server breaks off before giving
// a single row; the table is not taken for finished on such passes.
const int kMaxBrokenPasses = 3;

std::string DbInfoPath() { return utility::CConfigPath::instance().getPath("DBINFO_PATH"); }

void ReadDbInfo(CDbInfo& info)
{
    if (!info.read())
        CS_THROW("failed to read database config");
}

CRecordRow ReadRecordRow(const CDatabase::CRowset& rows)
{
    CRecordRow record;
    record.autoId = ColumnNumber(rows.field("auto_id"));
    record.recordId = ColumnNumber(rows.field("record_id"));
    record.devId = ColumnNumber(rows.field("dev_id"));
    record.accountId = ColumnNumber(rows.field("account_id"));
    record.userCrc = rows.field("user_crc");
    record.appCrc = ColumnNumber(rows.field("app_crc"));
    record.groupCrc = rows.field("group_crc");
    record.recordTime = rows.field("record_time");
    record.privateType = static_cast<int>(ColumnNumber(rows.field("private_type")));
    return record;
}

int32_t FieldIdOf(const content::CContentMode& mode, const char* name)
{
    const content::CModeItem* pItem = mode.find(name);
    return pItem ? pItem->getFieldID() : -1;
}

void SetText(content::CContent& doc, int32_t fieldId, const std::string& text)
{
    if (fieldId >= 0)
        doc.setFieldText(static_cast<uint32_t>(fieldId), text.data(), text.size());
}

} // namespace

std::unique_ptr<CCollection> CContentCollection::CContentCollectionCreator::create(const std::string& source,
                                                                                   int recreate) const
{
    return std::make_unique<CContentCollection>(source, recreate);
}

CContentCollection::CContentCollection(const std::string& dbname, int recreate) : m_builder(m_names)
{
    CDbInfo info(DbInfoPath());
    ReadDbInfo(info);
    bool found = false;
    for (const CDbInfo::Database& database : info.databaseList())
        found = found || database.name == dbname;
    if (!found)
        CS_THROW("not found database: %s in %s", dbname.c_str(), info.path().c_str());
    if (info.port() < 0)
        CS_LOG_WARN("no port number in %s, the database server is reached on port %u", info.path().c_str(),
                    CDatabase::DEFAULT_PORT);
    connect(info, dbname, m_pRecordDb);
    connect(info, dbname, m_pContentDb);
    std::string root = info.filePath();
    if (root.empty())
        CS_THROW("wrong database file path");
    if (root.back() != '/' && root.back() != '\\')
        root += '/';
    m_builder.setContentRoot(root + dbname + "/");
    m_status.load(dbname, recreate != 0);
    m_progress.open(utility::g_pGlobalConfig->indexPath() + "/index.run");
}

CContentCollection::~CContentCollection() = default;

void CContentCollection::connect(const CDbInfo& info, const std::string& dbname, std::unique_ptr<CDatabase>& pDb)
{
    pDb.reset();
    try {
        pDb = std::make_unique<CDatabase>();
    } catch (const std::exception&) {
        CS_THROW("new CDatabase faile");
    }
    pDb->connect(Format("%s, %d", info.host().c_str(), info.port()), dbname, info.user(),
                 info.password());
}

void CContentCollection::reconnectContent()
{
    m_pContentDb.reset();
    CDbInfo info(DbInfoPath());
    ReadDbInfo(info);
    connect(info, m_status.dbname(), m_pContentDb);
    CS_LOG_INFO("reconnect desDb");
}

// Runs a statement of the content connection; a database error gets one more
// try on a new connection.
template <class F>
void CContentCollection::withContentConnection(F statement)
{
    try {
        statement();
        return;
    } catch (const CDatabase::Exception& e) {
        CS_LOG_WARN("%s", LogText(e.what()).c_str());
    }
    reconnectContent();
    statement();
    CS_LOG_INFO("reconnect exe success");
}

void CContentCollection::setContentMode(const content::CContentMode* pMode)
{
    CS_ASSERT_ARG(pMode);
    m_textId = FieldIdOf(*pMode, "text");
    m_userId = FieldIdOf(*pMode, "user");
    m_groupId = FieldIdOf(*pMode, "group");
    m_dateId = FieldIdOf(*pMode, "date");
    m_typeId = FieldIdOf(*pMode, "type");
    m_pathId = FieldIdOf(*pMode, "path");
    m_valueCheck.setContentMode(*pMode);
}

void CContentCollection::collect()
{
    CS_ASSERT_TEXT(!m_status.dbname().empty(), "!m_status.dbname.empty()");
    // The state goes with the barrels it describes, into the index being written.
    m_status.setIndexDir(m_pIndexWriter->getIndex()->getDirectory()->getPath());
    utility::CConsoleProgress::instance().setUnit("records");
    m_errorFile.create();
    m_pContentDb->listTables();
    m_tables.clear();
    m_tables.insert(m_pContentDb->tableNames().begin(), m_pContentDb->tableNames().end());
    m_missingTables.clear();
    std::vector<std::string> tables = SelectRecordTables(m_pContentDb->tableNames(), m_status);
    // The resume auto_id belongs to the resume table only.
    if (!tables.empty() && tables.front() != m_status.table()) {
        m_status.setResumePoint(tables.front(), 0);
        m_dirty = true;
    }
    CS_LOG_INFO("table size: %u, collect size: %u", static_cast<unsigned>(m_tables.size()),
                static_cast<unsigned>(tables.size()));
    m_names.load(*m_pContentDb);
    if (m_names.empty()) {
        CS_LOG_INFO("username or groupname is null");
        m_errorFile.remove();
        return;
    }
    m_progress.start(tables.size());
    m_readFrom = m_status.autoId();
    for (size_t i = 0; i < tables.size(); ++i) {
        if (i > 0) {
            // Only the capture component's newest table still grows; a table
            // with a later one beside it is complete once read to its end,
            // and once the writer has come past its last document.
            atWriter([&] {
                m_pIndexWriter->runInOrder([this, done = tables[i - 1], next = tables[i]] {
                    m_status.completeTable(done);
                    m_status.setResumePoint(next, 0);
                    m_dirty = true;
                });
            });
            m_readFrom = 0;
        }
        if (!collectTable(tables[i]))
            break;
    }
    atWriter([this] { m_pIndexWriter->drainDocuments(); });
    m_progress.write();
    m_errorFile.remove();
}

uint32_t CContentCollection::countRecords(const std::string& table)
{
    std::string sql = RecordCountQuery(table, m_readFrom, m_status.webEnabled());
    for (int attempt = 0;; ++attempt) {
        try {
            CDatabase::CRowset rows;
            m_pRecordDb->query(rows, sql);
            uint32_t total = 0;
            if (rows.fetch() && ParseDecimal(rows.field("total"), total))
                return total;
            if (!rows.endedByError())
                CS_THROW("failed to get database query result count: %s", sql.c_str());
            throw CDatabase::Exception("count broken off: " + sql);
        } catch (const CDatabase::Exception& e) {
            if (attempt > 0)
                CS_THROW("failed to get database query result count: %s", e.what());
            // The server may have dropped the connection while the last table
            // was read to its end from the client's buffers (an idle timeout).
            CS_LOG_WARN("%s", LogText(e.what()).c_str());
            m_pRecordDb->reconnect();
        }
    }
}

// Reads the records of one table from the resume point on. False when the
// end of the debug range stopped it.
bool CContentCollection::collectTable(const std::string& table)
{
    CS_LOG_INFO("indexing %s ...", table.c_str());
    uint32_t total = countRecords(table);
    CS_LOG_INFO("record total is %u", total);
    m_progress.beginTable(total);
    const CDebugCollectRange& debug = m_status.debugRange();
    uint32_t handled = 0;
    int brokenPasses = 0;
    std::string sql = RecordSelectQuery(table, m_readFrom, m_status.webEnabled());
    CS_LOG_DEBUG("%s", sql.c_str());
    for (;;) {
        CDatabase::CRowset rows;
        m_pRecordDb->query(rows, sql);
        uint32_t passRows = 0;
        while (rows.fetch()) {
            ++passRows;
            CRecordRow record = ReadRecordRow(rows);
            if (debug.recordBeyondEnd(table, record.autoId)) {
                CS_LOG_INFO("collect count is %u", handled);
                return false;
            }
            if (handled % 100 == 0)
                m_progress.write();
            handleRecord(table, record);
            m_readFrom = record.autoId + 1;
            ++handled;
            m_progress.recordHandled();
            utility::CConsoleProgress::instance().itemHandled();
        }
        bool broken = rows.endedByError();
        // A pass without a row ends the table, so that records deleted after
        // the count cannot keep the loop going; one the server broke off does not.
        if (!broken && (handled >= total || passRows == 0))
            break;
        brokenPasses = passRows == 0 ? brokenPasses + 1 : 0;
        if (brokenPasses > kMaxBrokenPasses)
            throw CDatabase::Exception(Format("the server keeps breaking off the records of %s", table.c_str()));
        CS_LOG_WARN("total != collect_count = %u", handled);
        m_pRecordDb->reconnect();
        sql = RecordSelectQuery(table, m_readFrom, m_status.webEnabled());
        CS_LOG_INFO("re exec sql: %s", sql.c_str());
    }
    CS_LOG_INFO("collect count is %u", handled);
    m_progress.endTable();
    return true;
}

void CContentCollection::handleRecord(const std::string& table, const CRecordRow& record)
{
    const CRecordClass* pClass = nullptr;
    try {
        pClass = readRecord(table, record);
    } catch (const CBadRecord& e) {
        CS_LOG_WARN("record [%s, %u] passed over: %s", table.c_str(), record.autoId, LogText(e.what()).c_str());
    } catch (const std::bad_alloc&) {
        throw;   // the lack-of-memory report, not this record's
    } catch (...) {
        failRecord(CRecordPlace{table, record.autoId}, std::current_exception());
    }
    atWriter([&] {
        if (pClass)
            takeRecord(CRecordPlace{table, record.autoId}, pClass->collectType);
        else
            passOver(record.autoId);
    });
}

const CRecordClass* CContentCollection::readRecord(const std::string& table, const CRecordRow& record)
{
    const CRecordClass* pClass = ClassifyRecord(record.privateType, record.appCrc);
    if (!pClass || !m_status.debugRange().typeEnabled(pClass->collectType))
        return nullptr;
    std::string contentTable = pClass->table + table.substr(1);
    CContentRow content;
    if (!contentTableExists(contentTable) || !readContentRow(contentTable, record, content)) {
        CS_LOG_DEBUG("record [%s, %u] has no content in %s, passed over", table.c_str(), record.autoId,
                     contentTable.c_str());
        return nullptr;
    }
    if (pClass->table == 'P' && HostHoldsTrashDomain(content.result)) {
        CS_LOG_INFO("record [%s, %u] dropped: its host holds the trash string %s", table.c_str(), record.autoId,
                    parse::kTrashDomain);
        return nullptr;
    }
    CS_LOG_DEBUG("collecting record [%s, %u] (%d%%)...", table.c_str(), record.autoId, m_progress.percent());
    m_builder.build(table, record, *pClass, content, m_document);
    m_valueCheck.check("date", m_document.date);
    m_valueCheck.check("type", m_document.type);
    return pClass;
}

void CContentCollection::takeRecord(const CRecordPlace& place, int collectType)
{
    // Counted and passed where the writer comes to the record's document: a
    // flush on the way saves a state that holds it, like the barrel it lands
    // in, and a flush of the documents before saves one without it.
    m_pIndexWriter->runInOrder([this, place, collectType, date = m_document.date] {
        m_inWriter = place;
        m_status.countRecord(collectType, date);
        advance(place.autoId);
    });
    handOver(m_document);
    m_pIndexWriter->indexDocuments();
    CS_LOG_DEBUG("record collected");
}

template <class F>
void CContentCollection::atWriter(F call)
{
    try {
        call();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        failRecord(m_inWriter, std::current_exception());
    }
}

void CContentCollection::failRecord(const CRecordPlace& place, std::exception_ptr error)
{
    std::string why = "other exception";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        why = LogText(e.what());
    } catch (...) {
    }
    m_errorFile.fail(place.table, place.autoId,
                     utility::Format("failed to handle record [%s, %u]: %s", place.table.c_str(), place.autoId,
                                     why.c_str()));
}

bool CContentCollection::contentTableExists(const std::string& name)
{
    if (m_tables.count(name))
        return true;
    if (m_missingTables.count(name))
        return false;
    // The capture component may have created it since the run began.
    withContentConnection([this] { m_pContentDb->listTables(); });
    m_tables.insert(m_pContentDb->tableNames().begin(), m_pContentDb->tableNames().end());
    if (m_tables.count(name))
        return true;
    m_missingTables.insert(name);
    return false;
}

bool CContentCollection::readContentRow(const std::string& contentTable, const CRecordRow& record,
                                        CContentRow& content)
{
    std::string sql = ContentQuery(contentTable, record);
    bool found = false;
    withContentConnection([&] {
        CDatabase::CRowset rows;
        m_pContentDb->query(rows, sql);
        found = rows.fetch();
        if (!found && rows.endedByError())
            throw CDatabase::Exception("content row broken off: " + sql);
        if (!found)
            return;
        content.autoId = ColumnNumber(rows.field("auto_id"));
        switch (contentTable[0]) {
        case 'M':
            content.path = rows.field("mail_path");
            break;
        case 'C':
            content.result = rows.field("result");
            break;
        default:
            content.result = rows.field("result");
            content.path = rows.field("path");
            break;
        }
    });
    return found;
}

void CContentCollection::handOver(const CRecordDocument& doc)
{
    content::CContent* pDoc = m_pIndexWriter->nextDocument();
    pDoc->setRecordKind(doc.kind);
    pDoc->setFileType(doc.fileType);
    SetText(*pDoc, m_userId, doc.user);
    SetText(*pDoc, m_groupId, doc.group);
    SetText(*pDoc, m_dateId, doc.date);
    SetText(*pDoc, m_typeId, doc.type);
    SetText(*pDoc, m_pathId, doc.path);
    pDoc->setBufferInput(m_textId, doc.text.data(), doc.text.size());
    if (!doc.file.empty())
        pDoc->setFileInput(doc.file, m_textId);
}

void CContentCollection::passOver(uint32_t autoId)
{
    m_pIndexWriter->runInOrder([this, autoId] { advance(autoId); });
}

void CContentCollection::advance(uint32_t autoId)
{
    m_status.setResumePoint(m_status.table(), autoId + 1);
    m_dirty = true;
}

void CContentCollection::saveStatus()
{
    m_status.save(m_progress.percent());
    m_progress.write();
    m_dirty = false;
    CS_LOG_INFO("collect status saved");
}

void CContentCollection::close()
{
    CCollection::close();
    if (m_dirty) {
        saveStatus();
        m_status.commit();
    }
}

} // namespace cs::collection
