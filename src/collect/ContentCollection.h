// The collection of captured activity records: it walks the record tables of
// an activity database ("A" + the 8 digits of a day) in date order and each
// table in auto_id order, from where the previous run stopped, reads each
// record's content row, and hands the index writer one document per record.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <set>
#include <string>

#include "collect/Collection.h"
#include "collect/CollectStatus.h"
#include "collect/FieldValueCheck.h"
#include "collect/NameTables.h"
#include "collect/RecordBuilder.h"
#include "collect/RecordErrorFile.h"
#include "collect/RunProgress.h"

namespace cs::utility {
class CDatabase;
class CDbInfo;
}

namespace cs::collection {

class CContentCollection : public CCollection {
public:
    class CContentCollectionCreator : public CCollection::CCreator {
    public:
        CContentCollectionCreator() : CCreator("content") {}
        std::unique_ptr<CCollection> create(const std::string& source, int recreate) const override;
    };

    // Connects to the database `dbname` of the database information file,
    // loads the collection state (afresh when `recreate`) and opens index.run.
    // Failures raise.
    CContentCollection(const std::string& dbname, int recreate);
    ~CContentCollection() override;

    void collect() override;
    void setContentMode(const content::CContentMode* pMode) override;
    // Writes the state files as ".tmp" files and the progress figure.
    void saveStatus() override;
    // Closes the writer; a state that no flush saved since it changed (the
    // last records were all passed over) is then saved and put in place.
    void close() override;

    const CCollectStatus& status() const { return m_status; }

private:
    struct CRecordPlace {
        std::string table;
        uint32_t autoId = 0;
    };

    void connect(const utility::CDbInfo& info, const std::string& dbname, std::unique_ptr<utility::CDatabase>& pDb);
    void reconnectContent();
    template <class F>
    void withContentConnection(F statement);

    bool collectTable(const std::string& table);
    uint32_t countRecords(const std::string& table);
    void handleRecord(const std::string& table, const CRecordRow& record);
    // Builds the record's document; null when the record is passed over.
    const CRecordClass* readRecord(const std::string& table, const CRecordRow& record);
    bool contentTableExists(const std::string& name);
    bool readContentRow(const std::string& contentTable, const CRecordRow& record, CContentRow& content);
    // Hands the built document over, the record counted where it goes.
    void takeRecord(const CRecordPlace& place, int collectType);
    // Fills the writer's next document; the writer indexes it when asked.
    void handOver(const CRecordDocument& doc);
    void passOver(uint32_t autoId);
    void advance(uint32_t autoId);
    // Runs a call of the writer, which indexes documents handed over before:
    // what it raises is the failure of the record whose document the writer
    // was on.
    template <class F>
    void atWriter(F call);
    // Leaves rt.err naming the record and ends the process.
    [[noreturn]] void failRecord(const CRecordPlace& place, std::exception_ptr error);

    CCollectStatus m_status;
    CRunProgress m_progress;
    CRecordErrorFile m_errorFile;
    CNameTables m_names;
    CRecordBuilder m_builder;
    CFieldValueCheck m_valueCheck;
    CRecordDocument m_document;
    std::unique_ptr<utility::CDatabase> m_pRecordDb;    // the record query, read row by row
    std::unique_ptr<utility::CDatabase> m_pContentDb;   // content rows, names and the table list
    std::set<std::string> m_tables;                     // every table of the database
    std::set<std::string> m_missingTables;              // content tables found missing
    bool m_dirty = false;                               // state changed since the last save
    // The auto_id the record query of the table being read starts from; the
    // state's resume point follows as the writer comes to the records.
    uint32_t m_readFrom = 0;
    CRecordPlace m_inWriter;                            // whose document the writer is on

    int32_t m_textId = -1;
    int32_t m_userId = -1;
    int32_t m_groupId = -1;
    int32_t m_dateId = -1;
    int32_t m_typeId = -1;
    int32_t m_pathId = -1;
};

} // namespace cs::collection
